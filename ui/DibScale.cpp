#include "ui/DibScale.h"

#include "ui/DibPalette.h"

#include <cstdint>
#include <cstring>

namespace {

const std::uint32_t kBiRgb = 0; // uncompressed

std::uint16_t ReadWord(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t ReadDword(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The stored row that holds row y, counted from the top.
const unsigned char* SourceRow(const DibView& source, int y)
{
    const int nStored = source.bTopDown ? y : source.nHeight - 1 - y;
    return source.pBits + static_cast<std::size_t>(nStored) * source.nStride;
}

// The colour-table index of pixel x in a row of 1, 4 or 8 bits per pixel;
// the leftmost pixel is in the highest bits of its byte.
int IndexAt(const unsigned char* pRow, int nBitCount, int x)
{
    const int nBit = x * nBitCount;
    const int nShift = 8 - nBitCount - nBit % 8;
    return (pRow[nBit / 8] >> nShift) & ((1 << nBitCount) - 1);
}

// Blue, green and red of pixel x in a row.
const unsigned char* ColorAt(const DibView& source, const unsigned char* pRow, int x)
{
    if (source.nBitCount == 24)
        return pRow + 3 * x;
    return source.pTable + kDibColorEntrySize * IndexAt(pRow, source.nBitCount, x);
}

// The source pixels that destination pixel n of nDest covers along one side
// of nSource pixels, in units of 1/nDest of a source pixel: destination pixel
// n spans [n * nSource, (n + 1) * nSource), source pixel i spans
// [i * nDest, (i + 1) * nDest). The weights of one destination pixel add up
// to nSource.
struct Span
{
    int nFirst;
    int nStart;
    int nEnd;
};

Span SpanOf(int n, int nSource, int nDest)
{
    const int nStart = n * nSource;
    return {nStart / nDest, nStart, nStart + nSource};
}

// The weight of source pixel i within a span.
int WeightOf(const Span& span, int i, int nDest)
{
    const int nLow = i * nDest > span.nStart ? i * nDest : span.nStart;
    const int nHigh = (i + 1) * nDest < span.nEnd ? (i + 1) * nDest : span.nEnd;
    return nHigh - nLow;
}

} // namespace

bool ReadDibView(const unsigned char* pPacked, std::size_t nSize, DibView* pView)
{
    *pView = DibView();
    if (nSize < kDibInfoHeaderSize)
        return false;
    const std::uint32_t nHeaderSize = ReadDword(pPacked);
    const std::int32_t nWidth = static_cast<std::int32_t>(ReadDword(pPacked + 4));
    const std::int32_t nHeight = static_cast<std::int32_t>(ReadDword(pPacked + 8));
    const std::uint16_t nPlanes = ReadWord(pPacked + 12);
    const std::uint16_t nBitCount = ReadWord(pPacked + 14);
    const std::uint32_t nCompression = ReadDword(pPacked + 16);
    if (nHeaderSize < kDibInfoHeaderSize || nHeaderSize > nSize)
        return false;
    if (nPlanes != 1 || nCompression != kBiRgb)
        return false;
    if (nBitCount != 1 && nBitCount != 4 && nBitCount != 8 && nBitCount != 24)
        return false;
    if (nWidth < 1 || nWidth > kMaxScaledDibExtent || nHeight == 0 || nHeight < -kMaxScaledDibExtent ||
        nHeight > kMaxScaledDibExtent)
        return false;

    const int nColors = GetDibColorCount(nBitCount);
    if (kDibInfoHeaderSize + kDibColorEntrySize * nColors > nSize)
        return false;
    const std::size_t nBitsOffset = GetDibBitsOffset(nHeaderSize, nColors);
    const int nRows = nHeight < 0 ? -nHeight : nHeight;
    const std::size_t nStride = GetDibStride(nWidth, nBitCount);
    if (nBitsOffset > nSize || (nSize - nBitsOffset) / nStride < static_cast<std::size_t>(nRows))
        return false;

    pView->nWidth = nWidth;
    pView->nHeight = nRows;
    pView->bTopDown = nHeight < 0;
    pView->nBitCount = nBitCount;
    pView->nColors = nColors;
    pView->pTable = nColors > 0 ? pPacked + kDibInfoHeaderSize : nullptr;
    pView->pBits = pPacked + nBitsOffset;
    pView->nStride = nStride;
    return true;
}

std::size_t GetDibStride(int nWidth, int nBitCount)
{
    const std::size_t nBits = static_cast<std::size_t>(nWidth) * static_cast<std::size_t>(nBitCount);
    return (nBits + 31) / 32 * 4;
}

bool IsScalableDibExtent(int cx, int cy)
{
    return cx >= 1 && cx <= kMaxScaledDibExtent && cy >= 1 && cy <= kMaxScaledDibExtent;
}

bool ScaleDibSmooth(const DibView& source, int cx, int cy, unsigned char* pBits)
{
    if (!IsScalableDibExtent(cx, cy))
        return false;
    const int nSourceWidth = source.nWidth;
    const int nSourceHeight = source.nHeight;
    const std::size_t nStride = GetDibStride(cx, 24);
    // Every pixel's weights add up to the source's width times its height, at
    // most 4096 * 4096, so a sum of 8-bit values weighed by them, rounded,
    // stays below 2^32.
    const std::uint32_t nTotal = static_cast<std::uint32_t>(nSourceWidth) * nSourceHeight;
    for (int y = 0; y < cy; ++y) {
        unsigned char* pOut = pBits + static_cast<std::size_t>(cy - 1 - y) * nStride;
        std::memset(pOut, 0, nStride);
        const Span rows = SpanOf(y, nSourceHeight, cy);
        for (int x = 0; x < cx; ++x) {
            const Span columns = SpanOf(x, nSourceWidth, cx);
            std::uint32_t nBlue = 0, nGreen = 0, nRed = 0;
            for (int j = rows.nFirst; j * cy < rows.nEnd; ++j) {
                const unsigned char* pRow = SourceRow(source, j);
                const std::uint32_t nRowWeight = static_cast<std::uint32_t>(WeightOf(rows, j, cy));
                for (int i = columns.nFirst; i * cx < columns.nEnd; ++i) {
                    const std::uint32_t nWeight =
                        nRowWeight * static_cast<std::uint32_t>(WeightOf(columns, i, cx));
                    const unsigned char* pColor = ColorAt(source, pRow, i);
                    nBlue += nWeight * pColor[0];
                    nGreen += nWeight * pColor[1];
                    nRed += nWeight * pColor[2];
                }
            }
            pOut[3 * x] = static_cast<unsigned char>((nBlue + nTotal / 2) / nTotal);
            pOut[3 * x + 1] = static_cast<unsigned char>((nGreen + nTotal / 2) / nTotal);
            pOut[3 * x + 2] = static_cast<unsigned char>((nRed + nTotal / 2) / nTotal);
        }
    }
    return true;
}

bool ScaleDibNearest(const DibView& source, int cx, int cy, unsigned char* pBits)
{
    if (source.nColors == 0 || !IsScalableDibExtent(cx, cy))
        return false;
    const std::size_t nStride = GetDibStride(cx, 8);
    for (int y = 0; y < cy; ++y) {
        unsigned char* pOut = pBits + static_cast<std::size_t>(cy - 1 - y) * nStride;
        std::memset(pOut, 0, nStride);
        // The centre of pixel n, (n + 1/2) * nSource / nDest, lies in source
        // pixel (2n + 1) * nSource / (2 * nDest), which is below nSource.
        const unsigned char* pRow = SourceRow(source, (2 * y + 1) * source.nHeight / (2 * cy));
        for (int x = 0; x < cx; ++x) {
            const int i = (2 * x + 1) * source.nWidth / (2 * cx);
            pOut[x] = static_cast<unsigned char>(IndexAt(pRow, source.nBitCount, i));
        }
    }
    return true;
}
