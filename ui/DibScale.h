// The backdrop picture scaled to a window that the display's font setting
// made larger or smaller than the picture: reading the packed bitmap and the
// two ways of scaling it, apart from the system calls that use them.
#pragma once

#include <cstddef>

// Pictures and windows wider or taller than this are not scaled. It keeps
// every sum of the smoothing within 32 bits.
constexpr int kMaxScaledDibExtent = 4096;

// A packed device-independent bitmap that the scalers can read: uncompressed,
// with 1, 4, 8 or 24 bits per pixel, every byte of its table and pixels
// inside the bytes it came in.
struct DibView
{
    int nWidth = 0;
    int nHeight = 0;       // rows, always positive
    bool bTopDown = false; // the first stored row is the top one
    int nBitCount = 0;
    int nColors = 0;                       // colour-table entries: the full table of the bit count, or 0
    const unsigned char* pTable = nullptr; // blue, green, red, reserved; right after a 40-byte header
    const unsigned char* pBits = nullptr;  // right after the header by its own size and the table
    std::size_t nStride = 0;               // bytes per stored row
};

// Reads the packed bitmap of nSize bytes at pPacked, its table and pixels
// found as the palette builder finds them. False when it cannot be scaled: a
// header shorter than 40 bytes or a picture that does not fit in nSize bytes,
// compression, another bit count or plane count, or a side of none or more
// than kMaxScaledDibExtent pixels.
bool ReadDibView(const unsigned char* pPacked, std::size_t nSize, DibView* pView);

// Bytes in one row of nWidth pixels of nBitCount bits: rows are padded to
// whole 32-bit words.
std::size_t GetDibStride(int nWidth, int nBitCount);

// True for a scaled size that the scalers take: 1 to kMaxScaledDibExtent on
// each side.
bool IsScalableDibExtent(int cx, int cy);

// The smoothing scale: the picture as cx by cy pixels of 24 bits (blue, green,
// red), bottom row first, rows of GetDibStride(cx, 24) bytes with zero
// padding. Each pixel is the average colour of the part of the picture it
// covers, each source pixel weighed by the area it shares with it. False, with
// nothing written, for a size that IsScalableDibExtent refuses.
bool ScaleDibSmooth(const DibView& source, int cx, int cy, unsigned char* pBits);

// The scale that keeps to the picture's colour table: cx by cy indices of 8
// bits into the picture's own table, bottom row first, rows of
// GetDibStride(cx, 8) bytes with zero padding. Each pixel takes the index of
// the picture's pixel under its centre. False, with nothing written, for a
// picture without a table or a size that IsScalableDibExtent refuses.
bool ScaleDibNearest(const DibView& source, int cx, int cy, unsigned char* pBits);
