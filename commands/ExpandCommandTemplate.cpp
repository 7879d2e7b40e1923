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

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
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
    LineWriter line = {szOut, 0, 0};

    while (*pch != '\0') {
        if (*pch != '$') {
            line.Append(pch++, 1);
            continue;
        }
        // A '$' with no code after it leaves nothing to read.
        const char chCode = pch[1];
        bool bDriveOnly = false;
        const CommandDirectory nDir = GetCodeDirectory(chCode, &bDriveOnly);
        if (nDir == kNoCommandDirectory) {
            if (!line.IsFull())
                ReportUnknownCode(seam);
        } else {
            const char* const pszDir = OrEmpty(apszDirs[nDir]);
            size_t nCount = static_cast<size_t>(-1);
            if (bDriveOnly) {
                const char* const pchColon = std::strchr(pszDir, ':');
                nCount = pchColon != nullptr ? static_cast<size_t>(pchColon - pszDir) : 0;
            }
            line.Append(pszDir, nCount);
        }
        if (chCode == '\0')
            break;
        pch += 2;
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

// The pieces of a line between blanks: the program and its arguments. The
// path clean-up never makes a blank, so a line has fewer only when a ".."
// folded away a blank (two pieces became one) or a whole piece.
size_t CountPieces(const char* psz)
{
    size_t nPieces = 0;
    for (char chBefore = ' '; *psz != '\0'; chBefore = *psz++)
        nPieces += IsBlank(chBefore) && !IsBlank(*psz) ? 1 : 0;
    return nPieces;
}

constexpr unsigned long FourCharacters(const char (&sz)[5])
{
    return static_cast<unsigned long>(sz[0]) << 24 | static_cast<unsigned long>(sz[1]) << 16 |
           static_cast<unsigned long>(sz[2]) << 8 | static_cast<unsigned long>(sz[3]);
}

bool IsSeparator(char ch)
{
    return ch == '\\' || ch == '/';
}

// What the path clean-up makes of a segment of a path, the text from
// pchBegin up to the separator at pchEnd. It takes ':' as a boundary too.
enum SegmentFold
{
    kSegmentStays,
    kSegmentGoes,     // "." and "x:..": nothing of it is left
    kSegmentLosesDot, // "x:." becomes the folder "x:"
    kSegmentClimbs,   // "..": it goes, and takes the segment before it along
};

SegmentFold FoldOfSegment(const char* pchBegin, const char* pchEnd)
{
    const size_t nLength = static_cast<size_t>(pchEnd - pchBegin);
    size_t nDots = 0;
    while (nDots < nLength && nDots < 3 && pchEnd[-1 - static_cast<long>(nDots)] == '.')
        ++nDots;
    if (nDots == 0 || nDots == 3)
        return kSegmentStays;
    if (nLength == nDots)
        return nDots == 1 ? kSegmentGoes : kSegmentClimbs;
    if (pchBegin[nLength - nDots - 1] != ':')
        return kSegmentStays; // a name that ends in dots, such as "b.."
    return nDots == 1 ? kSegmentLosesDot : kSegmentGoes;
}

// True when a piece of the line that names a share ("\\server\share\...")
// would name another after the clean-up: a "." or ".." in the server or
// share name, or a ".." that climbs out of the share. The system resolves
// such a path below the share (the folder found to exist is there), the
// clean-up across it: "\\SRV\GAMES\..\ORVANE" would become "\\SRV\ORVANE".
bool LeavesItsShare(const char* psz)
{
    for (const char* pch = psz; *pch != '\0';) {
        if (IsBlank(*pch) || !IsSeparator(pch[0]) || !IsSeparator(pch[1])) {
            while (*pch != '\0' && !IsBlank(*pch))
                ++pch;
            while (IsBlank(*pch))
                ++pch;
            continue;
        }
        // Segments after the two separators: the server, the share, then
        // the folders below it. Only a segment that a separator ends folds.
        size_t nSegment = 0;
        size_t nDepth = 0;
        for (pch += 2;; ++pch) {
            const char* const pchBegin = pch;
            while (*pch != '\0' && !IsBlank(*pch) && !IsSeparator(*pch))
                ++pch;
            if (!IsSeparator(*pch))
                break;
            const SegmentFold nFold = FoldOfSegment(pchBegin, pch);
            if (nSegment++ < 2) {
                if (nFold != kSegmentStays)
                    return true;
            } else if (nFold == kSegmentClimbs) {
                if (nDepth == 0)
                    return true;
                --nDepth;
            } else if (nFold != kSegmentGoes) {
                ++nDepth;
            }
        }
    }
    return false;
}

bool HoldsTwoDots(const char* psz)
{
    for (const char* pch = OrEmpty(psz); *pch != '\0'; ++pch) {
        if (pch[0] == '.' && pch[1] == '.')
            return true;
    }
    return false;
}

} // namespace

CommandDirectory GetCodeDirectory(char chCode, bool* pbDriveOnly)
{
    *pbDriveOnly = chCode == 'I';
    switch (chCode) {
    case 's':
        return kDirectorySource;
    case 'i':
    case 'I':
        return kDirectoryInstalled;
    case 'w':
        return kDirectoryWindows;
    default:
        return kNoCommandDirectory;
    }
}

