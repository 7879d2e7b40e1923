// The launcher's dialog inside this process, run modally and driven from
// another thread.
#include "BackdropPixels.h"
#include "LauncherDialogFixture.h"
#include "TestSupport.h"
#include "commands/LaunchCommands.h"
#include "platform/Module.h"
#include "platform/WinApp.h"
#include "res/resource.h"
#include "ui/LauncherDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace qxtest;

namespace {

// ---------------------------------------------------------------------------
// The dialog inside this process: the launcher's template, strings and icon
// through the resource handle, and this program's small bitmap 130 as the
// backdrop. Its command lines are empty, so nothing can start.

class LauncherDialogInProcess : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(m_launcherResources.Get(), nullptr); }

    // Runs the dialog modally, as the application's main window, while
    // scenario works on its window from another thread; returns what DoModal
    // returned. A scenario that leaves the dialog open has it cancelled.
    static INT_PTR Run(BOOL bInstalled, const std::function<void(HWND)>& scenario,
                       CLaunchCommands* pCommands = nullptr)
    {
        CLaunchCommands emptyCommands;
        CLauncherDlg dlg(bInstalled, pCommands ? pCommands : &emptyCommands, nullptr);
        CWinApp app;
        app.m_pMainWnd = &dlg;
        std::thread driver([&] {
            HWND hDlg = WaitForTopLevelWindow(GetCurrentProcessId(), "#32770");
            if (!hDlg) {
                ADD_FAILURE() << "no dialog";
                return;
            }
            scenario(hDlg);
            if (!WaitFor([&] { return !IsWindow(hDlg); }, 5000)) {
                ADD_FAILURE() << "the dialog is still open";
                for (HWND h : FindTopLevelWindows(GetCurrentProcessId(), "#32770"))
                    PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
            }
        });
        const INT_PTR nResult = dlg.DoModal();
        driver.join();
        // The main window's end asks the application to quit; the next run
        // must not find that in the queue.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            ;
        return nResult;
    }

    ScopedLauncherResources m_launcherResources;
};

} // namespace

