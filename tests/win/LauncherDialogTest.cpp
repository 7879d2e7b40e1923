// The launcher window: the backdrop loader in-process on small bitmaps, and
// the built launcher from the sample CD, driven and watched from outside.
#include "TestResources.h"
#include "TestSupport.h"
#include "commands/LaunchCommands.h"
#include "platform/GdiHandles.h"
#include "platform/WinApp.h"
#include "res/resource.h"
#include "ui/Dib.h"
#include "ui/LauncherDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace qxtest;

namespace {

// ---------------------------------------------------------------------------
// Packed bitmaps and what they should look like

// A packed bitmap as a resource holds it, with the colour each pixel should
// show worked out from the stored bytes alone.
struct PackedDib
{
    const BITMAPINFOHEADER* pPacked = nullptr; // the resource itself
    BITMAPINFOHEADER header = {};
    std::vector<RGBQUAD> table; // the full table of the bit count
    const BYTE* pBits = nullptr;

    // The colour of pixel (x, y), y counted from the top.
    COLORREF PixelColor(int x, int y) const
    {
        const int nBits = header.biBitCount;
        const int nStride = ((header.biWidth * nBits + 31) / 32) * 4;
        const BYTE* pRow = pBits + static_cast<size_t>(header.biHeight - 1 - y) * nStride;
        if (nBits == 24) {
            const BYTE* p = pRow + 3 * x;
            return RGB(p[2], p[1], p[0]);
        }
        const int nBit = x * nBits;
        const int nIndex = (pRow[nBit / 8] >> (8 - nBits - nBit % 8)) & ((1 << nBits) - 1);
        const RGBQUAD& q = table[nIndex];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
};

bool ReadPackedDib(HMODULE hModule, UINT nId, PackedDib* pDib)
{
    HRSRC hRes = FindResourceA(hModule, MAKEINTRESOURCEA(nId), reinterpret_cast<LPCSTR>(RT_BITMAP));
    if (!hRes)
        return false;
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(hModule, hRes)));
    pDib->pPacked = reinterpret_cast<const BITMAPINFOHEADER*>(p);
    memcpy(&pDib->header, p, sizeof(pDib->header));
    const int nColors = pDib->header.biBitCount <= 8 ? 1 << pDib->header.biBitCount : 0;
    pDib->table.resize(nColors);
    if (nColors)
        memcpy(pDib->table.data(), p + 40, sizeof(RGBQUAD) * nColors);
    pDib->pBits = p + pDib->header.biSize + sizeof(RGBQUAD) * nColors;
    return true;
}

// The pixels of a bitmap, top row first, as the screen shows them.
std::vector<COLORREF> ReadBitmapPixels(HBITMAP hBitmap, int cx, int cy)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> bgrx(static_cast<size_t>(cx) * cy);
    HDC hScreen = GetDC(nullptr);
    const int nLines = GetDIBits(hScreen, hBitmap, 0, cy, bgrx.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, hScreen);
    std::vector<COLORREF> pixels;
    if (nLines != cy)
        return pixels;
    for (DWORD v : bgrx)
        pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return pixels;
}

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE hPalette)
{
    std::vector<PALETTEENTRY> entries(GetPaletteEntries(hPalette, 0, 0, nullptr));
    if (!entries.empty())
        GetPaletteEntries(hPalette, 0, static_cast<UINT>(entries.size()), entries.data());
    return entries;
}

// Palette entry i must be table entry i with its bytes in red, green, blue order.
void ExpectPaletteIsTheTable(HPALETTE hPalette, const std::vector<RGBQUAD>& table)
{
    std::vector<PALETTEENTRY> entries = PaletteEntries(hPalette);
    ASSERT_EQ(entries.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(entries[i].peRed, table[i].rgbRed) << "entry " << i;
        EXPECT_EQ(entries[i].peGreen, table[i].rgbGreen) << "entry " << i;
        EXPECT_EQ(entries[i].peBlue, table[i].rgbBlue) << "entry " << i;
        EXPECT_EQ(entries[i].peFlags, 0) << "entry " << i;
    }
}

