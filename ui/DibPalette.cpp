#include "ui/DibPalette.h"

namespace {

const int kMaxPaletteBitCount = 8;

} // namespace

int GetDibColorCount(std::uint16_t nBitCount)
{
    return nBitCount <= kMaxPaletteBitCount ? 1 << nBitCount : 0;
}

std::size_t GetDibBitsOffset(std::uint32_t nHeaderSize, int nColors)
{
    return nHeaderSize + kDibColorEntrySize * static_cast<std::size_t>(nColors);
}

void FillDibPaletteEntries(const unsigned char* pHeader, int nColors, unsigned char* pEntries)
{
    const unsigned char* pQuad = pHeader + kDibInfoHeaderSize;
    for (int i = 0; i < nColors; ++i) {
        pEntries[0] = pQuad[2]; // red
        pEntries[1] = pQuad[1]; // green
        pEntries[2] = pQuad[0]; // blue
        pEntries[3] = 0;        // flags: the table's reserved byte is dropped
        pQuad += kDibColorEntrySize;
        pEntries += kDibColorEntrySize;
    }
}

bool IsPaletteDevice(bool bPaletteCaps, int nBitsPerPixel)
{
    return bPaletteCaps || nBitsPerPixel <= kMaxPaletteBitCount;
}
