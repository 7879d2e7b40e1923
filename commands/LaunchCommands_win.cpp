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

// Why a line must not run, for the user, into szText.
void FormatRefusal(CommandSlot nSlot, const CommandLineCheck& check, const char* const apszDirs[],
                   char (&szText)[kMessageSize])
{
    static_assert(kMaxCommandLine == 255, "the text of a line that was cut names the limit");
    const char* pszFormat = "%s: its command line would be longer than 255 characters.";
    const char* pszWhich = nullptr;
    switch (check.nStatus) {
    case kCommandLineFolded:
        if (check.nDirectory == kNoCommandDirectory) {
            pszFormat = "%s: a \"..\" in its command line would change the program or its arguments.";
            break;
        }
        // A folder whose ".." reaches back over the line is one that the line cannot carry.
        [[fallthrough]];
    case kCommandLineUnsafeDirectory:
        pszFormat = "%s: the folder %s has a name that cannot go on a command line.";
        pszWhich = apszDirs[check.nDirectory];
        break;
    case kCommandLineUnknownDirectory:
        pszFormat = "%s: the launcher could not find out %s.";
        pszWhich =
            check.nDirectory == kDirectorySource ? "the folder it was started from" : "the Windows folder";
        break;
    default:
        break;
    }
    ::wsprintfA(szText, pszFormat, kNotStarted[nSlot], pszWhich);
}

} // namespace

void CLaunchCommands::ExpandCommandTemplates(const char* pszSourceDir, const char* pszInstalledDir,
                                             const char* pszWindowsDir)
{
    const char* const apszDirs[kCommandDirectoryCount] = {pszSourceDir, pszInstalledDir, pszWindowsDir};
    const CommandTemplateSeam seam = {ReportUnknownCode, nullptr};
    const ShortNameSeam shortNames = {GetShortName, nullptr};
    for (int nSlot = 0; nSlot < kCommandSlotCount; ++nSlot) {
        // A missing template leaves its slot empty.
        m_strCommand[nSlot].LoadString(kTemplateIds[nSlot]);
        char szLine[kMaxCommandLine + 1];
        const CommandLineCheck check = ExpandCommandLine(m_strCommand[nSlot], pszSourceDir, pszInstalledDir,
                                                         pszWindowsDir, seam, shortNames, szLine);
        m_strCommand[nSlot] = szLine;
        m_strCommand[nSlot].MakeLower();
        m_nStatus[nSlot] = check.nStatus;
        if (check.nStatus != kCommandLineRuns) {
            char szText[kMessageSize];
            FormatRefusal(static_cast<CommandSlot>(nSlot), check, apszDirs, szText);
            m_strRefusal[nSlot] = szText;
        }
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
        // The program a line names: everything before its first blank.
        char szProgram[kMaxCommandLine + 1];
        const char* const pszLine = m_strCommand[nSlot];
        size_t nLength = 0;
        for (; pszLine[nLength] != '\0' && pszLine[nLength] != ' ' && nLength < kMaxCommandLine; ++nLength)
            szProgram[nLength] = pszLine[nLength];
        szProgram[nLength] = '\0';
        const char* pszFormat = "%s: the system could not start %s (error %u).";
        if (nLength == 0)
            pszFormat = "%s: there is no command for it.";
        else if (nResult == ERROR_FILE_NOT_FOUND || nResult == ERROR_PATH_NOT_FOUND)
            pszFormat = "%s: %s was not found.";
        char szText[kMessageSize];
        ::wsprintfA(szText, pszFormat, kNotStarted[nSlot], szProgram, nResult);
        *pstrWhy = szText;
    }
    return FALSE;
}

BOOL GetCommandLineDirectory(const char* pszDirectory, char (&szOut)[kMaxCommandLine + 1])
{
    // Expanded as a line of its own that names no program file, the folder
    // goes by the command interpreter's rule: a batch file names it.
    const CommandTemplateSeam seam = {nullptr, nullptr};
    const ShortNameSeam shortNames = {GetShortName, nullptr};
    return ExpandCommandLine("$s", pszDirectory, "", "", seam, shortNames, szOut).nStatus == kCommandLineRuns;
}