// The screen bitmap must show exactly the picture's colours (true colour display).
void ExpectBitmapShowsThePicture(HBITMAP hBitmap, const PackedDib& dib)
{
    BITMAP bm = {};
    ASSERT_NE(GetObjectA(hBitmap, sizeof(bm), &bm), 0);
    ASSERT_EQ(bm.bmWidth, dib.header.biWidth);
    ASSERT_EQ(bm.bmHeight, dib.header.biHeight);
    std::vector<COLORREF> pixels = ReadBitmapPixels(hBitmap, bm.bmWidth, bm.bmHeight);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    int nWrong = 0;
    for (int y = 0; y < bm.bmHeight; ++y) {
        for (int x = 0; x < bm.bmWidth; ++x) {
            const COLORREF want = dib.PixelColor(x, y);
            const COLORREF got = pixels[static_cast<size_t>(y) * bm.bmWidth + x];
            if (got != want && ++nWrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " instead of "
                              << want;
        }
    }
    EXPECT_EQ(nWrong, 0);
}

// What LoadDibResource hands out, in owners. The loader must store the
// palette, null included, whatever happens.
struct LoadedDib
{
    CBitmap bitmap;
    CPalette palette;
};

LoadedDib LoadDib(HMODULE hModule, UINT nId)
{
    HPALETTE const hUnstored = reinterpret_cast<HPALETTE>(1);
    HPALETTE hPalette = hUnstored;
    LoadedDib loaded;
    loaded.bitmap = CBitmap(LoadDibResource(hModule, MAKEINTRESOURCEA(nId), &hPalette));
    EXPECT_NE(hPalette, hUnstored) << "no palette stored";
    loaded.palette = CPalette(hPalette != hUnstored ? hPalette : nullptr);
    return loaded;
}

struct DibRow
{
    UINT nId;
    const char* pszName;
    int nColors;
};

// One row per case, as a table (the formatter would pack them):
// clang-format off
const DibRow kDibRows[] = {
    {IDB_TEST_DIB1, "1 bit", 2},
    {IDB_TEST_DIB4, "4 bits", 16},
    {IDB_TEST_DIB8, "8 bits", 256},
    {IDB_TEST_DIB8_USED16, "8 bits, 16 colours used", 256},
    {IDB_TEST_DIB24, "24 bits", 0},
};
// clang-format on

} // namespace

TEST(BackdropDib, PaletteHoldsTheFullTableOfTheBitCount)
{
    for (const DibRow& row : kDibRows) {
        SCOPED_TRACE(row.pszName);
        PackedDib dib;
        ASSERT_TRUE(ReadPackedDib(GetModuleHandleA(nullptr), row.nId, &dib));
        int nColors = -1;
        const CPalette palette(CreateDibPalette(dib.pPacked, &nColors));
        EXPECT_EQ(nColors, row.nColors);
        if (row.nColors == 0) {
            EXPECT_EQ(palette, nullptr);
            continue;
        }
        ASSERT_NE(palette, nullptr);
        ExpectPaletteIsTheTable(palette, dib.table);
    }
}

TEST(BackdropDib, LoadedBitmapShowsThePictureThroughItsPalette)
{
    for (const DibRow& row : kDibRows) {
        SCOPED_TRACE(row.pszName);
        PackedDib dib;
        ASSERT_TRUE(ReadPackedDib(GetModuleHandleA(nullptr), row.nId, &dib));
        const LoadedDib loaded = LoadDib(GetModuleHandleA(nullptr), row.nId);
        ASSERT_NE(loaded.bitmap, nullptr);
        if (row.nColors == 0)
            EXPECT_EQ(loaded.palette, nullptr);
        else
            ExpectPaletteIsTheTable(loaded.palette, dib.table);
        // A wrong start of the pixel bits shows as wrong colours here.
        ExpectBitmapShowsThePicture(loaded.bitmap, dib);
    }
}

