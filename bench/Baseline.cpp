// The least a window like the launcher's can do: a bare Win32 program with the
// launcher's resource script that converts the backdrop once, opens dialog
// 102, paints it with one block copy per paint and ends on any button. The
// benchmarks hold the launcher against it.
//
// The picture keeps its own palette, as the launcher's must on a 256-colour
// display: it is selected once into the memory device context that holds the
// converted picture for the window's life, and once into each paint device
// context.
#include <windows.h>

#include "res/resource.h"

namespace {

HBITMAP g_hBitmap;
HPALETTE g_hPalette;
HDC g_hMemoryDC;
HGDIOBJ g_hOldBitmap;
HPALETTE g_hOldPalette;
int g_cxBitmap;
int g_cyBitmap;

// The packed bitmap's palette (8 bits or fewer per pixel) and its conversion
// to the screen's format through that palette.
void LoadBackdrop(HINSTANCE hInstance)
{
    HRSRC hFound = ::FindResourceA(hInstance, MAKEINTRESOURCEA(IDB_BACKDROP), RT_BITMAP);
    if (!hFound)
        return;
    const BITMAPINFOHEADER* pHeader =
        static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(hInstance, hFound)));
    if (!pHeader)
        return;
    const int nColors = pHeader->biBitCount <= 8 ? 1 << pHeader->biBitCount : 0;
    const RGBQUAD* pTable = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(pHeader) + 40);

    HDC hScreen = ::GetDC(nullptr);
    if (nColors != 0) {
        struct
        {
            WORD palVersion;
            WORD palNumEntries;
            PALETTEENTRY aEntries[256];
        } palette;
        palette.palVersion = 0x300;
        palette.palNumEntries = static_cast<WORD>(nColors);
        for (int i = 0; i < nColors; ++i) {
            palette.aEntries[i].peRed = pTable[i].rgbRed;
            palette.aEntries[i].peGreen = pTable[i].rgbGreen;
            palette.aEntries[i].peBlue = pTable[i].rgbBlue;
            palette.aEntries[i].peFlags = 0;
        }
        g_hPalette = ::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
        ::SelectPalette(hScreen, g_hPalette, FALSE);
        ::RealizePalette(hScreen);
    }
    const BYTE* pBits = reinterpret_cast<const BYTE*>(pHeader) + pHeader->biSize + 4 * nColors;
    g_hBitmap = ::CreateDIBitmap(hScreen, pHeader, CBM_INIT, pBits,
                                 reinterpret_cast<const BITMAPINFO*>(pHeader), DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hScreen);
    g_cxBitmap = pHeader->biWidth;
    g_cyBitmap = pHeader->biHeight < 0 ? -pHeader->biHeight : pHeader->biHeight;
}

INT_PTR CALLBACK BaselineDialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM)
{
    switch (nMessage) {
    case WM_INITDIALOG:
        g_hMemoryDC = ::CreateCompatibleDC(nullptr);
        if (g_hPalette)
            g_hOldPalette = ::SelectPalette(g_hMemoryDC, g_hPalette, FALSE);
        g_hOldBitmap = ::SelectObject(g_hMemoryDC, g_hBitmap);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hDC = ::BeginPaint(hWnd, &ps);
        if (g_hPalette) {
            ::SelectPalette(hDC, g_hPalette, FALSE);
            ::RealizePalette(hDC);
        }
        ::BitBlt(hDC, 0, 0, g_cxBitmap, g_cyBitmap, g_hMemoryDC, 0, 0, SRCCOPY);
        ::EndPaint(hWnd, &ps);
        return TRUE;
    }
    case WM_COMMAND:
        ::EndDialog(hWnd, LOWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        ::SelectObject(g_hMemoryDC, g_hOldBitmap);
        if (g_hOldPalette)
            ::SelectPalette(g_hMemoryDC, g_hOldPalette, FALSE);
        ::DeleteDC(g_hMemoryDC);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    LoadBackdrop(hInstance);
    ::DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_LAUNCHER), nullptr, BaselineDialogProc, 0);
    ::DeleteObject(g_hBitmap);
    if (g_hPalette)
        ::DeleteObject(g_hPalette);
    return 0;
}
