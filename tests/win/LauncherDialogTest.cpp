// The built launcher from the sample CD, driven and watched from outside.
#include "BackdropPixels.h"
#include "LauncherDialogFixture.h"
#include "TestSupport.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace qxtest;

TEST_F(LauncherDialog, ButtonsFollowTheInstalledState)
{
    const TemplateLayout layout = LayOutTemplate();
    ASSERT_EQ(layout.controls.size(), 5u);

    static const struct
    {
        bool bInstalled;
        UINT nCaptionId;
        int nPlaceOf; // whose template rectangle button 1 takes
        bool bConfigureVisible;
    } kRows[] = {
        {true, IDS_PLAY, IDOK, true},
        {false, IDS_INSTALL, IDC_CONFIGURE, false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.bInstalled ? "installed" : "not installed");
        ASSERT_TRUE(Start(row.bInstalled));

        EXPECT_EQ(WindowText(m_hDlg), "");
        TODO_WINE("WM_GETICON and WM_QUERYDRAGICON sent from another process come back null")
        {
            const LRESULT hBig = SendMessageA(m_hDlg, WM_GETICON, ICON_BIG, 0);
            EXPECT_NE(hBig, 0);
            EXPECT_EQ(SendMessageA(m_hDlg, WM_GETICON, ICON_SMALL, 0), hBig);
            EXPECT_EQ(SendMessageA(m_hDlg, WM_QUERYDRAGICON, 0, 0), hBig);
        }

        // The places are the template's, shrunk with the window where it
        // had to fit the work area.
        RECT rcWork, rcClient;
        ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0));
        GetClientRect(m_hDlg, &rcClient);
        auto placeOf = [&](int nId) {
            return RectText(PlaceInWindow(layout, layout.controls.at(nId).rc, m_hDlg, rcWork));
        };
        HWND hButton = GetDlgItem(m_hDlg, IDOK);
        EXPECT_EQ(WindowText(hButton), LauncherString(row.nCaptionId));
        EXPECT_TRUE(IsWindowVisible(hButton));
        EXPECT_EQ(RectText(ClientRectOfChild(m_hDlg, hButton)), placeOf(row.nPlaceOf));
        EXPECT_EQ(GetWindowLongA(hButton, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON)
            << "button 1 is the default";
        EXPECT_EQ(IsWindowVisible(GetDlgItem(m_hDlg, IDC_CONFIGURE)) != FALSE, row.bConfigureVisible);

        // The other buttons keep their places; the template caption never shows.
        for (int nId : {IDC_CONFIGURE, IDC_VIEW_README, IDCANCEL}) {
            EXPECT_EQ(RectText(ClientRectOfChild(m_hDlg, GetDlgItem(m_hDlg, nId))), placeOf(nId))
                << "control " << nId;
        }
        // Whatever the display's font size, every button stands inside the
        // client area, over the picture.
        for (int nId : {IDOK, IDC_CONFIGURE, IDC_VIEW_README, IDCANCEL}) {
            const RECT rc = ClientRectOfChild(m_hDlg, GetDlgItem(m_hDlg, nId));
            RECT rcInside;
            IntersectRect(&rcInside, &rc, &rcClient);
            EXPECT_TRUE(EqualRect(&rcInside, &rc))
                << "control " << nId << " at " << RectText(rc) << ", client area " << RectText(rcClient);
        }
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(m_hDlg, IDC_VIEW_README)));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(m_hDlg, IDCANCEL)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(m_hDlg, IDC_BACKDROP_FRAME)));
        const std::string strTemplateCaption = layout.controls.at(IDOK).strText;
        for (HWND h = GetWindow(m_hDlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            EXPECT_NE(WindowText(h), strTemplateCaption) << "control " << GetDlgCtrlID(h);

        ASSERT_TRUE(Quit());
    }
}