TEST(BackdropDib, MissingResourceGivesNoBitmapAndNoPalette)
{
    const LoadedDib loaded = LoadDib(GetModuleHandleA(nullptr), IDB_TEST_MISSING);
    EXPECT_EQ(loaded.bitmap, nullptr);
    EXPECT_EQ(loaded.palette, nullptr);
}

TEST(BackdropDib, LaunchersBackdropIs600By400With256Entries)
{
    const CLauncherModule launcher;
    ASSERT_NE(launcher, nullptr);
    PackedDib dib;
    ASSERT_TRUE(ReadPackedDib(launcher, IDB_BACKDROP, &dib));
    const LoadedDib loaded = LoadDib(launcher, IDB_BACKDROP);
    ASSERT_NE(loaded.bitmap, nullptr);
    EXPECT_EQ(PaletteEntries(loaded.palette).size(), 256u);
    ExpectPaletteIsTheTable(loaded.palette, dib.table);
    ExpectBitmapShowsThePicture(loaded.bitmap, dib);
}

namespace {

// ---------------------------------------------------------------------------
// The launcher as a user runs it

const char kGameDir[] = "c:\\qxtest_game";
RECT ClientRectOfChild(HWND hDlg, HWND hChild)
{
    RECT rc;
    GetWindowRect(hChild, &rc);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// A control of dialog template 102 as the system lays it out, before the
// launcher changes anything.
struct TemplateControl
{
    RECT rc;
    std::string strText;
};

std::map<int, TemplateControl> TemplateControls()
{
    std::map<int, TemplateControl> controls;
    const CLauncherModule launcher;
    const auto dlg = CreateHiddenDialog(launcher, IDD_LAUNCHER);
    for (HWND h = dlg ? GetWindow(dlg, GW_CHILD) : nullptr; h; h = GetWindow(h, GW_HWNDNEXT))
        controls[GetDlgCtrlID(h)] = {ClientRectOfChild(dlg, h), WindowText(h)};
    return controls;
}

std::string RectText(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "-" + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

BOOL CALLBACK CollectNotepad(HWND h, LPARAM lParam)
{
    if (IsWindowVisible(h) && ClassName(h) == "Notepad")
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(h);
    return TRUE;
}

// The system text editor's windows, whoever started them.
std::vector<HWND> NotepadWindows()
{
    std::vector<HWND> found;
    EnumWindows(CollectNotepad, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CloseNotepads()
{
    for (HWND h : NotepadWindows())
        PostMessageA(h, WM_CLOSE, 0, 0);
    WaitFor([] { return NotepadWindows().empty(); });
}

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

} // namespace

TEST_F(LauncherDialog, ButtonsFollowTheInstalledState)
{
    const std::map<int, TemplateControl> templateControls = TemplateControls();
    ASSERT_EQ(templateControls.size(), 5u);

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

        HWND hButton = GetDlgItem(m_hDlg, IDOK);
        EXPECT_EQ(WindowText(hButton), LauncherString(row.nCaptionId));
        EXPECT_TRUE(IsWindowVisible(hButton));
        EXPECT_EQ(RectText(ClientRectOfChild(m_hDlg, hButton)),
                  RectText(templateControls.at(row.nPlaceOf).rc));
        EXPECT_EQ(GetWindowLongA(hButton, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON)
            << "button 1 is the default";
        EXPECT_EQ(IsWindowVisible(GetDlgItem(m_hDlg, IDC_CONFIGURE)) != FALSE, row.bConfigureVisible);

        // The other buttons keep their places; the template caption never shows.
        for (int nId : {IDC_CONFIGURE, IDC_VIEW_README, IDCANCEL}) {
            EXPECT_EQ(RectText(ClientRectOfChild(m_hDlg, GetDlgItem(m_hDlg, nId))),
                      RectText(templateControls.at(nId).rc))
                << "control " << nId;
        }
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(m_hDlg, IDC_VIEW_README)));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(m_hDlg, IDCANCEL)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(m_hDlg, IDC_BACKDROP_FRAME)));
        const std::string strTemplateCaption = templateControls.at(IDOK).strText;
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
    for (int nPress = 1; nPress <= 2; ++nPress) {
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

    ASSERT_TRUE(Start(true));
    std::vector<RECT> buttons;
    for (int nId : {IDOK, IDC_CONFIGURE, IDC_VIEW_README, IDCANCEL}) {
        RECT rc = ClientRectOfChild(m_hDlg, GetDlgItem(m_hDlg, nId));
        InflateRect(&rc, 2, 2);
        buttons.push_back(rc);
    }
    POINT origin = {0, 0};
    ClientToScreen(m_hDlg, &origin);

    // A grid of points over the whole picture, corners included.
    std::vector<POINT> samples;
    for (int y = 0; y < 400; y += 19) {
        for (int x = 0; x < 600; x += 23) {
            POINT pt = {x, y};
            bool bOnButton = false;
            for (const RECT& rc : buttons)
                bOnButton = bOnButton || PtInRect(&rc, pt);
            if (!bOnButton)
                samples.push_back(pt);
        }
    }
    samples.push_back({599, 0});
    samples.push_back({0, 399});
    samples.push_back({599, 399});

    std::string strMismatch;
    auto allMatch = [&] {
        HDC hScreen = GetDC(nullptr);
        strMismatch.clear();
        for (const POINT& pt : samples) {
            const COLORREF got = GetPixel(hScreen, origin.x + pt.x, origin.y + pt.y);
            const COLORREF want = dib.PixelColor(pt.x, pt.y);
            if (got != want) {
                char sz[96];
                wsprintfA(sz, "%d,%d: %06lx instead of %06lx", pt.x, pt.y, got, want);
                strMismatch = sz;
                break;
            }
        }
        ReleaseDC(nullptr, hScreen);
        return strMismatch.empty();
    };
    // Polled: the first paint comes a little after the window appears.
    EXPECT_TRUE(WaitFor(allMatch)) << samples.size() << " points sampled; " << strMismatch;

    EXPECT_TRUE(Quit());
}

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

TEST_F(LauncherDialogInProcess, SetsItsIconRealisesItsPaletteAndPaintsAtTheOrigin)
{
    PackedDib dib;
    ASSERT_TRUE(ReadPackedDib(GetModuleHandleA(nullptr), IDB_BACKDROP, &dib));
    const int cx = dib.header.biWidth, cy = dib.header.biHeight;

    const INT_PTR nResult = Run(TRUE, [&](HWND hDlg) {
        const LRESULT hBig = SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(hBig, 0);
        EXPECT_EQ(SendMessageA(hDlg, WM_GETICON, ICON_SMALL, 0), hBig);
        EXPECT_EQ(SendMessageA(hDlg, WM_QUERYDRAGICON, 0, 0), hBig);
        EXPECT_EQ(SendMessageA(hDlg, WM_QUERYNEWPALETTE, 0, 0), TRUE);

        // The picture at its own size in the top-left corner; the dialog's
        // own background beyond it.
        POINT origin = {0, 0};
        ClientToScreen(hDlg, &origin);
        std::string strMismatch;
        auto painted = [&] {
            HDC hScreen = GetDC(nullptr);
            strMismatch.clear();
            for (int y = 0; y <= cy && strMismatch.empty(); ++y) {
                for (int x = 0; x <= cx && strMismatch.empty(); ++x) {
                    const COLORREF want =
                        x < cx && y < cy ? dib.PixelColor(x, y) : GetSysColor(COLOR_BTNFACE);
                    const COLORREF got = GetPixel(hScreen, origin.x + x, origin.y + y);
                    if (got != want)
                        strMismatch = std::to_string(x) + "," + std::to_string(y);
                }
            }
            ReleaseDC(nullptr, hScreen);
            return strMismatch.empty();
        };
        EXPECT_TRUE(WaitFor(painted)) << "pixel " << strMismatch;
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
