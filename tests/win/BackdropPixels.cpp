#include "BackdropPixels.h"

#include "TestSupport.h"
#include "platform/GdiHandles.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace qxtest {

namespace {

// The header of a cx by cy picture of 32-bit pixels, top row first.
BITMAPINFO TopDown32BitInfo(int cx, int cy)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

} // namespace

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

std::vector<COLORREF> ReadBitmapPixels(HBITMAP hBitmap, int cx, int cy, HPALETTE hPalette)
{
    BITMAPINFO bi = TopDown32BitInfo(cx, cy);
    std::vector<DWORD> bgrx(static_cast<size_t>(cx) * cy);
    int nLines = 0;
    {
        // On a palette display the bitmap holds indices of the system
        // palette, which the picture's palette, realised, fills.
        const CClientDC screen(nullptr);
        const CSelectPaletteGuard select(screen, hPalette, TRUE);
        if (hPalette)
            RealizePalette(screen);
        nLines = GetDIBits(screen, hBitmap, 0, cy, bgrx.data(), &bi, DIB_RGB_COLORS);
    }
    std::vector<COLORREF> pixels;
    if (nLines != cy)
        return pixels;
    for (DWORD v : bgrx)
        pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return pixels;
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

bool ScreenHasPalette()
{
    const CClientDC screen(nullptr);
    return (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
}

const char kPaletteColoursGap[] = "on an 8-bit X server pictures show in Wine's own colour cube, "
                                  "not in the palette that was realised";

void MapToShownColours(const PackedDib& dib, std::vector<COLORREF>* pColours)
{
    if (!ScreenHasPalette())
        return;
    // The picture's palette, realised as a background palette: the window
    // that shows the picture has it in the foreground.
    std::vector<BYTE> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * dib.table.size());
    LOGPALETTE* pPalette = reinterpret_cast<LOGPALETTE*>(block.data());
    pPalette->palVersion = 0x300;
    pPalette->palNumEntries = static_cast<WORD>(dib.table.size());
    for (size_t i = 0; i < dib.table.size(); ++i)
        pPalette->palPalEntry[i] = {dib.table[i].rgbRed, dib.table[i].rgbGreen, dib.table[i].rgbBlue, 0};
    const CPalette palette(dib.table.empty() ? nullptr : CreatePalette(pPalette));
    const CClientDC screen(nullptr);
    const CSelectPaletteGuard select(screen, palette, TRUE);
    RealizePalette(screen);
    std::map<COLORREF, COLORREF> shown;
    for (COLORREF& c : *pColours) {
        auto it = shown.find(c);
        if (it == shown.end())
            it = shown.emplace(c, GetNearestColor(screen, c) & 0xFFFFFF).first;
        c = it->second;
    }
}

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

std::vector<COLORREF> ScaleByNearest(const PackedDib& dib, int cx, int cy)
{
    const int nWidth = dib.header.biWidth;
    const int nHeight = dib.header.biHeight < 0 ? -dib.header.biHeight : dib.header.biHeight;
    std::vector<COLORREF> scaled;
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            scaled.push_back(dib.PixelColor(static_cast<int>((x + 0.5) * nWidth / cx),
                                            static_cast<int>((y + 0.5) * nHeight / cy)));
    return scaled;
}

ExpectedPixels ExpectedScaledPicture(const PackedDib& dib, int cx, int cy)
{
    ExpectedPixels expected = {{}, 0, true};
    if (ScreenHasPalette() && !dib.table.empty()) {
        expected.pixels = ScaleByNearest(dib, cx, cy);
    } else {
        expected.pixels = ScaleByAreaAverage(dib, cx, cy);
        expected.nTolerance = kScaledTolerance;
    }
    MapToShownColours(dib, &expected.pixels);
    return expected;
}

ExpectedPixels ExpectedBackdrop(const PackedDib& dib, int cx, int cy)
{
    const int nWidth = dib.header.biWidth;
    const int nHeight = dib.header.biHeight < 0 ? -dib.header.biHeight : dib.header.biHeight;
    if (!ScreenAtDefaultDpi() || cx < nWidth || cy < nHeight)
        return ExpectedScaledPicture(dib, cx, cy);
    ExpectedPixels expected{{}, 0, true};
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            expected.pixels.push_back(x < nWidth && y < nHeight ? dib.PixelColor(x, y)
                                                                : GetSysColor(COLOR_BTNFACE));
    MapToShownColours(dib, &expected.pixels);
    return expected;
}

ExpectedPixels ExpectedBackground(int cx, int cy)
{
    // Painted as the dialog paints it: a palette display may dither it.
    ExpectedPixels expected = {{}, 0, false};
    const CClientDC screen(nullptr);
    const CBitmap bitmap(CreateCompatibleBitmap(screen, cx, cy));
    const CMemoryDC memory(screen);
    {
        const CSelectObjectGuard select(memory, bitmap);
        const RECT rc = {0, 0, cx, cy};
        FillRect(memory, &rc, GetSysColorBrush(COLOR_BTNFACE));
    }
    expected.pixels = ReadBitmapPixels(bitmap, cx, cy, nullptr);
    return expected;
}

void ExpectPixels(const std::vector<COLORREF>& got, const ExpectedPixels& expected)
{
    ASSERT_EQ(got.size(), expected.pixels.size()) << "the pixels could not be read";
    auto check = [&] {
        int nWrong = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            if (!ChannelsWithin(got[i], expected.pixels[i], expected.nTolerance) && ++nWrong <= 5)
                ADD_FAILURE() << "pixel " << i << ": " << std::hex << got[i] << " instead of "
                              << expected.pixels[i];
        }
        EXPECT_EQ(nWrong, 0) << "tolerance " << expected.nTolerance;
    };
    if (expected.bPicture && ScreenHasPalette()) {
        TODO_WINE(kPaletteColoursGap)
        {
            check();
        }
    } else {
        check();
    }
}

std::vector<COLORREF> CaptureScreen(const RECT& rc)
{
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    BITMAPINFO bi = TopDown32BitInfo(cx, cy);
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

std::string CompareClientArea(HWND hWnd, const ExpectedPixels& expected, const std::vector<RECT>& skip,
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

int ExpectClientAreaShows(HWND hDlg, const ExpectedPixels& expected)
{
    const std::vector<RECT> buttons = VisibleButtonRects(hDlg);
    std::string strWrong;
    int nCompared = 0;
    auto check = [&](DWORD nTimeoutMs) {
        // Polled: a paint comes a little after the window appears, or after
        // it is invalidated.
        EXPECT_TRUE(WaitFor(
            [&] {
                strWrong = CompareClientArea(hDlg, expected, buttons, &nCompared);
                return strWrong.empty();
            },
            nTimeoutMs))
            << nCompared << " pixels compared, tolerance " << expected.nTolerance << "; " << strWrong;
    };
    if (expected.bPicture && ScreenHasPalette()) {
        // Where the known gap shows, the paint has long come in a second.
        TODO_WINE(kPaletteColoursGap)
        {
            check(1000);
        }
    } else {
        check(10000);
    }
    return nCompared;
}

} // namespace qxtest