TEST_F(LauncherDialog, QuitAndEscapeEndTheLauncherAndRunNothing)
{
    static const struct
    {
        const char* pszName;
        bool bEscape;
    } kRows[] = {{"Quit", false}, {"Escape", true}};
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        ASSERT_TRUE(Start(true));
        if (row.bEscape)
            PostMessageA(GetDlgItem(m_hDlg, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        else
            Click(IDCANCEL);
        DWORD nExitCode = 1;
        ASSERT_TRUE(WaitForEnd(&nExitCode)) << "the launcher did not end";
        EXPECT_EQ(nExitCode, 0u);
        EXPECT_TRUE(RanLinesAfterBarrier().empty());
        EXPECT_TRUE(NotepadWindows().empty());
        DeleteFileA(kRanPath);
    }
}

TEST_F(LauncherDialog, WarningComesFirstCancelKeepsTheDialogOkRunsAndEnds)
{
    static const struct
    {
        const char* pszName;
        bool bInstalled;
        int nButton;
        bool bEnterKey; // Enter instead of a click
        const char* pszRan;
    } kRows[] = {
        {"Play", true, IDOK, false, "gostart c c:\\qxtest_game qx.pif"},
        {"Configure", true, IDC_CONFIGURE, false, "gostart c c:\\qxtest_game qxconfig.pif"},
        {"Install", false, IDOK, false, "runcheck d:\\qxinst.pif d:\\qxchk.pif"},
        {"Install by Enter", false, IDOK, true, "runcheck d:\\qxinst.pif d:\\qxchk.pif"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        DeleteFileA(kRanPath);
        ASSERT_TRUE(Start(row.bInstalled));

        // Twice: Cancel the first time, OK the second.
        for (int nAnswer : {IDCANCEL, IDOK}) {
            SCOPED_TRACE(nAnswer == IDOK ? "OK" : "Cancel");
            if (row.bEnterKey)
                PostMessageA(GetDlgItem(m_hDlg, row.nButton), WM_KEYDOWN, VK_RETURN, 0);
            else
                Click(row.nButton);
            HWND hBox = WaitForLauncherMessageBox();
            ASSERT_NE(hBox, nullptr) << "no warning";
            EXPECT_EQ(WindowText(hBox), "Qxinst95");
            EXPECT_EQ(WindowText(GetDlgItem(hBox, kMessageBoxTextId)), LauncherString(IDS_CONFIRM_DOS_MODE));
            EXPECT_EQ(GetWindow(hBox, GW_OWNER), m_hDlg);
            EXPECT_NE(GetDlgItem(hBox, IDOK), nullptr);
            EXPECT_NE(GetDlgItem(hBox, IDCANCEL), nullptr);
            PostMessageA(hBox, WM_COMMAND, nAnswer, 0);
            if (nAnswer == IDCANCEL) {
                ASSERT_TRUE(WaitFor([&] { return NoMessageBox(); })) << "the warning stayed";
                EXPECT_TRUE(IsWindowVisible(m_hDlg));
            }
        }
        DWORD nExitCode = 1;
        ASSERT_TRUE(WaitForEnd(&nExitCode)) << "the launcher did not end after OK";
        EXPECT_EQ(nExitCode, 0u);
        EXPECT_TRUE(WaitForRanLine(row.pszRan)) << "the command did not run";
        // Exactly one start: the Cancel ran nothing.
        EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{row.pszRan});
    }
}

// Two clicks queued before the first is handled (a double click on a slow
// machine): one warning, and after OK exactly one command. A third message
// queued behind them, which presses View Readme's button down, shows when
// both clicks have been handled.
TEST_F(LauncherDialog, StackedClicksOpenOneWarningAndRunOneCommand)
{
    static const struct
    {
        const char* pszName;
        bool bInstalled;
        int nFirst, nSecond;
        const char* pszRan;
    } kRows[] = {
        {"Play twice", true, IDOK, IDOK, "gostart c c:\\qxtest_game qx.pif"},
        {"Play, then Configure", true, IDOK, IDC_CONFIGURE, "gostart c c:\\qxtest_game qx.pif"},
        {"Configure, then Quit", true, IDC_CONFIGURE, IDCANCEL, "gostart c c:\\qxtest_game qxconfig.pif"},
        {"Install twice", false, IDOK, IDOK, "runcheck d:\\qxinst.pif d:\\qxchk.pif"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        DeleteFileA(kRanPath);
        ASSERT_TRUE(Start(row.bInstalled));
        HWND hMarker = GetDlgItem(m_hDlg, IDC_VIEW_README);
        Click(row.nFirst);
        Click(row.nSecond);
        PostMessageA(hMarker, BM_SETSTATE, TRUE, 0);
        HWND hBox = WaitForLauncherMessageBox();
        ASSERT_NE(hBox, nullptr) << "no warning";
        EXPECT_TRUE(WaitFor([&] { return (SendMessageA(hMarker, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; }))
            << "the queued messages were not handled";
        std::vector<HWND> boxes = FindTopLevelWindows(m_launcher->Id(), "#32770");
        boxes.erase(std::remove(boxes.begin(), boxes.end(), m_hDlg), boxes.end());
        EXPECT_EQ(boxes.size(), 1u) << "one warning only";
        for (HWND h : boxes)
            PostMessageA(h, WM_COMMAND, IDOK, 0);

        DWORD nExitCode = 1;
        ASSERT_TRUE(WaitForEnd(&nExitCode)) << "the launcher did not end after OK";
        EXPECT_TRUE(WaitForRanLine(row.pszRan)) << "the command did not run";
        EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{row.pszRan}) << "exactly one start";
    }
}

TEST_F(LauncherDialog, ViewReadmeOpensTheReadmeEachTimeWithoutAsking)
{
    ASSERT_TRUE(Start(true));
    for (int nPress = 1; nPress <= 3; ++nPress) {
        SCOPED_TRACE(testing::Message() << "press " << nPress);
        Click(IDC_VIEW_README);
        // The editor names the file in its title once it has loaded it.
        std::string strTitle;
        EXPECT_TRUE(WaitFor([&] {
            std::vector<HWND> notepads = NotepadWindows();
            strTitle = notepads.empty() ? std::string() : WindowText(notepads.front());
            CharLowerBuffA(&strTitle[0], static_cast<DWORD>(strTitle.size()));
            return strTitle.find("readme") != std::string::npos;
        })) << "no editor window with the read-me; title \""
            << strTitle << "\"";
        EXPECT_EQ(NotepadWindows().size(), 1u);
        EXPECT_TRUE(NoMessageBox());
        EXPECT_TRUE(IsWindowVisible(m_hDlg));
        CloseNotepads();
    }
    EXPECT_TRUE(RanLinesAfterBarrier().empty()) << "no batch file runs for the read-me";
    EXPECT_TRUE(Quit());
}

TEST_F(LauncherDialog, BackdropFillsTheClientAreaOutsideTheButtons)
{
    const CLauncherModule launcher;
    ASSERT_NE(launcher, nullptr);
    PackedDib dib;
    ASSERT_TRUE(ReadPackedDib(launcher, IDB_BACKDROP, &dib));

    for (bool bInstalled : {true, false}) {
        SCOPED_TRACE(bInstalled ? "installed" : "not installed");
        ASSERT_TRUE(Start(bInstalled));
        RECT rcClient;
        GetClientRect(m_hDlg, &rcClient);
        // At 96 dots per inch the client area is exactly the picture's size.
        if (ScreenAtDefaultDpi()) {
            EXPECT_EQ(rcClient.right, 600);
            EXPECT_EQ(rcClient.bottom, 400);
        }
        const int nCompared =
            ExpectClientAreaShows(m_hDlg, ExpectedBackdrop(dib, rcClient.right, rcClient.bottom));
        // Most of the window is on the screen, even on a small one.
        EXPECT_GT(nCompared, 600 * 400 / 2);
        ASSERT_TRUE(Quit());
    }
}

// The window has its template's size at the display's setting where that
// fits the work area; otherwise it shrinks until it fits, and then fills the
// work area on one side. Either way it opens centred in the work area.
TEST_F(LauncherDialog, OpensCentredInsideTheWorkArea)
{
    const TemplateLayout layout = LayOutTemplate();
    // Above 96 dots per inch the template grows with its font.
    if (ScreenDpi() > 96) {
        EXPECT_GT(layout.rcClient.right, 600);
        EXPECT_GT(layout.rcClient.bottom, 400);
    }
    ASSERT_TRUE(Start(true));
    RECT rcWork, rcWindow, rcClient;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0));
    GetWindowRect(m_hDlg, &rcWindow);
    GetClientRect(m_hDlg, &rcClient);
    const int cxWork = rcWork.right - rcWork.left, cyWork = rcWork.bottom - rcWork.top;
    const int cxWindow = rcWindow.right - rcWindow.left, cyWindow = rcWindow.bottom - rcWindow.top;
    const std::string strSeen = "work area " + RectText(rcWork) + ", window " + RectText(rcWindow);
    if (layout.rcClient.right + cxWindow - rcClient.right <= cxWork &&
        layout.rcClient.bottom + cyWindow - rcClient.bottom <= cyWork) {
        EXPECT_EQ(RectText(rcClient), RectText(layout.rcClient)) << "a window that fits stays as it is";
    } else {
        EXPECT_TRUE(cxWindow == cxWork || cyWindow == cyWork)
            << "shrunk no further than it must; " << strSeen;
    }
    EXPECT_EQ(rcWindow.left, rcWork.left + (cxWork - cxWindow) / 2) << strSeen;
    EXPECT_EQ(rcWindow.top, rcWork.top + (cyWork - cyWindow) / 2) << strSeen;
    EXPECT_TRUE(Quit());
}
