// The arithmetic of a packed device-independent bitmap's colour table, apart
// from the system calls that use it.
#pragma once

#include <cstddef>
#include <cstdint>

// The colour table is always read directly after an information header of
// this size, whatever the header's own size field says.
constexpr std::size_t kDibInfoHeaderSize = 40;
// One colour-table entry (blue, green, red, reserved) and one palette entry
// (red, green, blue, flags) take this many bytes each.
constexpr std::size_t kDibColorEntrySize = 4;

// Entries in the colour table of a picture with nBitCount bits per pixel:
// the full 1 << nBitCount for 8 bits or less (never fewer, whatever the
// header's count of colours used says), none above 8 bits.
int GetDibColorCount(std::uint16_t nBitCount);

// Where the pixel bits start, in bytes from the start of the header.
std::size_t GetDibBitsOffset(std::uint32_t nHeaderSize, int nColors);

// Fills nColors palette entries at pEntries (red, green, blue, flags 0) from
// the colour table that follows the first kDibInfoHeaderSize bytes at pHeader.
void FillDibPaletteEntries(const unsigned char* pHeader, int nColors, unsigned char* pEntries);

// Whether a device shows its colours through a palette: it says so in its
// raster capabilities, or it has no more than 256 colours (8 bits per pixel,
// all planes counted). A picture scaled for it keeps to its own colour table.
bool IsPaletteDevice(bool bPaletteCaps, int nBitsPerPixel);
