// The launcher as a user runs it: started from the sample CD with the game
// installed or not, its window found and driven from outside.
#pragma once

#include "TestSupport.h"
#include "res/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qxtest {

// The folder that qx.ini names when the game counts as installed.
extern const char kGameDir[]; // c:\qxtest_game

// The rectangle of a child window in its parent's client coordinates.
RECT ClientRectOfChild(HWND hDlg, HWND hChild);

std::string RectText(const RECT& rc);

// Dialog template 102 as the system lays it out at this program's display
// setting, before the launcher changes anything: its window's size, its
// client area and its controls by id.
struct TemplateControl
{
    RECT rc;
    std::string strText;
};
struct TemplateLayout
{
    SIZE window;
    RECT rcClient;
    std::map<int, TemplateControl> controls;
};
TemplateLayout LayOutTemplate();

// Where the launcher window hDlg has rectangle rc of the template, in client
// coordinates: where it is, unless the window had to shrink to fit the work
// area rcWork; then scaled, to the nearest pixel, by the factor that took the
// template's client area to the window's on the side that fills the work area.
RECT PlaceInWindow(const TemplateLayout& layout, const RECT& rc, HWND hDlg, const RECT& rcWork);

// The system text editor's windows, whoever started them.
std::vector<HWND> NotepadWindows();
void CloseNotepads();

// Starts the launcher from the CD with the game installed or not, and finds
// its window. Everything the run leaves behind goes with the object.
class LauncherDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetEnvironmentVariableA("QX_TEST_RAN", kRanPath);
        DeleteFileA(kRanPath);
        CloseNotepads();
    }
    void TearDown() override
    {
        m_launcher.reset();
        CloseNotepads();
        SetIni(false);
        SetEnvironmentVariableA("QX_TEST_RAN", nullptr);
    }

    static void SetIni(bool bInstalled)
    {
        if (bInstalled)
            CreateDirectoryA(kGameDir, nullptr);
        SetQxIni(bInstalled ? "[Orvane]\r\nInstallDir=C:\\qxtest_game\r\n" : nullptr);
    }

    // Starts the launcher; false when its window does not appear.
    bool Start(bool bInstalled)
    {
        SetIni(bInstalled);
        m_launcher.reset(new Process);
        if (!m_launcher->Start(kLauncherPath, "D:\\"))
            return false;
        m_hDlg = WaitForTopLevelWindow(m_launcher->Id(), "#32770");
        return m_hDlg != nullptr;
    }

    // The launcher's message box, once one is open; null on time-out.
    HWND WaitForLauncherMessageBox() { return WaitForMessageBox(m_launcher->Id(), m_hDlg); }

    bool NoMessageBox() { return FindTopLevelWindows(m_launcher->Id(), "#32770").size() == 1; }

    bool WaitForEnd(DWORD* pExitCode) { return m_launcher->WaitForExit(pExitCode); }

    void Click(int nId) { PostMessageA(GetDlgItem(m_hDlg, nId), BM_CLICK, 0, 0); }

    // Presses Quit; false when the launcher does not end.
    bool Quit()
    {
        Click(IDCANCEL);
        DWORD nExitCode = 1;
        return WaitForEnd(&nExitCode);
    }

    std::unique_ptr<Process> m_launcher;
    HWND m_hDlg = nullptr;
    ScopedCleanup m_cleanup{kGameDir, kIniPath, kBatchPath, kMarkerPath, kRanPath};
};

} // namespace qxtest
