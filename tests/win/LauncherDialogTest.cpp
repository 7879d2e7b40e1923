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
#include <cstdlib>
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

bool ScreenAtDefaultDpi()
{
    const CClientDC screen(nullptr);
    return GetDeviceCaps(screen, LOGPIXELSX) == 96 && GetDeviceCaps(screen, LOGPIXELSY) == 96;
}

int ScreenDpi()
{
    const CClientDC screen(nullptr);
    return GetDeviceCaps(screen, LOGPIXELSY);
}

// Under Wine a palette display (an 8-bit X server) shows wrong colours, so
// there the tests check sizes and that the palette path runs, not colours.
bool ScreenHasPalette()
{
    const CClientDC screen(nullptr);
    return (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
}

// The screen bitmap must have the picture's size and show exactly its colours
// (on a true-colour display).
void ExpectBitmapShowsThePicture(HBITMAP hBitmap, const PackedDib& dib)
{
    BITMAP bm = {};
    ASSERT_NE(GetObjectA(hBitmap, sizeof(bm), &bm), 0);
    ASSERT_EQ(bm.bmWidth, dib.header.biWidth);
    ASSERT_EQ(bm.bmHeight, dib.header.biHeight);
    if (ScreenHasPalette())
        return;
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

// ---------------------------------------------------------------------------
// The picture as the launcher should show it

// The picture scaled to cx by cy pixels by averaging, in floating point, the
// area of the picture that each pixel covers: the reference for the
// launcher's own smoothing, which works in integers.
std::vector<COLORREF> ScaleByAreaAverage(const PackedDib& dib, int cx, int cy)
{
    const int nWidth = dib.header.biWidth;
    const int nHeight = dib.header.biHeight < 0 ? -dib.header.biHeight : dib.header.biHeight;
    // The source pixels under destination pixel n along one side, with the
    // length of each that it covers.
    struct Tap
    {
        int i;
        double fWeight;
    };
    auto taps = [](int n, int nSource, int nDest) {
        const double f0 = static_cast<double>(n) * nSource / nDest;
        const double f1 = static_cast<double>(n + 1) * nSource / nDest;
        std::vector<Tap> list;
        for (int i = static_cast<int>(f0); i < nSource && i < f1; ++i)
            list.push_back({i, std::min<double>(f1, i + 1) - std::max<double>(f0, i)});
        return list;
    };
    std::vector<COLORREF> picture(static_cast<size_t>(nWidth) * nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            picture[static_cast<size_t>(y) * nWidth + x] = dib.PixelColor(x, y);
    std::vector<std::vector<Tap>> columns;
    for (int x = 0; x < cx; ++x)
        columns.push_back(taps(x, nWidth, cx));
    std::vector<COLORREF> scaled;
    for (int y = 0; y < cy; ++y) {
        const std::vector<Tap> rows = taps(y, nHeight, cy);
        for (int x = 0; x < cx; ++x) {
            double r = 0, g = 0, b = 0, w = 0;
            for (const Tap& row : rows) {
                for (const Tap& column : columns[x]) {
                    const COLORREF c = picture[static_cast<size_t>(row.i) * nWidth + column.i];
                    const double fWeight = row.fWeight * column.fWeight;
                    r += fWeight * GetRValue(c);
                    g += fWeight * GetGValue(c);
                    b += fWeight * GetBValue(c);
                    w += fWeight;
                }
            }
            scaled.push_back(RGB(static_cast<int>(r / w + 0.5), static_cast<int>(g / w + 0.5),
                                 static_cast<int>(b / w + 0.5)));
        }
    }
    return scaled;
}

// How far, in levels of 255, a pixel of the scaled picture on the screen may
// be from the reference in each channel: the integer rounding of the
// launcher's smoothing accounts for one.
const int kScaledTolerance = 2;

// The client area of a window cx by cy pixels as the launcher should paint
// it, with the tolerance per channel: at 96 dots per inch the picture as it
// is stored, exactly, in the top-left corner and the dialog's own background
// beyond; at any other setting the picture scaled to fill it.
struct ExpectedClientArea
{
    std::vector<COLORREF> pixels;
    int nTolerance;
};

ExpectedClientArea ExpectedBackdrop(const PackedDib& dib, int cx, int cy)
{
    if (!ScreenAtDefaultDpi())
        return {ScaleByAreaAverage(dib, cx, cy), kScaledTolerance};
    const int nWidth = dib.header.biWidth;
    const int nHeight = dib.header.biHeight < 0 ? -dib.header.biHeight : dib.header.biHeight;
    ExpectedClientArea expected{{}, 0};
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            expected.pixels.push_back(x < nWidth && y < nHeight ? dib.PixelColor(x, y)
                                                                : GetSysColor(COLOR_BTNFACE));
    return expected;
}

// What the screen shows in rc (screen coordinates), top row first; empty
// when it cannot be read.
std::vector<COLORREF> CaptureScreen(const RECT& rc)
{
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    const CClientDC screen(nullptr);
    void* pvBits = nullptr;
    const CBitmap dib(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &pvBits, nullptr, 0));
    const CMemoryDC memory(screen);
    std::vector<COLORREF> pixels;
    if (!dib || !memory || !pvBits)
        return pixels;
    {
        const CSelectObjectGuard select(memory, dib);
        if (!BitBlt(memory, 0, 0, cx, cy, screen, rc.left, rc.top, SRCCOPY))
            return pixels;
    }
    GdiFlush();
    const DWORD* pBgrx = static_cast<const DWORD*>(pvBits);
    for (size_t i = 0; i < static_cast<size_t>(cx) * cy; ++i)
        pixels.push_back(RGB((pBgrx[i] >> 16) & 0xFF, (pBgrx[i] >> 8) & 0xFF, pBgrx[i] & 0xFF));
    return pixels;
}

bool ChannelsWithin(COLORREF a, COLORREF b, int nTolerance)
{
    return abs(GetRValue(a) - GetRValue(b)) <= nTolerance && abs(GetGValue(a) - GetGValue(b)) <= nTolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= nTolerance;
}

// Compares the client area of hWnd on the screen with what is expected,
// outside the rectangles in skip (client coordinates) and the part of the
// window off the screen. Empty when every pixel compared matches; otherwise
// the first few that do not.
std::string CompareClientArea(HWND hWnd, const ExpectedClientArea& expected, const std::vector<RECT>& skip,
                              int* pnCompared)
{
    RECT rcClient;
    GetClientRect(hWnd, &rcClient);
    POINT origin = {0, 0};
    ClientToScreen(hWnd, &origin);
    RECT rcScreen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT rcShown = rcClient;
    OffsetRect(&rcShown, origin.x, origin.y);
    IntersectRect(&rcShown, &rcShown, &rcScreen);
    const std::vector<COLORREF> shown = CaptureScreen(rcShown);
    const int cxShown = rcShown.right - rcShown.left;
    const int cxClient = rcClient.right;
    if (shown.empty() || expected.pixels.size() != static_cast<size_t>(cxClient) * rcClient.bottom)
        return "nothing to compare";
    std::string strWrong;
    int nWrong = 0;
    *pnCompared = 0;
    for (int y = rcShown.top - origin.y; y < rcShown.bottom - origin.y; ++y) {
        for (int x = rcShown.left - origin.x; x < rcShown.right - origin.x; ++x) {
            const POINT pt = {x, y};
            if (std::any_of(skip.begin(), skip.end(), [&](const RECT& rc) { return PtInRect(&rc, pt); }))
                continue;
            ++*pnCompared;
            const COLORREF got = shown[static_cast<size_t>(y + origin.y - rcShown.top) * cxShown +
                                       (x + origin.x - rcShown.left)];
            const COLORREF want = expected.pixels[static_cast<size_t>(y) * cxClient + x];
            if (!ChannelsWithin(got, want, expected.nTolerance) && ++nWrong <= 3) {
                char sz[96];
                wsprintfA(sz, "%d,%d: %06lx instead of %06lx; ", x, y, got, want);
                strWrong += sz;
            }
        }
    }
    if (nWrong > 3)
        strWrong += std::to_string(nWrong) + " pixels in all";
    return strWrong;
}

// The rectangles of the visible buttons in client coordinates, grown by two
// pixels for the default button's frame.
std::vector<RECT> VisibleButtonRects(HWND hDlg)
{
    std::vector<RECT> buttons;
    for (int nId : {IDOK, IDC_CONFIGURE, IDC_VIEW_README, IDCANCEL}) {
        HWND hButton = GetDlgItem(hDlg, nId);
        if (!hButton || !IsWindowVisible(hButton))
            continue;
        RECT rc;
        GetWindowRect(hButton, &rc);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
        InflateRect(&rc, 2, 2);
        buttons.push_back(rc);
    }
    return buttons;
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

TEST(BackdropDib, ScaledBitmapHasTheSizeAskedForAndThePictureAveraged)
{
    static const struct
    {
        int cx, cy;
    } kSizes[] = {{9, 5}, {3, 1}, {1, 1}, {16, 3}};
    for (const DibRow& row : kDibRows) {
        PackedDib dib;
        ASSERT_TRUE(ReadPackedDib(GetModuleHandleA(nullptr), row.nId, &dib));
        const LoadedDib loaded = LoadDib(GetModuleHandleA(nullptr), row.nId);
        for (const auto& size : kSizes) {
            SCOPED_TRACE(testing::Message() << row.pszName << ", " << size.cx << " by " << size.cy);
            const CBitmap scaled(LoadScaledDibResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(row.nId),
                                                       loaded.palette, size.cx, size.cy));
            ASSERT_NE(scaled, nullptr);
            BITMAP bm = {};
            ASSERT_NE(GetObjectA(scaled, sizeof(bm), &bm), 0);
            EXPECT_EQ(bm.bmWidth, size.cx);
            EXPECT_EQ(bm.bmHeight, size.cy);
            if (ScreenHasPalette())
                continue;
            const std::vector<COLORREF> want = ScaleByAreaAverage(dib, size.cx, size.cy);
            const std::vector<COLORREF> got = ReadBitmapPixels(scaled, size.cx, size.cy);
            ASSERT_EQ(got.size(), want.size());
            for (size_t i = 0; i < want.size(); ++i)
                EXPECT_TRUE(ChannelsWithin(got[i], want[i], kScaledTolerance))
                    << "pixel " << i << ": " << std::hex << got[i] << " instead of " << want[i];
        }
    }
}

TEST(BackdropDib, ScalingRefusesWhatItCannotMake)
{
    static const struct
    {
        const char* pszName;
        UINT nId;
        int cx, cy;
    } kRows[] = {
        {"missing resource", IDB_TEST_MISSING, 10, 10},
        {"no width", IDB_TEST_DIB8, 0, 10},
        {"negative height", IDB_TEST_DIB8, 10, -1},
        {"too wide", IDB_TEST_DIB8, 4097, 10},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        const CBitmap scaled(LoadScaledDibResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(row.nId),
                                                   nullptr, row.cx, row.cy));
        EXPECT_EQ(scaled, nullptr);
    }
}

TEST(BackdropDib, PaletteDisplayIsTheScreenWithAPalette)
{
    const CClientDC screen(nullptr);
    EXPECT_EQ(IsPaletteDisplay(screen) != FALSE, ScreenHasPalette());
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
        // Whatever the display's font size, every button stands inside the
        // client area, over the picture.
        RECT rcClient;
        GetClientRect(m_hDlg, &rcClient);
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

    for (bool bInstalled : {true, false}) {
        SCOPED_TRACE(bInstalled ? "installed" : "not installed");
        ASSERT_TRUE(Start(bInstalled));
        RECT rcClient;
        GetClientRect(m_hDlg, &rcClient);
        // At 96 dots per inch the client area is exactly the picture's size;
        // above it, the window grows with its font.
        if (ScreenAtDefaultDpi()) {
            EXPECT_EQ(rcClient.right, 600);
            EXPECT_EQ(rcClient.bottom, 400);
        } else if (ScreenDpi() > 96) {
            EXPECT_GT(rcClient.right, 600);
            EXPECT_GT(rcClient.bottom, 400);
        }
        if (!ScreenHasPalette()) {
            const ExpectedClientArea expected = ExpectedBackdrop(dib, rcClient.right, rcClient.bottom);
            const std::vector<RECT> buttons = VisibleButtonRects(m_hDlg);
            std::string strWrong;
            int nCompared = 0;
            // Polled: the first paint comes a little after the window appears.
            EXPECT_TRUE(WaitFor([&] {
                strWrong = CompareClientArea(m_hDlg, expected, buttons, &nCompared);
                return strWrong.empty();
            })) << nCompared
                << " pixels compared, tolerance " << expected.nTolerance << "; " << strWrong;
            // Most of the window is on the screen, even on a small one.
            EXPECT_GT(nCompared, 600 * 400 / 2);
        }
        ASSERT_TRUE(Quit());
    }
}

TEST_F(LauncherDialog, OpensCentredInTheWorkAreaOrWithItsCornerOnIt)
{
    ASSERT_TRUE(Start(true));
    RECT rcWork, rcWindow;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0));
    GetWindowRect(m_hDlg, &rcWindow);
    // A window larger than the work area keeps its top-left corner on it.
    const int x = std::max<int>(
        rcWork.left, rcWork.left + (rcWork.right - rcWork.left - rcWindow.right + rcWindow.left) / 2);
    const int y = std::max<int>(
        rcWork.top, rcWork.top + (rcWork.bottom - rcWork.top - rcWindow.bottom + rcWindow.top) / 2);
    EXPECT_EQ(rcWindow.left, x) << "work area " << RectText(rcWork) << ", window " << RectText(rcWindow);
    EXPECT_EQ(rcWindow.top, y) << "work area " << RectText(rcWork) << ", window " << RectText(rcWindow);
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
        if (!ScreenHasPalette()) {
            RECT rcClient;
            GetClientRect(hDlg, &rcClient);
            const ExpectedClientArea expected = ExpectedBackdrop(dib, rcClient.right, rcClient.bottom);
            const std::vector<RECT> buttons = VisibleButtonRects(hDlg);
            std::string strWrong;
            int nCompared = 0;
            EXPECT_TRUE(WaitFor([&] {
                strWrong = CompareClientArea(hDlg, expected, buttons, &nCompared);
                return strWrong.empty();
            })) << nCompared
                << " pixels compared; " << strWrong;
        }
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
