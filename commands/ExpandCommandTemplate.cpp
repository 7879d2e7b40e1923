#include "commands/ExpandCommandTemplate.h"

#include "commands/CanonicalizeCommandPath.h"

#include <cstring>

namespace {

// The longest path the system names, terminator included: room for a short name.
const size_t kShortNameSize = 260;

const char* OrEmpty(const char* psz)
{
    return psz != nullptr ? psz : "";
}

// The line being written: at most kMaxCommandLine characters go into it, and
// nWanted counts every character the whole expansion would have.
struct LineWriter
{
    char* pchOut;
    size_t nOut;
    size_t nWanted;

    bool IsFull() const { return nOut == kMaxCommandLine; }

    // Appends at most nCount characters of psz (fewer when it ends first).
    void Append(const char* psz, size_t nCount)
    {
        for (size_t n = 0; n < nCount && psz[n] != '\0'; ++n) {
            if (nOut < kMaxCommandLine)
                pchOut[nOut++] = psz[n];
            ++nWanted;
        }
    }
};

bool IsTerminatedWithin(const char* pch, size_t nSize)
{
    for (size_t n = 0; n < nSize; ++n) {
        if (pch[n] == '\0')
            return true;
    }
    return false;
}

void ReportUnknownCode(const CommandTemplateSeam& seam)
{
    if (seam.pfnReportUnknownCode != nullptr)
        seam.pfnReportUnknownCode(seam.pContext);
}

// The expansion proper, without canonicalisation. Once the line is full the
// rest of the template only counts towards nWanted: nothing is written, and
// unknown codes are not reported. Returns the writer, terminated.
LineWriter Expand(const char* pszTemplate, const char* const apszDirs[kCommandDirectoryCount],
                  const CommandTemplateSeam& seam, char (&szOut)[kMaxCommandLine + 1])
{
    const char* pch = OrEmpty(pszTemplate);
    const char* const pszInstalled = OrEmpty(apszDirs[kDirectoryInstalled]);
    const size_t nAll = static_cast<size_t>(-1);
    LineWriter line = {szOut, 0, 0};

    while (*pch != '\0') {
        if (*pch != '$') {
            line.Append(pch++, 1);
            continue;
        }

        const char chCode = pch[1];
        if (chCode == '\0') {
            // A '$' with no code after it: there is nothing left to read.
            if (!line.IsFull())
                ReportUnknownCode(seam);
            break;
        }
        pch += 2;

        switch (chCode) {
        case 's':
            line.Append(OrEmpty(apszDirs[kDirectorySource]), nAll);
            break;
        case 'i':
            line.Append(pszInstalled, nAll);
            break;
        case 'I': {
            const char* const pchColon = std::strchr(pszInstalled, ':');
            if (pchColon != nullptr)
                line.Append(pszInstalled, static_cast<size_t>(pchColon - pszInstalled));
            break;
        }
        case 'w':
            line.Append(OrEmpty(apszDirs[kDirectoryWindows]), nAll);
            break;
        default:
            if (!line.IsFull())
                ReportUnknownCode(seam);
            break;
        }
    }
    szOut[line.nOut] = '\0';
    return line;
}

size_t Canonicalize(char (&szOut)[kMaxCommandLine + 1])
{
    // An invalid line (such as "<none>") is kept like any other.
    (void)CanonicalizeCommandPath(szOut);
    return std::strlen(szOut);
}

} // namespace

size_t ExpandCommandTemplate(const char* pszTemplate, const char* pszSourceDir, const char* pszInstalledDir,
                             const char* pszWindowsDir, const CommandTemplateSeam& seam,
                             char (&szOut)[kMaxCommandLine + 1])
{
    const char* const apszDirs[kCommandDirectoryCount] = {pszSourceDir, pszInstalledDir, pszWindowsDir};
    Expand(pszTemplate, apszDirs, seam, szOut);
    return Canonicalize(szOut);
}

unsigned GetTemplateDirectories(const char* pszTemplate)
{
    unsigned nDirs = 0;
    for (const char* pch = OrEmpty(pszTemplate); *pch != '\0'; ++pch) {
        if (*pch != '$')
            continue;
        switch (*++pch) {
        case '\0':
            return nDirs;
        case 's':
            nDirs |= 1u << kDirectorySource;
            break;
        case 'i':
        case 'I':
            nDirs |= 1u << kDirectoryInstalled;
            break;
        case 'w':
            nDirs |= 1u << kDirectoryWindows;
            break;
        default:
            break;
        }
    }
    return nDirs;
}

bool IsUnsafeOnCommandLine(const char* pszDirectory)
{
    for (const char* pch = OrEmpty(pszDirectory); *pch != '\0'; ++pch) {
        switch (*pch) {
        case ' ':
        case '\t':
        case ',':
        case ';':
        case '=':
        case '&':
        case '|':
        case '<':
        case '>':
        case '^':
        case '%':
        case '"':
            return true;
        default:
            break;
        }
    }
    return false;
}

CommandLineCheck ExpandCommandLine(const char* pszTemplate, const char* pszSourceDir,
                                   const char* pszInstalledDir, const char* pszWindowsDir,
                                   const CommandTemplateSeam& seam, const ShortNameSeam& shortNames,
                                   char (&szOut)[kMaxCommandLine + 1])
{
    const char* const apszGiven[kCommandDirectoryCount] = {pszSourceDir, pszInstalledDir, pszWindowsDir};
    const char* apszDirs[kCommandDirectoryCount] = {pszSourceDir, pszInstalledDir, pszWindowsDir};
    char aszShort[kCommandDirectoryCount][kShortNameSize];
    CommandLineCheck check = {kCommandLineRuns, kNoCommandDirectory, 0};
    const unsigned nUsed = GetTemplateDirectories(pszTemplate);

    // The installed directory is empty until the game is installed; the
    // other two are never empty once found out.
    static const CommandDirectory kNeverEmpty[] = {kDirectorySource, kDirectoryWindows};
    for (CommandDirectory nDir : kNeverEmpty) {
        if ((nUsed & (1u << nDir)) != 0 && *OrEmpty(apszGiven[nDir]) == '\0') {
            check.nStatus = kCommandLineUnknownDirectory;
            check.nDirectory = nDir;
            break;
        }
    }

    for (int nDir = 0; nDir < kCommandDirectoryCount && check.nStatus == kCommandLineRuns; ++nDir) {
        if ((nUsed & (1u << nDir)) == 0 || !IsUnsafeOnCommandLine(apszGiven[nDir]))
            continue;
        char* const pszShort = aszShort[nDir];
        pszShort[0] = '\0'; // a seam that says yes and writes nothing gives no name
        if (shortNames.pfnGetShortName != nullptr &&
            shortNames.pfnGetShortName(apszGiven[nDir], pszShort, kShortNameSize, shortNames.pContext) &&
            IsTerminatedWithin(pszShort, kShortNameSize) && *pszShort != '\0' &&
            !IsUnsafeOnCommandLine(pszShort)) {
            apszDirs[nDir] = pszShort;
        } else {
            check.nStatus = kCommandLineUnsafeDirectory;
            check.nDirectory = static_cast<CommandDirectory>(nDir);
        }
    }

    // A line that must not run is still built, from the directories as they
    // stand: it is what the launcher would have run.
    const bool bRuns = check.nStatus == kCommandLineRuns;
    const LineWriter line = Expand(pszTemplate, bRuns ? apszDirs : apszGiven, seam, szOut);
    if (bRuns && line.nWanted > kMaxCommandLine)
        check.nStatus = kCommandLineTooLong;
    check.nLength = Canonicalize(szOut);
    return check;
}
