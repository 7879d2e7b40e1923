// The command lines on Win32: templates from the string table, unknown codes
// reported in a message box, lines started with WinExec.
#include "commands/LaunchCommands.h"

#include "commands/ExpandCommandTemplate.h"
#include "res/resource.h"

namespace {

// Slot n takes its template from string n + 3.
const UINT kTemplateIds[kCommandSlotCount] = {
    IDS_CMD_VIEW_README, IDS_CMD_INSTALL, IDS_CMD_PLAY, IDS_CMD_UNUSED, IDS_CMD_CONFIGURE,
};

void ReportUnknownCode(void*)
{
    // No caption of its own: the system shows its default one.
    ::MessageBoxA(nullptr, "Unknown substitution in string resource", nullptr,
                  MB_OK | MB_ICONHAND | MB_SYSTEMMODAL);
}

} // namespace

void CLaunchCommands::ExpandCommandTemplates(const char* pszSourceDir, const char* pszInstalledDir,
                                             const char* pszWindowsDir)
{
    // A missing template leaves its slot empty.
    for (int nSlot = 0; nSlot < kCommandSlotCount; ++nSlot)
        m_strCommand[nSlot].LoadString(kTemplateIds[nSlot]);

    const CommandTemplateSeam seam = {ReportUnknownCode, nullptr};
    for (CString& strCommand : m_strCommand) {
        char szLine[kMaxCommandLine + 1];
        ExpandCommandTemplate(strCommand, pszSourceDir, pszInstalledDir, pszWindowsDir, seam, szLine);
        strCommand = szLine;
        strCommand.MakeLower();
    }
}

BOOL CLaunchCommands::RunCommand(CommandSlot nSlot) const
{
    // Callers pass constants; anything else would read outside the lines.
    if (nSlot < 0 || nSlot >= kCommandSlotCount)
        return FALSE;
    // Results up to 31 are errors (2: the program was not found, and so on).
    return ::WinExec(m_strCommand[nSlot], SW_SHOW) > 31;
}
