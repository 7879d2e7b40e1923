// The built launcher, started from the sample CD in drive D: like a user
// would, watched from outside.
#include "TestSupport.h"
#include "res/resource.h"

#include <gtest/gtest.h>

using namespace qxtest;

TEST(LauncherProcess, ShowsItsWindowEndsOnEscapeAndExitsWithZero)
{
    ScopedCleanup cleanup{kBatchPath, kMarkerPath};
    Process launcher;
    ASSERT_TRUE(launcher.Start(kLauncherPath, "D:\\"));
    HWND hDlg = WaitForTopLevelWindow(launcher.Id(), "#32770");
    ASSERT_NE(hDlg, nullptr) << "no launcher window";

    EXPECT_EQ(WindowText(hDlg), "");
    RECT rc;
    GetClientRect(hDlg, &rc);
    EXPECT_EQ(rc.right, 600);
    EXPECT_EQ(rc.bottom, 400);
    const LONG dwStyle = GetWindowLongA(hDlg, GWL_STYLE);
    EXPECT_EQ(dwStyle & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(GetWindowLongA(hDlg, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

    // Centred in the work area.
    RECT rcWindow, rcWork;
    GetWindowRect(hDlg, &rcWindow);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    EXPECT_NEAR((rcWindow.left + rcWindow.right) / 2.0, (rcWork.left + rcWork.right) / 2.0, 1.0);
    EXPECT_NEAR((rcWindow.top + rcWindow.bottom) / 2.0, (rcWork.top + rcWork.bottom) / 2.0, 1.0);

    static const struct
    {
        int nId;
        const char* pszClass;
        bool bVisible;
    } kControls[] = {
        {IDC_BACKDROP_FRAME, "Static", false},
        {IDOK, "Button", true},
        {IDC_VIEW_README, "Button", true},
        {IDCANCEL, "Button", true},
    };
    for (const auto& c : kControls) {
        HWND hCtl = GetDlgItem(hDlg, c.nId);
        ASSERT_NE(hCtl, nullptr) << "control " << c.nId;
        EXPECT_STRCASEEQ(ClassName(hCtl).c_str(), c.pszClass) << "control " << c.nId;
        EXPECT_EQ(IsWindowVisible(hCtl) != FALSE, c.bVisible) << "control " << c.nId;
    }

    // Escape goes through the dialog manager of the launcher's modal loop.
    HWND hFocusTarget = GetDlgItem(hDlg, IDOK);
    PostMessageA(hFocusTarget, WM_KEYDOWN, VK_ESCAPE, 0);
    DWORD nExitCode = 1;
    ASSERT_TRUE(launcher.WaitForExit(&nExitCode)) << "the launcher did not end on Escape";
    EXPECT_EQ(nExitCode, 0u);
}
