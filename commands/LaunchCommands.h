// The five command lines the launcher can start.
#pragma once

#include "platform/String.h"

// Index of a command line; slot n takes its template from string n + 3. An
// int underneath, so that any int names a slot, if not a valid one.
enum CommandSlot : int
{
    kSlotViewReadme = 0,
    kSlotInstall = 1,
    kSlotPlay = 2,
    kSlotUnused = 3, // bound to no button
    kSlotConfigure = 4,
    kCommandSlotCount = 5
};

class CLaunchCommands
{
public:
    // Loads the five templates and expands each against the directories:
    // $s source, $i installed, $I the installed drive, $w Windows. Every line
    // is then canonicalised as a path and lower-cased.
    void ExpandCommandTemplates(const char* pszSourceDir, const char* pszInstalledDir,
                                const char* pszWindowsDir);

    // Starts the slot's command line; TRUE when the system started a program.
    BOOL RunCommand(CommandSlot nSlot) const;

    CString m_strCommand[kCommandSlotCount];
};
