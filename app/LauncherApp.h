// The application object: finds out the launch context, prepares the command
// lines, shows the launcher window once and ends.
#pragma once

#include "app/LaunchContext.h"
#include "commands/LaunchCommands.h"
#include "platform/WinApp.h"

class CLauncherApp : public CWinApp
{
public:
    CLauncherApp();
    ~CLauncherApp() override;

    // Always FALSE: everything happens inside the modal dialog, and there is
    // no message loop afterwards.
    BOOL InitInstance() override;

    // Fills m_context; while the game is not recorded as installed, also
    // writes the two files for MS-DOS mode.
    void DiscoverLaunchContext();

    CLaunchCommands m_commands;
    LaunchContext m_context;

    DECLARE_MESSAGE_MAP()

private:
    void WriteFirstRunFiles(const char* pszSourceDir);
};
