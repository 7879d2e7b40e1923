// What the launcher finds out about where it runs, once, at start-up.
#pragma once

#include "platform/String.h"

struct LaunchContext
{
    BOOL m_bInstalled = FALSE; // TRUE exactly when m_strInstalledDir is set
    CString m_strSourceDir;    // the launcher's own directory, no trailing backslash ("D:" at a root)
    CString m_strInstalledDir; // the InstallDir value as written, when it exists
    CString m_strWindowsDir;   // as the system reports it
};
