// The command lines on Win32: templates from the string table, unknown codes
// reported in a message box, short names from the file system, lines started
// with WinExec.
#include "commands/LaunchCommands.h"

#include "commands/ExpandCommandTemplate.h"
#include "res/resource.h"

#include <string.h>

namespace {

// Slot n takes its template from string n + 3.
const UINT kTemplateIds[kCommandSlotCount] = {
    IDS_CMD_VIEW_README, IDS_CMD_INSTALL, IDS_CMD_PLAY, IDS_CMD_UNUSED, IDS_CMD_CONFIGURE,
};

// What each slot starts, as the user is told when it does not. These and the
// reasons below are literals: the string table is fixed at nine strings.
const char* const kNotStarted[kCommandSlotCount] = {
    "Could not open the read-me",        // View Readme
    "Could not start the installer",     // Install
    "Could not start the game",          // Play
    "Could not run the command",         // bound to no button
    "Could not start the game's set-up", // Configure
};

// wsprintfA writes at most 1024 characters; a folder has at most 260.
const int kMessageSize = 1024;

void ReportUnknownCode(void*)
{
    // No caption of its own: the system shows its default one.
    ::MessageBoxA(nullptr, "Unknown substitution in string resource", nullptr,
                  MB_OK | MB_ICONHAND | MB_SYSTEMMODAL);
}

// GetShortPathNameA gives the name MS-DOS mode sees; it needs the file or
// folder to exist, which every directory the launcher knows does.
bool GetShortName(const char* pszDirectory, char* pchOut, size_t nOut, void*)
{
    const DWORD nLength = ::GetShortPathNameA(pszDirectory, pchOut, static_cast<DWORD>(nOut));
    return nLength != 0 && nLength < nOut;
}

CString FormatRefusal(CommandSlot nSlot, const CommandLineCheck& check, const char* const apszDirs[])
{
    char szText[kMessageSize];
    const char* const pszWhat = kNotStarted[nSlot];
    switch (check.nStatus) {
    case kCommandLineFolded:
        if (check.nDirectory == kNoCommandDirectory) {
            ::wsprintfA(szText, "%s: a \"..\" in its command line would change the program or its arguments.",
                        pszWhat);
            break;
        }
        // A folder whose ".." reaches back over the line is one that the line cannot carry.
        [[fallthrough]];
    case kCommandLineUnsafeDirectory:
        ::wsprintfA(szText, "%s: the folder %s has a name that cannot go on a command line.", pszWhat,
                    apszDirs[check.nDirectory]);
        break;
    case kCommandLineTooLong:
        ::wsprintfA(szText, "%s: its command line would be longer than %d characters.", pszWhat,
                    static_cast<int>(kMaxCommandLine));
        break;
    case kCommandLineUnknownDirectory:
        ::wsprintfA(szText, "%s: the launcher could not find out %s.", pszWhat,
                    check.nDirectory == kDirectorySource ? "the folder it was started from"
                                                         : "the Windows folder");
        break;
    default:
        szText[0] = '\0';
        break;
    }
    CString strText;
    strText = szText;
    return strText;
}

// The program a line names: everything before its first blank.
CString ProgramOf(const char* pszLine)
{
    char szProgram[kMaxCommandLine + 1];
    const char* const pchBlank = strchr(pszLine, ' ');
    size_t nLength = pchBlank ? static_cast<size_t>(pchBlank - pszLine) : strlen(pszLine);
    if (nLength > kMaxCommandLine)
        nLength = kMaxCommandLine;
    memcpy(szProgram, pszLine, nLength);
    szProgram[nLength] = '\0';
    CString strProgram;
    strProgram = szProgram;
    return strProgram;
}

} // namespace

void CLaunchCommands::ExpandCommandTemplates(const char* pszSourceDir, const char* pszInstalledDir,
                                             const char* pszWindowsDir)
{
    // A missing template leaves its slot empty.
    for (int nSlot = 0; nSlot < kCommandSlotCount; ++nSlot)
        m_strCommand[nSlot].LoadString(kTemplateIds[nSlot]);

    const char* const apszDirs[kCommandDirectoryCount] = {pszSourceDir, pszInstalledDir, pszWindowsDir};
    const CommandTemplateSeam seam = {ReportUnknownCode, nullptr};
    const ShortNameSeam shortNames = {GetShortName, nullptr};
    for (int nSlot = 0; nSlot < kCommandSlotCount; ++nSlot) {
        char szLine[kMaxCommandLine + 1];
        const CommandLineCheck check = ExpandCommandLine(m_strCommand[nSlot], pszSourceDir, pszInstalledDir,
                                                         pszWindowsDir, seam, shortNames, szLine);
        m_strCommand[nSlot] = szLine;
        m_strCommand[nSlot].MakeLower();
        m_nStatus[nSlot] = check.nStatus;
        m_strRefusal[nSlot] = FormatRefusal(static_cast<CommandSlot>(nSlot), check, apszDirs);
    }
}

BOOL CLaunchCommands::RunCommand(CommandSlot nSlot, CString* pstrWhy) const
{
    // Callers pass constants; anything else would read outside the lines.
    if (nSlot < 0 || nSlot >= kCommandSlotCount)
        return FALSE;
    if (m_nStatus[nSlot] != kCommandLineRuns) {
        if (pstrWhy)
            *pstrWhy = m_strRefusal[nSlot];
        return FALSE;
    }

    // Results up to 31 are errors (2: the program was not found, and so on).
    const UINT nResult = ::WinExec(m_strCommand[nSlot], SW_SHOW);
    if (nResult > 31)
        return TRUE;
    if (pstrWhy) {
        const CString strProgram = ProgramOf(m_strCommand[nSlot]);
        char szText[kMessageSize];
        if (strProgram.IsEmpty())
            ::wsprintfA(szText, "%s: there is no command for it.", kNotStarted[nSlot]);
        else if (nResult == ERROR_FILE_NOT_FOUND || nResult == ERROR_PATH_NOT_FOUND)
            ::wsprintfA(szText, "%s: %s was not found.", kNotStarted[nSlot],
                        static_cast<const char*>(strProgram));
        else
            ::wsprintfA(szText, "%s: the system could not start %s (error %u).", kNotStarted[nSlot],
                        static_cast<const char*>(strProgram), nResult);
        *pstrWhy = szText;
    }
    return FALSE;
}

BOOL GetCommandLineDirectory(const char* pszDirectory, char (&szOut)[MAX_PATH])
{
    szOut[0] = '\0';
    const char* const psz = pszDirectory ? pszDirectory : "";
    // The batch file for MS-DOS mode names it: the command interpreter reads it.
    if (!IsUnsafeOnCommandLine(psz, kReadByInterpreter)) {
        const size_t nLength = strlen(psz);
        if (nLength >= MAX_PATH)
            return FALSE;
        memcpy(szOut, psz, nLength + 1);
        return TRUE;
    }
    if (GetShortName(psz, szOut, MAX_PATH, nullptr) && !IsUnsafeOnCommandLine(szOut, kReadByInterpreter))
        return TRUE;
    szOut[0] = '\0';
    return FALSE;
}
