#include "ui/Dib.h"

#include "platform/GdiHandles.h"
#include "ui/DibPalette.h"

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
    HRSRC hFound = ::FindResourceA(hInstance, pszName, reinterpret_cast<LPCSTR>(RT_BITMAP));
    if (!hFound)
        return nullptr;
    // The resource stays loaded and locked for the life of the module.
    const BITMAPINFOHEADER* pHeader =
        static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(hInstance, hFound)));
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
