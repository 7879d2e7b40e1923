// The template expansion over arbitrary templates and directories. The input
// is split at line feeds into template, source, installed and Windows
// directory, and a last part that chooses what short names the file system
// gives; a missing part is passed as a null pointer. Whatever the lengths,
// the line holds at most 255 characters, is terminated inside its buffer, and
// no more unknown codes are reported than the template has '$' characters.
// The checked expansion gives the plain one's very line whenever the
// directories need no short names, and a line it lets run carries no
// character that its reader (the program, or the command interpreter for a
// batch file) reads again other than the template's own, and keeps as many
// pieces (program and arguments) as the scan wrote.
// The short names the file system gives are chosen by the first character of
// the last part.
#include "commands/ExpandCommandTemplate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct FuzzLog
{
    size_t nReports;
};

void CountReport(void* pContext)
{
    ++static_cast<FuzzLog*>(pContext)->nReports;
}

// The short names the file system gives, chosen by the first character of
// the last part: none at all, the name with every such character made '_',
// the name unchanged, or an empty name.
bool FakeShortName(const char* pszDirectory, char* pchOut, size_t nOut, void* pContext)
{
    const char* const pszMode = static_cast<const char*>(pContext);
    const int nMode = pszMode != nullptr ? static_cast<unsigned char>(pszMode[0]) % 4 : 0;
    const size_t nLength = std::strlen(pszDirectory);
    if (nMode == 0 || nLength >= nOut)
        return false;
    if (nMode == 3) {
        pchOut[0] = '\0';
        return true;
    }
    for (size_t n = 0; n <= nLength; ++n) {
        const char ch = pszDirectory[n];
        const char sz[2] = {ch, '\0'};
        pchOut[n] = nMode == 1 && ch != '\0' && IsUnsafeOnCommandLine(sz, kReadByInterpreter) ? '_' : ch;
    }
    return true;
}

size_t CountUnsafe(const char* psz, CommandReader nReader)
{
    size_t nCount = 0;
    for (; psz != nullptr && *psz != '\0'; ++psz) {
        const char sz[2] = {*psz, '\0'};
        nCount += IsUnsafeOnCommandLine(sz, nReader) ? 1 : 0;
    }
    return nCount;
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

size_t CountPieces(const char* psz)
{
    size_t nPieces = 0;
    for (char chBefore = ' '; *psz != '\0'; chBefore = *psz++)
        nPieces += IsBlank(chBefore) && !IsBlank(*psz) ? 1 : 0;
    return nPieces;
}

bool IsWellFormed(const char (&szOut)[kMaxCommandLine + 1], size_t nLength)
{
    return nLength <= kMaxCommandLine && std::memchr(szOut, '\0', sizeof(szOut)) != nullptr &&
           std::strlen(szOut) == nLength;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    // Each part in its own exactly-sized heap copy.
    char* apszParts[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
    size_t nPos = 0;
    for (size_t nPart = 0; nPart < 5 && nPos <= nSize; ++nPart) {
        const void* pvEnd = std::memchr(pData + nPos, '\n', nSize - nPos);
        const size_t nEnd =
            pvEnd != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(pvEnd) - pData) : nSize;
        apszParts[nPart] = new char[nEnd - nPos + 1];
        std::memcpy(apszParts[nPart], pData + nPos, nEnd - nPos);
        apszParts[nPart][nEnd - nPos] = '\0';
        nPos = nEnd + 1;
    }
    const char* const pszTemplate = apszParts[0];

    size_t nDollars = 0;
    for (const char* pch = pszTemplate; *pch != '\0'; ++pch)
        nDollars += *pch == '$';

    FuzzLog log = {0};
    const CommandTemplateSeam seam = {CountReport, &log};
    char szOut[kMaxCommandLine + 1];
    const size_t nLength =
        ExpandCommandTemplate(pszTemplate, apszParts[1], apszParts[2], apszParts[3], seam, szOut);
    if (!IsWellFormed(szOut, nLength) || log.nReports > nDollars)
        std::abort();

    FuzzLog checkedLog = {0};
    const CommandTemplateSeam checkedSeam = {CountReport, &checkedLog};
    const ShortNameSeam shortNames = {FakeShortName, apszParts[4]};
    char szChecked[kMaxCommandLine + 1];
    const CommandLineCheck check = ExpandCommandLine(pszTemplate, apszParts[1], apszParts[2], apszParts[3],
                                                     checkedSeam, shortNames, szChecked);
    if (!IsWellFormed(szChecked, check.nLength) || checkedLog.nReports != log.nReports)
        std::abort();

    const unsigned nUsed = GetTemplateDirectories(pszTemplate);
    const CommandReader nReader = GetTemplateReader(pszTemplate);
    bool bAnyUnsafe = false;
    for (int nDir = 0; nDir < kCommandDirectoryCount; ++nDir)
        bAnyUnsafe = bAnyUnsafe ||
                     ((nUsed & (1u << nDir)) != 0 && IsUnsafeOnCommandLine(apszParts[nDir + 1], nReader));

    char szScan[kMaxCommandLine + 1];
    const CommandTemplateSeam quiet = {nullptr, nullptr};
    ScanCommandTemplate(pszTemplate, apszParts[1], apszParts[2], apszParts[3], quiet, szScan);

    switch (check.nStatus) {
    case kCommandLineRuns:
        if (check.nDirectory != kNoCommandDirectory ||
            CountUnsafe(szChecked, nReader) > CountUnsafe(pszTemplate, nReader))
            std::abort();
        if (!bAnyUnsafe && CountPieces(szChecked) != CountPieces(szScan))
            std::abort();
        break;
    case kCommandLineUnsafeDirectory:
        if (!bAnyUnsafe || check.nDirectory < 0 || check.nDirectory >= kCommandDirectoryCount ||
            !IsUnsafeOnCommandLine(apszParts[check.nDirectory + 1], nReader))
            std::abort();
        break;
    case kCommandLineFolded:
        if (check.nDirectory != kNoCommandDirectory &&
            ((nUsed & (1u << check.nDirectory)) == 0 || !std::strstr(apszParts[check.nDirectory + 1], "..")))
            std::abort();
        if (!bAnyUnsafe && CountPieces(szChecked) >= CountPieces(szScan))
            std::abort();
        break;
    case kCommandLineTooLong:
        if (check.nDirectory != kNoCommandDirectory)
            std::abort();
        break;
    case kCommandLineUnknownDirectory:
        if ((check.nDirectory != kDirectorySource && check.nDirectory != kDirectoryWindows) ||
            (nUsed & (1u << check.nDirectory)) == 0 ||
            (apszParts[check.nDirectory + 1] != nullptr && apszParts[check.nDirectory + 1][0] != '\0'))
            std::abort();
        break;
    default:
        std::abort();
    }
    // Directories that need no short names, or a line refused for one: byte
    // for byte the plain line.
    const bool bShortNamesUsed = check.nStatus == kCommandLineRuns || check.nStatus == kCommandLineTooLong ||
                                 check.nStatus == kCommandLineFolded;
    if ((!bAnyUnsafe || !bShortNamesUsed) && std::strcmp(szChecked, szOut) != 0)
        std::abort();

    for (char* psz : apszParts)
        delete[] psz;
    return 0;
}