TEST_F(LauncherDialogInProcess, SetsItsIconRealisesItsPaletteAndPaintsItsBackdrop)
{
    PackedDib dib;
    ASSERT_TRUE(ReadPackedDib(GetModuleHandleA(nullptr), IDB_BACKDROP, &dib));

    const INT_PTR nResult = Run(TRUE, [&](HWND hDlg) {
        const LRESULT hBig = SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(hBig, 0);
        EXPECT_EQ(SendMessageA(hDlg, WM_GETICON, ICON_SMALL, 0), hBig);
        EXPECT_EQ(SendMessageA(hDlg, WM_QUERYDRAGICON, 0, 0), hBig);
        EXPECT_EQ(SendMessageA(hDlg, WM_QUERYNEWPALETTE, 0, 0), TRUE);

        // At 96 dots per inch this program's small picture at its own size in
        // the top-left corner and the dialog's own background beyond it;
        // elsewhere the picture stretched over the whole client area.
        RECT rcClient;
        GetClientRect(hDlg, &rcClient);
        ExpectClientAreaShows(hDlg, ExpectedBackdrop(dib, rcClient.right, rcClient.bottom));
        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(nResult, IDCANCEL);
}

// A command that does not start (here: an empty line) is reported in a box
// owned by the window, and the window stays open; Quit then ends it.
TEST_F(LauncherDialogInProcess, ACommandThatDoesNotStartIsReportedAndTheWindowStays)
{
    static const struct
    {
        const char* pszName;
        BOOL bInstalled;
        int nButton;
        bool bWarns;
        const char* pszReport;
    } kRows[] = {
        {"Play", TRUE, IDOK, true, "Could not start the game: there is no command for it."},
        {"Configure", TRUE, IDC_CONFIGURE, true,
         "Could not start the game's set-up: there is no command for it."},
        {"Install", FALSE, IDOK, true, "Could not start the installer: there is no command for it."},
        {"View Readme", TRUE, IDC_VIEW_README, false,
         "Could not open the read-me: there is no command for it."},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        const INT_PTR nResult = Run(row.bInstalled, [&](HWND hDlg) {
            PostMessageA(GetDlgItem(hDlg, row.nButton), BM_CLICK, 0, 0);
            HWND hBox = WaitForMessageBox(GetCurrentProcessId(), hDlg);
            ASSERT_NE(hBox, nullptr);
            if (row.bWarns) {
                EXPECT_EQ(WindowText(GetDlgItem(hBox, kMessageBoxTextId)),
                          LauncherString(IDS_CONFIRM_DOS_MODE));
                PostMessageA(hBox, WM_COMMAND, IDOK, 0);
                ASSERT_TRUE(WaitFor([&] { return !IsWindow(hBox); }));
                hBox = WaitForMessageBox(GetCurrentProcessId(), hDlg);
                ASSERT_NE(hBox, nullptr) << "no report";
            }
            const MessageBoxSeen seen = ReadMessageBox(hBox);
            EXPECT_EQ(seen.strText, row.pszReport);
            EXPECT_EQ(seen.hOwner, hDlg);
            PostMessageA(hBox, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitFor([&] { return !IsWindow(hBox); }));
            EXPECT_TRUE(IsWindowVisible(hDlg)) << "the window stays";
            PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(nResult, IDCANCEL);
    }
}

namespace {

// Refuses every owned top-level window that this thread creates: the
// launcher's warning box then cannot open.
LRESULT CALLBACK RefuseOwnedWindows(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND) {
        const CREATESTRUCTA* pCreate = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        if (pCreate->hwndParent && !(pCreate->style & WS_CHILD))
            return 1;
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

} // namespace

// A warning box that cannot open has not warned anyone: nothing runs and the
// window stays. The lines would run a sample CD batch file that records
// itself.
TEST_F(LauncherDialogInProcess, WarningThatCannotOpenCountsAsARefusal)
{
    ScopedCleanup cleanup{kRanPath};
    SetEnvironmentVariableA("QX_TEST_RAN", kRanPath);
    DeleteFileA(kRanPath);
    CLaunchCommands commands;
    for (CString& strCommand : commands.m_strCommand)
        strCommand = "d:\\instdata\\runcheck.bat refused warning";

    static const struct
    {
        const char* pszName;
        BOOL bInstalled;
        int nButton;
    } kRows[] = {{"Play", TRUE, IDOK}, {"Configure", TRUE, IDC_CONFIGURE}, {"Install", FALSE, IDOK}};
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        HHOOK hHook = SetWindowsHookExA(WH_CBT, RefuseOwnedWindows, nullptr, GetCurrentThreadId());
        ASSERT_NE(hHook, nullptr);
        // Quit is queued behind the click: it ends the window only if the
        // click left it open.
        const INT_PTR nResult = Run(
            row.bInstalled,
            [&](HWND hDlg) {
                PostMessageA(GetDlgItem(hDlg, row.nButton), BM_CLICK, 0, 0);
                PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            },
            &commands);
        UnhookWindowsHookEx(hHook);
        EXPECT_EQ(nResult, IDCANCEL);
    }
    EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{}) << "nothing may run unwarned";
    SetEnvironmentVariableA("QX_TEST_RAN", nullptr);
}

namespace {

// Gives this process another work area while it lives, as a taskbar of
// another size or place would (under Wine the setting stays in the process).
class ScopedWorkArea
{
public:
    explicit ScopedWorkArea(RECT rc)
    {
        m_bSaved = SystemParametersInfoA(SPI_GETWORKAREA, 0, &m_rcOld, 0) != FALSE;
        m_bSet = m_bSaved && SystemParametersInfoA(SPI_SETWORKAREA, 0, &rc, 0) != FALSE;
    }
    ~ScopedWorkArea()
    {
        if (m_bSaved)
            SystemParametersInfoA(SPI_SETWORKAREA, 0, &m_rcOld, 0);
    }
    ScopedWorkArea(const ScopedWorkArea&) = delete;
    ScopedWorkArea& operator=(const ScopedWorkArea&) = delete;

    bool IsSet() const { return m_bSet; }

private:
    RECT m_rcOld = {};
    bool m_bSaved = false;
    bool m_bSet = false;
};

// The dialog takes its picture from the program's module: while this lives,
// that is the launcher's, with its 600 by 400 picture.
class ScopedLauncherPicture
{
public:
    explicit ScopedLauncherPicture(HMODULE hLauncher) : m_hOld(AfxGetInstanceHandle())
    {
        AfxSetInstanceHandle(hLauncher);
    }
    ~ScopedLauncherPicture() { AfxSetInstanceHandle(m_hOld); }
    ScopedLauncherPicture(const ScopedLauncherPicture&) = delete;
    ScopedLauncherPicture& operator=(const ScopedLauncherPicture&) = delete;

private:
    HINSTANCE m_hOld;
};

} // namespace

// A work area too small for the window, as a larger taskbar or a smaller
// screen leaves it: the window shrinks until it fits, with its controls in
// proportion, and opens centred in it; the picture fills the client area.
TEST_F(LauncherDialogInProcess, ShrinksToAWorkAreaTooSmallForIt)
{
    const TemplateLayout layout = LayOutTemplate();
    ASSERT_EQ(layout.controls.size(), 5u);
    PackedDib dib;
    ASSERT_TRUE(ReadPackedDib(m_launcherResources.Get(), IDB_BACKDROP, &dib));
    const ScopedLauncherPicture picture(m_launcherResources.Get());
    const int cxWindow = layout.window.cx, cyWindow = layout.window.cy;

    // Work areas of every shape around the window's own size.
    const struct
    {
        const char* pszName;
        RECT rcWork;
        bool bFits;
    } kRows[] = {
        {"exactly the window's size", {0, 0, cxWindow, cyWindow}, true},
        {"one pixel short", {0, 0, cxWindow, cyWindow - 1}, false},
        {"one pixel narrow, right of a taskbar", {60, 0, 60 + cxWindow - 1, cyWindow}, false},
        {"a quarter narrower", {0, 0, cxWindow * 3 / 4, cyWindow}, false},
        {"half as high, below a taskbar", {0, 100, cxWindow, 100 + cyWindow / 2}, false},
        {"a hundred pixels square", {20, 20, 120, 120}, false},
    };
    for (const auto& row : kRows) {
        const RECT& rcWork = row.rcWork;
        const int cxWork = rcWork.right - rcWork.left, cyWork = rcWork.bottom - rcWork.top;
        for (BOOL bInstalled : {TRUE, FALSE}) {
            SCOPED_TRACE(testing::Message() << row.pszName << ", work area " << RectText(rcWork) << ", "
                                            << (bInstalled ? "installed" : "not installed"));
            const ScopedWorkArea workArea(rcWork);
            ASSERT_TRUE(workArea.IsSet());
            Run(bInstalled, [&](HWND hDlg) {
                RECT rcWindow, rcClient;
                GetWindowRect(hDlg, &rcWindow);
                GetClientRect(hDlg, &rcClient);
                const std::string strSeen = "window " + RectText(rcWindow);
                const int cxSeen = rcWindow.right - rcWindow.left, cySeen = rcWindow.bottom - rcWindow.top;
                EXPECT_EQ(rcWindow.left, rcWork.left + (cxWork - cxSeen) / 2) << strSeen;
                EXPECT_EQ(rcWindow.top, rcWork.top + (cyWork - cySeen) / 2) << strSeen;
                if (row.bFits) {
                    EXPECT_EQ(RectText(rcClient), RectText(layout.rcClient));
                } else {
                    EXPECT_LE(cxSeen, cxWork) << strSeen;
                    EXPECT_LE(cySeen, cyWork) << strSeen;
                    EXPECT_TRUE(cxSeen == cxWork || cySeen == cyWork)
                        << "shrunk no further than it must; " << strSeen;
                }
                for (int nId : {IDOK, IDC_CONFIGURE, IDC_VIEW_README, IDCANCEL}) {
                    HWND hButton = GetDlgItem(hDlg, nId);
                    if (!IsWindowVisible(hButton))
                        continue;
                    const int nPlaceOf = nId == IDOK && !bInstalled ? IDC_CONFIGURE : nId;
                    EXPECT_EQ(RectText(ClientRectOfChild(hDlg, hButton)),
                              RectText(PlaceInWindow(layout, layout.controls.at(nPlaceOf).rc, hDlg, rcWork)))
                        << "button " << nId;
                }
                if (bInstalled)
                    ExpectClientAreaShows(hDlg, ExpectedBackdrop(dib, rcClient.right, rcClient.bottom));
                PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            });
        }
    }
}

namespace {

// Points this program's import of a function at another while it lives: the
// seam through which a test makes a system call fail. The launcher's code is
// linked into this program, so its calls go through the same import.
class ScopedImportPatch
{
public:
    ScopedImportPatch(const char* pszModule, const char* pszFunction, void* pfnReplacement)
    {
        const FARPROC pfnOriginal = GetProcAddress(GetModuleHandleA(pszModule), pszFunction);
        BYTE* pBase = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        const IMAGE_NT_HEADERS* pNt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            pBase + reinterpret_cast<IMAGE_DOS_HEADER*>(pBase)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* pImport = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pBase + imports.VirtualAddress);
             pfnOriginal && pImport->Name && !m_ppSlot; ++pImport) {
            for (auto* pSlot = reinterpret_cast<FARPROC*>(pBase + pImport->FirstThunk); *pSlot; ++pSlot) {
                if (*pSlot == pfnOriginal) {
                    m_ppSlot = pSlot;
                    break;
                }
            }
        }
        if (m_ppSlot)
            m_pfnOriginal = Swap(reinterpret_cast<FARPROC>(pfnReplacement));
    }
    ~ScopedImportPatch()
    {
        if (m_ppSlot)
            Swap(m_pfnOriginal);
    }
    ScopedImportPatch(const ScopedImportPatch&) = delete;
    ScopedImportPatch& operator=(const ScopedImportPatch&) = delete;

    void* Original() const { return reinterpret_cast<void*>(m_pfnOriginal); }

private:
    FARPROC Swap(FARPROC pfnNew)
    {
        DWORD nOldProtect = 0;
        VirtualProtect(m_ppSlot, sizeof(*m_ppSlot), PAGE_READWRITE, &nOldProtect);
        const FARPROC pfnOld = *m_ppSlot;
        *m_ppSlot = pfnNew;
        VirtualProtect(m_ppSlot, sizeof(*m_ppSlot), nOldProtect, &nOldProtect);
        return pfnOld;
    }

    FARPROC* m_ppSlot = nullptr;
    FARPROC m_pfnOriginal = nullptr;
};

// The thread that runs the dialog: the patched functions below act on its
// calls only, not on the test's own.
std::atomic<DWORD> g_nDialogThread{0};

// CreateCompatibleDC that fails while failures are left.
std::atomic<int> g_nMemoryDCFailures{0};
HDC(WINAPI* g_pfnCreateCompatibleDC)(HDC) = nullptr;

HDC WINAPI CreateCompatibleDCThatFails(HDC hDC)
{
    if (GetCurrentThreadId() == g_nDialogThread && g_nMemoryDCFailures > 0) {
        --g_nMemoryDCFailures;
        return nullptr;
    }
    return g_pfnCreateCompatibleDC(hDC);
}

} // namespace

// A memory device context that the system refuses, at set-up or at a paint,
// is asked for again at the next paint: the picture then shows. When it is
// never had, the window shows its own background and still works.
TEST_F(LauncherDialogInProcess, MemoryDCRefusedAtSetUpIsAskedForAgainAtTheNextPaint)
{
    PackedDib dib;
    ASSERT_TRUE(ReadPackedDib(GetModuleHandleA(nullptr), IDB_BACKDROP, &dib));
    ScopedImportPatch patch("gdi32.dll", "CreateCompatibleDC",
                            reinterpret_cast<void*>(CreateCompatibleDCThatFails));
    ASSERT_NE(patch.Original(), nullptr);
    g_pfnCreateCompatibleDC = reinterpret_cast<HDC(WINAPI*)(HDC)>(patch.Original());
    g_nDialogThread = GetCurrentThreadId();

    static const struct
    {
        const char* pszName;
        int nFailures;
        bool bPicture; // whether the picture shows in the end
    } kRows[] = {
        {"refused at set-up", 1, true},
        {"refused at set-up and at the first paint", 2, true},
        {"refused every time", 1000, false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        g_nMemoryDCFailures = row.nFailures;
        const INT_PTR nResult = Run(TRUE, [&](HWND hDlg) {
            // Set-up and the first paint have asked.
            EXPECT_TRUE(WaitFor([&] { return g_nMemoryDCFailures <= std::max(row.nFailures - 2, 0); }));
            if (row.nFailures > 1)
                InvalidateRect(hDlg, nullptr, TRUE);
            RECT rcClient;
            GetClientRect(hDlg, &rcClient);
            ExpectClientAreaShows(hDlg, row.bPicture ? ExpectedBackdrop(dib, rcClient.right, rcClient.bottom)
                                                     : ExpectedBackground(rcClient.right, rcClient.bottom));
            PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(nResult, IDCANCEL);
    }
    g_nMemoryDCFailures = 0;
}

namespace {

// RealizePalette that reports a given count of changed entries while that is
// set, and counts its calls; InvalidateRect that records its calls.
std::atomic<bool> g_bWatching{false};
std::atomic<int> g_nRealizeCount{0};
std::atomic<int> g_nRealizeCalls{0};
UINT(WINAPI* g_pfnRealizePalette)(HDC) = nullptr;
BOOL(WINAPI* g_pfnInvalidateRect)(HWND, const RECT*, BOOL) = nullptr;
struct InvalidateCall
{
    HWND hWnd;
    bool bWholeClientArea;
    BOOL bErase;
};
std::vector<InvalidateCall> g_invalidated;

UINT WINAPI RealizePaletteReporting(HDC hDC)
{
    const UINT nCount = g_pfnRealizePalette(hDC);
    if (GetCurrentThreadId() != g_nDialogThread || !g_bWatching)
        return nCount;
    ++g_nRealizeCalls;
    return static_cast<UINT>(g_nRealizeCount.load());
}

BOOL WINAPI InvalidateRectRecorded(HWND hWnd, const RECT* pRect, BOOL bErase)
{
    if (GetCurrentThreadId() == g_nDialogThread && g_bWatching)
        g_invalidated.push_back({hWnd, pRect == nullptr, bErase});
    return g_pfnInvalidateRect(hWnd, pRect, bErase);
}

} // namespace

// The window comes to the foreground: it realises its palette, and repaints
// all of itself only when that changed the system palette. Without a
// picture it has no palette, realises nothing and says so.
TEST_F(LauncherDialogInProcess, QueryNewPaletteRepaintsOnlyWhenTheSystemPaletteChanged)
{
    ScopedImportPatch realize("gdi32.dll", "RealizePalette",
                              reinterpret_cast<void*>(RealizePaletteReporting));
    ScopedImportPatch invalidate("user32.dll", "InvalidateRect",
                                 reinterpret_cast<void*>(InvalidateRectRecorded));
    ASSERT_NE(realize.Original(), nullptr);
    ASSERT_NE(invalidate.Original(), nullptr);
    g_pfnRealizePalette = reinterpret_cast<UINT(WINAPI*)(HDC)>(realize.Original());
    g_pfnInvalidateRect = reinterpret_cast<BOOL(WINAPI*)(HWND, const RECT*, BOOL)>(invalidate.Original());
    g_nDialogThread = GetCurrentThreadId();

    static const struct
    {
        const char* pszName;
        bool bPicture;
        int nChanged; // entries of the system palette that the realisation changes
        LRESULT nResult;
        bool bRepaints;
    } kRows[] = {
        {"nothing changed", true, 0, TRUE, false},
        {"the system palette changed", true, 256, TRUE, true},
        {"one entry changed", true, 1, TRUE, true},
        {"no picture", false, 256, FALSE, false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        // Without a picture: a module that has no bitmap 130 stands for the program's.
        const ScopedLauncherPicture picture(row.bPicture ? GetModuleHandleA(nullptr)
                                                         : GetModuleHandleA("gdi32.dll"));
        const INT_PTR nResult = Run(TRUE, [&](HWND hDlg) {
            g_invalidated.clear();
            g_nRealizeCalls = 0;
            g_nRealizeCount = row.nChanged;
            g_bWatching = true;
            EXPECT_EQ(SendMessageA(hDlg, WM_QUERYNEWPALETTE, 0, 0), row.nResult);
            g_bWatching = false;
            // A paint may realise the palette meanwhile too; nothing else
            // invalidates the window.
            if (row.bPicture) {
                EXPECT_GE(g_nRealizeCalls, 1);
            } else {
                EXPECT_EQ(g_nRealizeCalls, 0);
            }
            ASSERT_EQ(g_invalidated.size(), row.bRepaints ? 1u : 0u);
            if (row.bRepaints) {
                EXPECT_EQ(g_invalidated[0].hWnd, hDlg);
                EXPECT_TRUE(g_invalidated[0].bWholeClientArea);
                EXPECT_TRUE(g_invalidated[0].bErase);
            }
            PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(nResult, IDCANCEL);
    }
}

namespace {

// DrawIcon that records its calls, with the client area of the window it
// draws in; a hook that records WM_ICONERASEBKGND.
BOOL(WINAPI* g_pfnDrawIcon)(HDC, int, int, HICON) = nullptr;
struct DrawIconCall
{
    HDC hDC;
    int x, y;
    HICON hIcon;
    RECT rcClient;
};
std::vector<DrawIconCall> g_drawnIcons;
std::atomic<int> g_nDrawnIcons{0};
std::vector<HDC> g_iconErased;

BOOL WINAPI DrawIconRecorded(HDC hDC, int x, int y, HICON hIcon)
{
    if (GetCurrentThreadId() == g_nDialogThread) {
        DrawIconCall call = {hDC, x, y, hIcon, {}};
        GetClientRect(WindowFromDC(hDC), &call.rcClient);
        g_drawnIcons.push_back(call);
        ++g_nDrawnIcons;
    }
    return g_pfnDrawIcon(hDC, x, y, hIcon);
}

LRESULT CALLBACK RecordIconErase(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* pMessage = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (nCode == HC_ACTION && pMessage->message == WM_ICONERASEBKGND)
        g_iconErased.push_back(reinterpret_cast<HDC>(pMessage->wParam));
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

} // namespace

// Minimised, a paint erases the window as an icon and draws the launcher's
// icon centred in the client area, in the same device context.
TEST_F(LauncherDialogInProcess, MinimisedPaintDrawsTheIconCentred)
{
    ScopedImportPatch drawIcon("user32.dll", "DrawIcon", reinterpret_cast<void*>(DrawIconRecorded));
    ASSERT_NE(drawIcon.Original(), nullptr);
    g_pfnDrawIcon = reinterpret_cast<BOOL(WINAPI*)(HDC, int, int, HICON)>(drawIcon.Original());
    g_nDialogThread = GetCurrentThreadId();
    g_drawnIcons.clear();
    g_nDrawnIcons = 0;
    g_iconErased.clear();
    HHOOK hHook = SetWindowsHookExA(WH_CALLWNDPROC, RecordIconErase, nullptr, GetCurrentThreadId());
    ASSERT_NE(hHook, nullptr);

    HICON hIcon = nullptr;
    const INT_PTR nResult = Run(TRUE, [&](HWND hDlg) {
        hIcon = reinterpret_cast<HICON>(SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(g_nDrawnIcons, 0) << "an icon drawn before the window was minimised";
        // A paint as the system asks for one, while the window is minimised;
        // minimised again should anything have restored it meanwhile.
        EXPECT_TRUE(WaitFor([&] {
            if (!IsIconic(hDlg))
                ShowWindow(hDlg, SW_MINIMIZE);
            SendMessageA(hDlg, WM_PAINT, 0, 0);
            return g_nDrawnIcons > 0;
        })) << "no icon drawn";
        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    });
    UnhookWindowsHookEx(hHook);
    EXPECT_EQ(nResult, IDCANCEL);

    ASSERT_FALSE(g_drawnIcons.empty());
    const DrawIconCall& drawn = g_drawnIcons[0];
    EXPECT_NE(hIcon, nullptr);
    EXPECT_EQ(drawn.hIcon, hIcon);
    EXPECT_EQ(drawn.x, (drawn.rcClient.right - GetSystemMetrics(SM_CXICON) + 1) / 2)
        << RectText(drawn.rcClient);
    EXPECT_EQ(drawn.y, (drawn.rcClient.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2)
        << RectText(drawn.rcClient);
    EXPECT_NE(std::find(g_iconErased.begin(), g_iconErased.end(), drawn.hDC), g_iconErased.end())
        << "erased in the paint's device context";
}
