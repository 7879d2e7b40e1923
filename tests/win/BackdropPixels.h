// The launcher's picture as it should look, and the screen read back to
// compare with it: for the tests of the picture loader and of the launcher
// window, in this process and from outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qxtest {

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

// Reads bitmap resource nId of hModule as it is stored; false when there is none.
bool ReadPackedDib(HMODULE hModule, UINT nId, PackedDib* pDib);

// The pixels of a bitmap, top row first, as the screen shows them with
// hPalette (null: none) realised.
std::vector<COLORREF> ReadBitmapPixels(HBITMAP hBitmap, int cx, int cy, HPALETTE hPalette);

bool ScreenAtDefaultDpi();
int ScreenDpi();

bool ScreenHasPalette();

// The known gap of a palette display under Wine: on an 8-bit X server Wine
// converts a picture to a fixed colour cube of its own instead of the
// palette that the program realised, while RealizePalette, GetNearestColor
// and GetDIBits with palette indices all report the picture's own colours.
// Checks of a picture's colours on a palette display run inside
// TODO_WINE(kPaletteColoursGap).
extern const char kPaletteColoursGap[];

// The colours that the screen shows for colours of the picture: themselves
// on a true-colour display; on a palette display, with the picture's palette
// realised, the nearest that the display has.
void MapToShownColours(const PackedDib& dib, std::vector<COLORREF>* pColours);

// ---------------------------------------------------------------------------
// The picture as the launcher should show it

// The picture scaled to cx by cy pixels by averaging, in floating point, the
// area of the picture that each pixel covers: the reference for the
// launcher's own smoothing, which works in integers.
std::vector<COLORREF> ScaleByAreaAverage(const PackedDib& dib, int cx, int cy);

// The picture scaled to cx by cy pixels as a palette display gets it: each
// pixel is the picture's pixel under its centre.
std::vector<COLORREF> ScaleByNearest(const PackedDib& dib, int cx, int cy);

// How far, in levels of 255, a pixel of the scaled picture on the screen may
// be from the reference in each channel: the integer rounding of the
// launcher's smoothing accounts for one.
const int kScaledTolerance = 2;

// Pixels as the screen should show them, top row first, with the tolerance
// per channel; bPicture when they are the picture's colours.
struct ExpectedPixels
{
    std::vector<COLORREF> pixels;
    int nTolerance;
    bool bPicture;
};

// The picture scaled to cx by cy pixels as the launcher scales it for this
// screen: by area averages, or on a palette display, when the picture has a
// colour table, by the pixel under each centre.
ExpectedPixels ExpectedScaledPicture(const PackedDib& dib, int cx, int cy);

// The client area of a window cx by cy pixels as the launcher should paint
// it: at 96 dots per inch the picture as it is stored, exactly, in the
// top-left corner and the dialog's own background beyond; at any other
// setting, or in a window shrunk smaller than the picture, the picture scaled
// to fill it.
ExpectedPixels ExpectedBackdrop(const PackedDib& dib, int cx, int cy);

// A client area of cx by cy pixels that shows only the dialog's background.
ExpectedPixels ExpectedBackground(int cx, int cy);

// Whether got matches what is expected, pixel by pixel; otherwise a failure
// names the first few pixels (counted top row first) that differ. The
// picture's colours on a palette display are checked as the known gap.
void ExpectPixels(const std::vector<COLORREF>& got, const ExpectedPixels& expected);

// What the screen shows in rc (screen coordinates), top row first; empty
// when it cannot be read.
std::vector<COLORREF> CaptureScreen(const RECT& rc);

bool ChannelsWithin(COLORREF a, COLORREF b, int nTolerance);

// Compares the client area of hWnd on the screen with what is expected,
// outside the rectangles in skip (client coordinates) and the part of the
// window off the screen. Empty when every pixel compared matches; otherwise
// the first few that do not.
std::string CompareClientArea(HWND hWnd, const ExpectedPixels& expected, const std::vector<RECT>& skip,
                              int* pnCompared);

// The rectangles of the visible buttons in client coordinates, grown by two
// pixels for the default button's frame.
std::vector<RECT> VisibleButtonRects(HWND hDlg);

// Waits for the client area of hDlg to show what is expected outside its
// visible buttons; a failure names the first few pixels that differ. The
// picture's colours on a palette display are checked as the known gap.
// Returns how many pixels were compared.
int ExpectClientAreaShows(HWND hDlg, const ExpectedPixels& expected);

} // namespace qxtest
