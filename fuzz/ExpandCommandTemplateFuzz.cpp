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
//
// Whether the folding lets a line run is checked against a model of the
// system's own reading, written apart from the launcher's code: the line
// split into arguments at blanks, each argument resolved as a path on its
// own, its ".." taking one folder back but never climbing out of its root
// (a drive's root, a share, or the root of the current drive). Where the
// directories go in as they stand and the model knows the line, a line may
// run exactly when every argument of the cleaned-up line names what the
// expanded line's argument names.
#include "commands/ExpandCommandTemplate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// One argument as the system resolves it: its root ("C:\\", "C:", "\\",
// "\\\\server\\share", or nothing) and the folders below it.
struct Resolved
{
    std::string strRoot;
    std::vector<std::string> folders;
    // A ".." at a share's root, which the system drops: one that the
    // clean-up would take across the share, even where later names happen
    // to lead back to the same text.
    bool bClimbedAtShare = false;
    bool operator==(const Resolved& other) const
    {
        return strRoot == other.strRoot && folders == other.folders;
    }
};

bool IsPathSeparator(char ch)
{
    return ch == '\\' || ch == '/';
}

// The next name of a path from pch on, up to a separator or the end.
std::string NextName(const std::string& strArgument, size_t* pnPos)
{
    const size_t nBegin = *pnPos;
    while (*pnPos < strArgument.size() && !IsPathSeparator(strArgument[*pnPos]))
        ++*pnPos;
    return strArgument.substr(nBegin, *pnPos - nBegin);
}

// The arguments of a line, resolved. False for a line the model does not
// know: quotes, or ',', ';' and '=' where the command interpreter reads it
// (both only come from the template's own text: a directory with one goes
// in by its short name); a blank before the program, which the clean-up
// may fold away with the root of the path after it (" \\..\\x" becomes "x"),
// and which only a template's own text has; a ':' elsewhere than after a
// drive letter, or two
// separators in a row elsewhere than before a server, which no existing
// folder has; a share without a name, or named "." or ".."; a line that
// begins with a share and a '/' after the server's name.
bool ResolveLine(const char* psz, CommandReader nReader, bool bStrict, std::vector<Resolved>* pArguments)
{
    pArguments->clear();
    const std::string strLine = psz;
    if (bStrict && !strLine.empty() && IsBlank(strLine[0]))
        return false;
    size_t nPos = 0;
    while (nPos < strLine.size()) {
        if (IsBlank(strLine[nPos])) {
            ++nPos;
            continue;
        }
        const size_t nEnd = strLine.find_first_of(" \t", nPos);
        const std::string strArgument =
            strLine.substr(nPos, nEnd == std::string::npos ? std::string::npos : nEnd - nPos);
        nPos = nEnd == std::string::npos ? strLine.size() : nEnd;
        if (strArgument.find('"') != std::string::npos ||
            (nReader == kReadByInterpreter && strArgument.find_first_of(",;=") != std::string::npos))
            return false;

        Resolved argument;
        size_t nAt = 0;
        bool bAbsolute = true;
        const bool bShare =
            strArgument.size() >= 2 && IsPathSeparator(strArgument[0]) && IsPathSeparator(strArgument[1]);
        if (bShare) {
            nAt = 2;
            const std::string strServer = NextName(strArgument, &nAt);
            std::string strShare;
            if (nAt < strArgument.size()) {
                ++nAt;
                strShare = NextName(strArgument, &nAt);
                nAt += nAt < strArgument.size() ? 1 : 0;
            }
            if (bStrict && (strServer.empty() || strShare.empty() || strShare == "." || strShare == ".." ||
                            strServer == "." || strServer == ".."))
                return false;
            // A line that begins with a share is one path to the clean-up,
            // whose server name runs up to the first backslash, even across
            // a '/' or a blank.
            if (bStrict && pArguments->empty() && strArgument[2 + strServer.size()] != '\\')
                return false;
            argument.strRoot = "\\\\" + strServer + "\\" + strShare;
        } else if (strArgument.size() >= 2 && strArgument[1] == ':' &&
                   ((strArgument[0] | 0x20) >= 'a' && (strArgument[0] | 0x20) <= 'z')) {
            nAt = 2;
            bAbsolute = strArgument.size() > 2 && IsPathSeparator(strArgument[2]);
            argument.strRoot = strArgument.substr(0, 2) + (bAbsolute ? "\\" : "");
            nAt += bAbsolute ? 1 : 0;
        } else if (!strArgument.empty() && IsPathSeparator(strArgument[0])) {
            nAt = 1;
            argument.strRoot = "\\";
        } else {
            bAbsolute = false;
        }
        if (bStrict &&
            strArgument.find(':', argument.strRoot.size() > 1 && argument.strRoot[1] == ':' ? 2 : 0) !=
                std::string::npos)
            return false;

        // The names below the root; a final separator adds none.
        while (nAt < strArgument.size()) {
            const std::string strName = NextName(strArgument, &nAt);
            const bool bLast = nAt >= strArgument.size();
            if (nAt < strArgument.size())
                ++nAt;
            if (strName.empty()) {
                if (bStrict && !bLast)
                    return false;
                continue;
            }
            if (strName == ".")
                continue;
            if (strName == "..") {
                if (!argument.folders.empty() && argument.folders.back() != "..")
                    argument.folders.pop_back();
                else if (!bAbsolute)
                    argument.folders.push_back(strName);
                else
                    argument.bClimbedAtShare = argument.bClimbedAtShare || bShare;
                continue;
            }
            argument.folders.push_back(strName);
        }
        pArguments->push_back(argument);
    }
    return true;
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
    // The model's word on the folding, where it knows the line: the
    // expanded line's arguments as the system reads them, against those of
    // the cleaned-up line. A line that runs names what the expanded line
    // names; one refused as folded names something else, or climbs out of
    // a share on the way.
    std::vector<Resolved> expanded, cleaned;
    if (!bAnyUnsafe && (check.nStatus == kCommandLineRuns || check.nStatus == kCommandLineFolded) &&
        ResolveLine(szScan, nReader, true, &expanded)) {
        ResolveLine(szChecked, nReader, false, &cleaned);
        bool bClimbedAtShare = false;
        for (const Resolved& argument : expanded)
            bClimbedAtShare = bClimbedAtShare || argument.bClimbedAtShare;
        if (check.nStatus == kCommandLineRuns ? !(expanded == cleaned)
                                              : expanded == cleaned && !bClimbedAtShare)
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
