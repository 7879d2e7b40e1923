// The framework layer: strings, the entry routine, modal dialogs with their
// message maps and help, message boxes by id, file status, and the device
// context that keeps a picture selected between paints.
#include "TestResources.h"
#include "TestSupport.h"
#include "app/LauncherApp.h"
#include "platform/Dialog.h"
#include "platform/File.h"
#include "platform/GdiHandles.h"
#include "platform/String.h"
#include "platform/WinApp.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

using namespace qxtest;

namespace {

// The help file the framework names after this program's file.
std::string HelpFilePath()
{
    const std::string strPath = ProgramPath();
    return strPath.substr(0, strPath.rfind('.')) + ".HLP";
}

// The launcher's application class, with the start-up sequence swapped for
// the scenario under test.
class CProbeApp : public CLauncherApp
{
public:
    std::function<void(CProbeApp&)> m_scenario;
    bool m_bRunCalled = false;
    bool m_bExitInstanceCalled = false;
    UINT m_nErrorModeSeen = 0;

    BOOL InitInstance() override
    {
        m_nErrorModeSeen = SetErrorMode(0);
        SetErrorMode(m_nErrorModeSeen);
        if (m_scenario)
            m_scenario(*this);
        return FALSE;
    }
    int Run() override
    {
        m_bRunCalled = true;
        return CLauncherApp::Run();
    }
    int ExitInstance() override
    {
        m_bExitInstanceCalled = true;
        return CLauncherApp::ExitInstance();
    }
};

int RunApp(CWinApp& app)
{
    (void)app; // recorded by its constructor as the application object
    static char szCmdLine[] = "/ignored";
    return AfxWinMain(GetModuleHandleA(nullptr), nullptr, szCmdLine, SW_SHOWNORMAL);
}

// Removes a quit message left in this thread's queue; true when there was one.
bool TakeQuitMessage()
{
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

} // namespace

TEST(CStringTest, LoadStringTakesAStringOfAnyLength)
{
    std::string strExpected;
    for (int i = 1; i <= 70; ++i) {
        char sz[16];
        wsprintfA(sz, "long text%02d", i % 100);
        strExpected += sz;
    }
    CString str;
    EXPECT_TRUE(str.LoadString(IDS_TEST_LONG));
    EXPECT_EQ(str.GetLength(), static_cast<int>(strExpected.size()));
    EXPECT_EQ(std::string(str), strExpected);

    CString strMissing("kept?");
    EXPECT_FALSE(strMissing.LoadString(999));
    EXPECT_TRUE(strMissing.IsEmpty());
}

TEST(CStringTest, MakeLowerFollowsTheAnsiCodePage)
{
    static const struct
    {
        const char* pszIn;
        const char* pszOut;
    } kRows[] = {
        {"D:\\INSTDATA\\GOSTART.BAT C", "d:\\instdata\\gostart.bat c"},
        {"\xC0\xC9\xD6\x8A\x9F", "\xE0\xE9\xF6\x9A\xFF"},
        {"\xD7\xDF$<NONE>", "\xD7\xDF$<none>"}, // multiplication sign and sharp s stay
        {"", ""},
    };
    for (const auto& row : kRows) {
        CString str(row.pszIn);
        str.MakeLower();
        EXPECT_STREQ(str, row.pszOut) << row.pszIn;
    }
}

TEST(CStringTest, CopiesAreIndependent)
{
    CString a("Orvane");
    CString b(a);
    b.MakeLower();
    a = a; // self-assignment keeps the text
    EXPECT_STREQ(a, "Orvane");
    EXPECT_STREQ(b, "orvane");
    b = static_cast<const char*>(b);
    EXPECT_STREQ(b, "orvane");
    b = nullptr;
    EXPECT_TRUE(b.IsEmpty());
}

TEST(EntryRoutine, NamesTheApplicationAfterTheProgramFileAndNeverRunsALoop)
{
    CProbeApp app;
    const int nExit = RunApp(app);

    EXPECT_EQ(nExit, 0);
    EXPECT_FALSE(app.m_bRunCalled);
    EXPECT_TRUE(app.m_bExitInstanceCalled);
    EXPECT_EQ(app.m_nErrorModeSeen & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    EXPECT_STREQ(app.m_strAppName, "qx_win_tests");
    EXPECT_STREQ(app.m_strExeName, "qx_win_tests");
    EXPECT_STREQ(app.m_strHelpFilePath, HelpFilePath().c_str());
    EXPECT_STREQ(app.m_lpCmdLine, "/ignored");
    EXPECT_EQ(AfxGetApp(), &app);
}

TEST(EntryRoutine, DestroysAMainWindowThatIsStillThere)
{
    CProbeApp app;
    CWnd wnd;
    app.m_scenario = [&](CProbeApp& self) {
        wnd.m_hWnd =
            CreateWindowA("STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        self.m_pMainWnd = &wnd;
    };
    RunApp(app);
    ASSERT_NE(wnd.m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(wnd.m_hWnd));
    EXPECT_TRUE(app.m_bExitInstanceCalled);
}

TEST(EntryRoutine, LauncherWithoutItsDialogTemplateEndsWithoutMainWindow)
{
    // The test program carries no dialog 102: DoModal fails, and the main
    // window pointer must not outlive the dialog object.
    ScopedCleanup cleanup{kBatchPath, kMarkerPath};
    CLauncherApp app;
    MessageBoxWatcher watcher;
    EXPECT_EQ(RunApp(app), 0);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_FALSE(TakeQuitMessage());
    // This program's own templates hold three unknown codes: the start-up
    // sequence expanded them.
    EXPECT_EQ(watcher.Stop().size(), 3u);
}

namespace {

// A help viewer stand-in: the system's help call finds it by class name and
// hands it the request.
struct HelpRequest
{
    int nCalls = 0;
    UINT nCommand = 0;
    DWORD nData = 0;
    std::string strFile;
};
HelpRequest g_help;

LRESULT CALLBACK FakeHelpProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage == WM_COPYDATA) {
        const COPYDATASTRUCT* pCopy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const BYTE* p = static_cast<const BYTE*>(pCopy->lpData);
        // WINHELP: size, command, data, reserved, ofsFilename, ofsData
        WORD nCommand, nOfsFile;
        LONG nData;
        memcpy(&nCommand, p + 2, 2);
        memcpy(&nData, p + 4, 4);
        memcpy(&nOfsFile, p + 12, 2);
        ++g_help.nCalls;
        g_help.nCommand = nCommand;
        g_help.nData = static_cast<DWORD>(nData);
        g_help.strFile = reinterpret_cast<const char*>(p + nOfsFile);
        return TRUE;
    }
    return DefWindowProcA(hWnd, nMessage, wParam, lParam);
}

class CProbeDlg : public CDialog
{
public:
    CProbeDlg() : CDialog(IDD_TEST_PROBE) {}

    std::function<void(CProbeDlg&)> m_onInit;
    RECT m_rcAtEnd = {};
    int m_nEnds = 0;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_onInit)
            m_onInit(*this);
        return TRUE;
    }
    void OnEnd()
    {
        ++m_nEnds;
        GetWindowRect(m_hWnd, &m_rcAtEnd);
        EndDialog(1234);
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
    ON_COMMAND(IDC_TEST_END, CProbeDlg::OnEnd)
END_MESSAGE_MAP()

} // namespace

TEST(ModalDialog, RunsCentredRoutesHelpToTheApplicationAndPostsQuitAtItsEnd)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FakeHelpProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MS_WINHELP";
    RegisterClassA(&wc);
    HWND hHelp =
        CreateWindowA("MS_WINHELP", "help", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hHelp, nullptr);
    g_help = HelpRequest();