size_t ScanCommandTemplate(const char* pszTemplate, const char* pszSourceDir, const char* pszInstalledDir,
                           const char* pszWindowsDir, const CommandTemplateSeam& seam,
                           char (&szOut)[kMaxCommandLine + 1])
{
    const char* const apszDirs[kCommandDirectoryCount] = {pszSourceDir, pszInstalledDir, pszWindowsDir};
    return Expand(pszTemplate, apszDirs, seam, szOut).nOut;
}

size_t ExpandCommandTemplate(const char* pszTemplate, const char* pszSourceDir, const char* pszInstalledDir,
                             const char* pszWindowsDir, const CommandTemplateSeam& seam,
                             char (&szOut)[kMaxCommandLine + 1])
{
    ScanCommandTemplate(pszTemplate, pszSourceDir, pszInstalledDir, pszWindowsDir, seam, szOut);
    return Canonicalize(szOut);
}

unsigned GetTemplateDirectories(const char* pszTemplate)
{
    unsigned nDirs = 0;
    for (const char* pch = OrEmpty(pszTemplate); *pch != '\0'; ++pch) {
        if (*pch != '$')
            continue;
        bool bDriveOnly = false;
        const CommandDirectory nDir = GetCodeDirectory(*++pch, &bDriveOnly);
        if (nDir != kNoCommandDirectory)
            nDirs |= 1u << nDir;
        if (*pch == '\0')
            break;
    }
    return nDirs;
}

CommandReader GetTemplateReader(const char* pszTemplate)
{
    // The program's extension: the last four characters before the first
    // blank, lower-cased ('.' is its own lower case), as one number.
    const char* const psz = OrEmpty(pszTemplate);
    const char* pchEnd = psz;
    while (*pchEnd != '\0' && !IsBlank(*pchEnd))
        ++pchEnd;
    unsigned long nExtension = 0;
    for (int n = 4; n > 0 && pchEnd - psz >= 4; --n)
        nExtension = nExtension << 8 | static_cast<unsigned char>(pchEnd[-n] | 0x20);
    return nExtension == FourCharacters(".exe") || nExtension == FourCharacters(".com") ? kReadByProgram
                                                                                        : kReadByInterpreter;
}

bool IsUnsafeOnCommandLine(const char* pszDirectory, CommandReader nReader)
{
    for (const char* pch = OrEmpty(pszDirectory); *pch != '\0'; ++pch) {
        switch (*pch) {
        case ' ':
        case '\t':
        case '"':
            return true;
        case ',':
        case ';':
        case '=':
        case '&':
        case '|':
        case '<':
        case '>':
        case '^':
        case '%':
            if (nReader == kReadByInterpreter)
                return true;
            break;
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
    CommandLineCheck check = {kCommandLineRuns, kNoCommandDirectory, 0, 0};
    const unsigned nUsed = GetTemplateDirectories(pszTemplate);
    const CommandReader nReader = GetTemplateReader(pszTemplate);

    // The first directory of the line that holds a "..": the one to name
    // when the line folds.
    CommandDirectory nTwoDots = kNoCommandDirectory;
    for (int nDir = 0; nDir < kCommandDirectoryCount; ++nDir) {
        const char* const pszGiven = OrEmpty(apszGiven[nDir]);
        if ((nUsed & (1u << nDir)) == 0)
            continue;
        if (nTwoDots == kNoCommandDirectory && HoldsTwoDots(pszGiven))
            nTwoDots = static_cast<CommandDirectory>(nDir);
        // The installed directory is empty until the game is installed; the
        // other two are never empty once found out, and one that is comes
        // before any directory that cannot be carried.
        if (*pszGiven == '\0') {
            if (nDir == kDirectoryInstalled)
                continue;
            check.nStatus = kCommandLineUnknownDirectory;
            check.nDirectory = static_cast<CommandDirectory>(nDir);
            break;
        }
        if (check.nStatus != kCommandLineRuns || !IsUnsafeOnCommandLine(pszGiven, nReader))
            continue;
        char* const pszShort = aszShort[nDir];
        pszShort[0] = '\0'; // a seam that says yes and writes nothing gives no name
        if (shortNames.pfnGetShortName != nullptr &&
            shortNames.pfnGetShortName(pszGiven, pszShort, kShortNameSize, shortNames.pContext) &&
            IsTerminatedWithin(pszShort, kShortNameSize) && *pszShort != '\0' &&
            !IsUnsafeOnCommandLine(pszShort, nReader)) {
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
    const size_t nPieces = CountPieces(szOut);
    const bool bLeavesShare = LeavesItsShare(szOut);
    check.nExpanded = line.nWanted;
    check.nLength = Canonicalize(szOut);
    if (!bRuns)
        return check;
    if (line.nWanted > kMaxCommandLine) {
        check.nStatus = kCommandLineTooLong;
    } else if (CountPieces(szOut) < nPieces || bLeavesShare) {
        check.nStatus = kCommandLineFolded;
        check.nDirectory = nTwoDots;
    }
    return check;
}
