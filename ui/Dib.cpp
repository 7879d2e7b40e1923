#include "ui/Dib.h"

#include "platform/GdiHandles.h"
#include "ui/DibPalette.h"
#include "ui/DibScale.h"

#include <stddef.h>

namespace {

const WORD kPaletteVersion = 0x300;
// The palette header with its one declared entry, then the n entries: one
// entry's room to spare.
const SIZE_T kLogPaletteSize = sizeof(LOGPALETTE);

static_assert(sizeof(PALETTEENTRY) == kDibColorEntrySize, "palette entries are four bytes");
static_assert(offsetof(PALETTEENTRY, peRed) == 0 && offsetof(PALETTEENTRY, peGreen) == 1 &&
                  offsetof(PALETTEENTRY, peBlue) == 2 && offsetof(PALETTEENTRY, peFlags) == 3,
              "palette entries are red, green, blue, flags");
static_assert(sizeof(BITMAPINFOHEADER) == kDibInfoHeaderSize, "the information header is 40 bytes");

// Dialog units follow the font, and the font the display's dots per inch;
// at this setting template 102 makes a client area of the picture's size.
const int kDefaultDpi = 96;

// The packed bitmap of a bitmap resource and its size in bytes; null when it
// is missing. The resource stays loaded and locked for the life of the module.
const BITMAPINFOHEADER* FindDibResource(HINSTANCE hInstance, LPCSTR pszName, DWORD* pnSize)
{
    *pnSize = 0;
    HRSRC hFound = ::FindResourceA(hInstance, pszName, reinterpret_cast<LPCSTR>(RT_BITMAP));
    if (!hFound)
        return nullptr;
    *pnSize = ::SizeofResource(hInstance, hFound);
    return static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(hInstance, hFound)));
}

} // namespace

HPALETTE CreateDibPalette(const BITMAPINFOHEADER* pHeader, int* pnColors)
{
    const int nColors = GetDibColorCount(pHeader->biBitCount);
    *pnColors = nColors;
    if (nColors == 0)
        return nullptr;

    CGlobalMemory block(GMEM_MOVEABLE | GMEM_ZEROINIT, kLogPaletteSize + sizeof(PALETTEENTRY) * nColors);
    CGlobalLock lock(block);
    LOGPALETTE* pPalette = static_cast<LOGPALETTE*>(lock.GetData());
    if (!pPalette)
        return nullptr;
    pPalette->palVersion = kPaletteVersion;
    pPalette->palNumEntries = static_cast<WORD>(nColors);
    FillDibPaletteEntries(reinterpret_cast<const unsigned char*>(pHeader), nColors,
                          reinterpret_cast<unsigned char*>(pPalette->palPalEntry));
    return ::CreatePalette(pPalette);
}

UINT RealizeForegroundPalette(HDC hDC, HPALETTE hPalette)
{
    ::SelectPalette(hDC, hPalette, FALSE);
    return ::RealizePalette(hDC);
}

HBITMAP LoadDibResource(HINSTANCE hInstance, LPCSTR pszName, HPALETTE* phPalette)
{
    *phPalette = nullptr;
    DWORD nSize = 0;
    const BITMAPINFOHEADER* pHeader = FindDibResource(hInstance, pszName, &nSize);
    if (!pHeader)
        return nullptr;

    CClientDC screen(nullptr);
    int nColors = 0;
    *phPalette = CreateDibPalette(pHeader, &nColors);
    // Realised in the screen's device context, the palette is what the
    // picture's colours are mapped through on a palette device.
    if (*phPalette && screen)
        RealizeForegroundPalette(screen, *phPalette);
    const BYTE* pBits = reinterpret_cast<const BYTE*>(pHeader) + GetDibBitsOffset(pHeader->biSize, nColors);
    return ::CreateDIBitmap(screen, pHeader, CBM_INIT, pBits, reinterpret_cast<const BITMAPINFO*>(pHeader),
                            DIB_RGB_COLORS);
}

BOOL IsScreenAtDefaultDpi()
{
    CClientDC screen(nullptr);
    // Without a screen to ask, the picture stays as it is stored.
    if (!screen)
        return TRUE;
    return ::GetDeviceCaps(screen, LOGPIXELSX) == kDefaultDpi &&
           ::GetDeviceCaps(screen, LOGPIXELSY) == kDefaultDpi;
}

BOOL IsPaletteDisplay(HDC hDC)
{
    return IsPaletteDevice((::GetDeviceCaps(hDC, RASTERCAPS) & RC_PALETTE) != 0,
                           ::GetDeviceCaps(hDC, BITSPIXEL) * ::GetDeviceCaps(hDC, PLANES));
}

HBITMAP LoadScaledDibResource(HINSTANCE hInstance, LPCSTR pszName, HPALETTE hPalette, int cx, int cy)
{
    DWORD nSize = 0;
    const BITMAPINFOHEADER* pHeader = FindDibResource(hInstance, pszName, &nSize);
    // Read again, checked: the loader hands the picture to the system, the scalers read its bytes themselves.
    DibView source;
    if (!pHeader || !ReadDibView(reinterpret_cast<const unsigned char*>(pHeader), nSize, &source) ||
        !IsScalableDibExtent(cx, cy))
        return nullptr;
    CClientDC screen(nullptr);
    if (!screen)
        return nullptr;

    // The scaled picture as a packed bitmap of its own: a header, the
    // picture's colour table when its indices are kept, and the pixels.
    const bool bIndices = source.nColors > 0 && IsPaletteDisplay(screen);
    const int nBitCount = bIndices ? 8 : 24;
    const int nColors = bIndices ? source.nColors : 0;
    const SIZE_T nTableSize = kDibColorEntrySize * nColors;
    const SIZE_T nBitsSize = GetDibStride(cx, nBitCount) * cy;
    CGlobalMemory block(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + nTableSize + nBitsSize);
    CGlobalLock lock(block);
    BITMAPINFOHEADER* pScaled = static_cast<BITMAPINFOHEADER*>(lock.GetData());
    if (!pScaled)
        return nullptr;
    *pScaled = BITMAPINFOHEADER();
    pScaled->biSize = sizeof(BITMAPINFOHEADER);
    pScaled->biWidth = cx;
    pScaled->biHeight = cy; // bottom row first
    pScaled->biPlanes = 1;
    pScaled->biBitCount = static_cast<WORD>(nBitCount);
    pScaled->biCompression = BI_RGB;
    pScaled->biSizeImage = static_cast<DWORD>(nBitsSize);
    pScaled->biClrUsed = static_cast<DWORD>(nColors);
    BYTE* pTable = reinterpret_cast<BYTE*>(pScaled + 1);
    BYTE* pBits = pTable + nTableSize;
    if (bIndices) {
        ::CopyMemory(pTable, source.pTable, nTableSize);
        ScaleDibNearest(source, cx, cy, pBits);
    } else {
        ScaleDibSmooth(source, cx, cy, pBits);
    }

    // As for the picture at its own size: on a palette display the colours
    // are mapped through the picture's palette, realised in the screen's
    // device context.
    if (hPalette)
        RealizeForegroundPalette(screen, hPalette);
    return ::CreateDIBitmap(screen, pScaled, CBM_INIT, pBits, reinterpret_cast<const BITMAPINFO*>(pScaled),
                            DIB_RGB_COLORS);
}