    CProbeApp app;
    CProbeDlg dlg;
    INT_PTR nResult = 0;
    bool bMainDuringRun = false;
    dlg.m_onInit = [&](CProbeDlg& self) {
        bMainDuringRun = AfxGetMainWnd() == &self;
        // Commands nobody handles fall through; F1 becomes ID_HELP; then end.
        PostMessageA(self.m_hWnd, WM_COMMAND, IDC_TEST_UNHANDLED, 0);
        PostMessageA(self.m_hWnd, WM_KEYDOWN, VK_F1, 0);
        PostMessageA(self.m_hWnd, WM_COMMAND, IDC_TEST_END, 0);
    };
    app.m_scenario = [&](CProbeApp& self) {
        self.m_pMainWnd = &dlg;
        nResult = dlg.DoModal();
    };
    RunApp(app);
    DestroyWindow(hHelp);

    EXPECT_EQ(nResult, 1234);
    EXPECT_EQ(dlg.m_nEnds, 1);
    EXPECT_TRUE(bMainDuringRun);
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "the end of the main window clears it";
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_TRUE(TakeQuitMessage()) << "the end of the main window posts a quit message";

    EXPECT_EQ(g_help.nCalls, 1);
    EXPECT_EQ(g_help.nCommand, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(g_help.nData, 0x20000u + IDD_TEST_PROBE);
    EXPECT_STRCASEEQ(g_help.strFile.c_str(), HelpFilePath().c_str());

    RECT rcWork;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    const RECT& rc = dlg.m_rcAtEnd;
    EXPECT_NEAR((rc.left + rc.right) / 2.0, (rcWork.left + rcWork.right) / 2.0, 1.0);
    EXPECT_NEAR((rc.top + rc.bottom) / 2.0, (rcWork.top + rcWork.bottom) / 2.0, 1.0);
}

TEST(ModalDialog, EscapeCancelsAndEnterPressesTheDefaultButton)
{
    static const struct
    {
        WPARAM nKey;
        INT_PTR nExpected;
    } kRows[] = {{VK_ESCAPE, IDCANCEL}, {VK_RETURN, 1234}};
    for (const auto& row : kRows) {
        CProbeApp app;
        CProbeDlg dlg;
        dlg.m_onInit = [&](CProbeDlg& self) {
            PostMessageA(GetDlgItem(self.m_hWnd, IDC_TEST_END), WM_KEYDOWN, row.nKey, 0);
        };
        INT_PTR nResult = 0;
        app.m_scenario = [&](CProbeApp&) { nResult = dlg.DoModal(); };
        RunApp(app);
        EXPECT_EQ(nResult, row.nExpected) << "key " << row.nKey;
        EXPECT_FALSE(TakeQuitMessage()) << "not the main window: no quit message";
    }
}

TEST(ModalDialog, MissingTemplateFails)
{
    CDialog dlg(4242);
    EXPECT_EQ(dlg.DoModal(), -1);
}

TEST(MessageBoxById, CaptionIsTheApplicationTitleAndTheMainWindowOwnsIt)
{
    CProbeApp app;
    CWnd wnd;
    MessageBoxSeen seen = {};
    int nResult = 0;
    app.m_scenario = [&](CProbeApp& self) {
        wnd.m_hWnd = CreateWindowA("STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
        self.m_pMainWnd = &wnd;
        std::thread watcher([&] {
            HWND hBox = WaitForMessageBox(GetCurrentProcessId());
            if (!hBox)
                return;
            seen = ReadMessageBox(hBox);
            PostMessageA(hBox, WM_COMMAND, IDCANCEL, 0);
        });
        nResult = AfxMessageBox(IDS_TEST_LONG, MB_OKCANCEL);
        watcher.join();
        self.m_pMainWnd = nullptr;
        DestroyWindow(wnd.m_hWnd);
    };
    RunApp(app);
    EXPECT_EQ(nResult, IDCANCEL);
    EXPECT_EQ(seen.strCaption, "qx_win_tests");
    EXPECT_EQ(seen.strText.substr(0, 11), "long text01");
    EXPECT_EQ(seen.hOwner, wnd.m_hWnd);
    EXPECT_EQ(seen.hIcon, LoadIconA(nullptr, IDI_EXCLAMATION));
}

TEST(FileStatus, SucceedsExactlyWhenADirectorySearchFindsTheName)
{
    CreateDirectoryA("c:\\qxtest_dir", nullptr);
    WriteWholeFile("c:\\qxtest_dir\\file.txt", "x");
    ScopedCleanup cleanup{"c:\\qxtest_dir", "c:\\qxtest_dir\\file.txt"};
    ScopedCurrentDirectory inDir("c:\\qxtest_dir");

    static const struct
    {
        const char* pszName;
        BOOL bExpected;
        const char* pszWhy;
    } kRows[] = {
        {"c:\\qxtest_dir", TRUE, "existing directory"},
        {"c:\\qxtest_dir\\file.txt", TRUE, "existing file"},
        {"C:\\QXTEST_DIR\\FILE.TXT", TRUE, "names are not case sensitive"},
        {"file.txt", TRUE, "relative to the current directory"},
        {"c:\\qxtest_dir\\*.txt", TRUE, "wildcard that matches"},
        {"c:\\qxtest_dir\\*.exe", FALSE, "wildcard that matches nothing"},
        {"c:\\qxtest_dir\\", FALSE, "trailing backslash"},
        {"c:\\", FALSE, "bare drive root"},
        {"c:\\qxtest_missing", FALSE, "missing path"},
        {"q:\\games", FALSE, "drive that is not mapped"},
        {"d:\\Qxinst95.exe", TRUE, "file on the CD"},
    };
    for (const auto& row : kRows) {
        CFileStatus status;
        EXPECT_EQ(CFile::GetStatus(row.pszName, status), row.bExpected)
            << row.pszName << " (" << row.pszWhy << ")";
    }
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus("file.txt", status));
    EXPECT_STRCASEEQ(status.m_szFullName, "c:\\qxtest_dir\\file.txt");
    EXPECT_EQ(status.m_size, 1u);
}

TEST(BitmapDC, KeepsTheBitmapAndItsPaletteSelectedUntilReleased)
{
    const CClientDC screen(nullptr);
    ASSERT_NE(screen, nullptr);
    const CBitmap first(CreateCompatibleBitmap(screen, 3, 2));
    const CBitmap second(CreateCompatibleBitmap(screen, 5, 4));
    LOGPALETTE logPalette = {0x300, 1, {{10, 20, 30, 0}}};
    const CPalette palette(CreatePalette(&logPalette));
    ASSERT_TRUE(first && second && palette);

    CBitmapDC dc;
    EXPECT_FALSE(dc.Create(nullptr, palette)) << "no bitmap";
    EXPECT_EQ(static_cast<HDC>(dc), nullptr);

    ASSERT_TRUE(dc.Create(first, palette));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), first);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), palette);
    EXPECT_EQ(dc.GetWidth(), 3);
    EXPECT_EQ(dc.GetHeight(), 2);

    // A bitmap goes into one device context at a time: while the first is
    // held, another cannot take it; once a new Create has let it go, it can.
    {
        const CMemoryDC other(screen);
        EXPECT_EQ(CSelectObjectGuard(other, first), nullptr);
    }
    ASSERT_TRUE(dc.Create(second, nullptr));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), second);
    EXPECT_NE(GetCurrentObject(dc, OBJ_PAL), palette);
    EXPECT_EQ(dc.GetWidth(), 5);
    {
        const CMemoryDC other(screen);
        EXPECT_NE(CSelectObjectGuard(other, first), nullptr);
    }

    dc.Release();
    EXPECT_EQ(static_cast<HDC>(dc), nullptr);
    EXPECT_EQ(dc.GetWidth(), 0);
    const CMemoryDC other(screen);
    EXPECT_NE(CSelectObjectGuard(other, second), nullptr);
}
