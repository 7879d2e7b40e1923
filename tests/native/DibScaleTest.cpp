#include "ui/DibScale.h"

#include "ui/DibPalette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A colour as 0xRRGGBB.
typedef std::uint32_t Rgb;

// Entry k of the colour table of the pictures below: every index has its own
// colour, and blue, green and red all differ.
Rgb TableColor(int k)
{
    return static_cast<Rgb>((0xFF - k) << 16 | ((0x40 + 3 * k) & 0xFF) << 8 | k);
}

void PutDword(std::vector<unsigned char>& bytes, std::size_t nAt, std::uint32_t nValue)
{
    for (int i = 0; i < 4; ++i)
        bytes[nAt + i] = static_cast<unsigned char>(nValue >> (8 * i));
}

void PutWord(std::vector<unsigned char>& bytes, std::size_t nAt, std::uint16_t nValue)
{
    bytes[nAt] = static_cast<unsigned char>(nValue);
    bytes[nAt + 1] = static_cast<unsigned char>(nValue >> 8);
}

// A packed bitmap nWidth by nHeight (negative: rows stored top row first) of
// nBitCount bits, from its pixels given top row first: colour-table indices,
// or 0xRRGGBB colours at 24 bits. The header is nHeaderSize bytes long.
std::vector<unsigned char> MakeDib(int nBitCount, int nWidth, int nHeight, const std::vector<Rgb>& pixels,
                                   std::uint32_t nHeaderSize = 40)
{
    const int nRows = nHeight < 0 ? -nHeight : nHeight;
    const int nColors = GetDibColorCount(static_cast<std::uint16_t>(nBitCount));
    const std::size_t nStride = GetDibStride(nWidth, nBitCount);
    const std::size_t nBitsOffset = GetDibBitsOffset(nHeaderSize, nColors);
    std::vector<unsigned char> dib(nBitsOffset + nStride * nRows, 0);
    PutDword(dib, 0, nHeaderSize);
    PutDword(dib, 4, static_cast<std::uint32_t>(nWidth));
    PutDword(dib, 8, static_cast<std::uint32_t>(nHeight));
    PutWord(dib, 12, 1);
    PutWord(dib, 14, static_cast<std::uint16_t>(nBitCount));
    for (int k = 0; k < nColors; ++k)
        PutDword(dib, kDibInfoHeaderSize + kDibColorEntrySize * k, TableColor(k));
    for (int y = 0; y < nRows; ++y) {
        unsigned char* pRow = &dib[nBitsOffset + nStride * (nHeight < 0 ? y : nRows - 1 - y)];
        for (int x = 0; x < nWidth; ++x) {
            const Rgb v = pixels[static_cast<std::size_t>(y) * nWidth + x];
            if (nBitCount == 24) {
                pRow[3 * x] = static_cast<unsigned char>(v);
                pRow[3 * x + 1] = static_cast<unsigned char>(v >> 8);
                pRow[3 * x + 2] = static_cast<unsigned char>(v >> 16);
            } else {
                const int nBit = x * nBitCount;
                pRow[nBit / 8] |= static_cast<unsigned char>(v << (8 - nBitCount - nBit % 8));
            }
        }
    }
    return dib;
}

DibView ViewOf(const std::vector<unsigned char>& dib)
{
    DibView view;
    EXPECT_TRUE(ReadDibView(dib.data(), dib.size(), &view));
    return view;
}

// What a scaler wrote, top row first, with its padding and a guard past the
// end checked: the padding must be zero, the guard untouched.
struct Scaled
{
    bool bResult = false;
    std::vector<Rgb> pixels; // colours at 24 bits, indices at 8
};

const unsigned char kGuard = 0xEE;

Scaled Scale(const DibView& source, int cx, int cy, bool bSmooth)
{
    const int nBitCount = bSmooth ? 24 : 8;
    const std::size_t nStride = GetDibStride(cx > 0 ? cx : 1, nBitCount);
    const std::size_t nBytes = nStride * (cy > 0 ? cy : 1);
    std::vector<unsigned char> out(nBytes + 16, kGuard);
    Scaled scaled;
    scaled.bResult =
        bSmooth ? ScaleDibSmooth(source, cx, cy, out.data()) : ScaleDibNearest(source, cx, cy, out.data());
    for (std::size_t k = scaled.bResult ? nBytes : 0; k < out.size(); ++k)
        EXPECT_EQ(out[k], kGuard) << "byte " << k << " written";
    if (!scaled.bResult)
        return scaled;
    const int nBytesPerPixel = nBitCount / 8;
    for (int y = 0; y < cy; ++y) {
        const unsigned char* pRow = &out[nStride * (cy - 1 - y)];
        for (int x = 0; x < cx; ++x) {
            const unsigned char* p = pRow + nBytesPerPixel * x;
            scaled.pixels.push_back(bSmooth ? static_cast<Rgb>(p[2] << 16 | p[1] << 8 | p[0]) : p[0]);
        }
        for (std::size_t k = static_cast<std::size_t>(nBytesPerPixel) * cx; k < nStride; ++k)
            EXPECT_EQ(pRow[k], 0) << "padding of row " << y;
    }
    return scaled;
}

std::vector<Rgb> TableColors(const std::vector<Rgb>& indices)
{
    std::vector<Rgb> colors;
    for (Rgb k : indices)
        colors.push_back(TableColor(static_cast<int>(k)));
    return colors;
}

// A pseudo-random picture of 8 bits whose table is TableColor.
std::vector<Rgb> NoisePixels(int nCount)
{
    std::vector<Rgb> pixels;
    std::uint32_t nState = 12345;
    for (int i = 0; i < nCount; ++i) {
        nState = nState * 1103515245u + 12345u;
        pixels.push_back((nState >> 16) & 0xFF);
    }
    return pixels;
}

int Channel(Rgb c, int nShift)
{
    return static_cast<int>((c >> nShift) & 0xFF);
}

} // namespace

TEST(DibView, ReadsWhatTheScalersCanTakeAndRefusesTheRest)
{
    const std::vector<Rgb> pixels = {1, 2, 3, 4, 5, 6};
    static const struct
    {
        const char* pszName;
        std::size_t nAt; // where to write nValue (0: nowhere)
        int nBytes;      // 2 or 4
        std::uint32_t nValue;
        bool bRead;
    } kRows[] = {
        // One row per case, as a table (the formatter would pack them):
        // clang-format off
        {"as made", 0, 0, 0, true},
        {"header of 12 bytes", 0, 4, 12, false},
        {"header of 39 bytes", 0, 4, 39, false},
        {"header longer than the whole", 0, 4, 5000, false},
        {"width 0", 4, 4, 0, false},
        {"width -3", 4, 4, static_cast<std::uint32_t>(-3), false},
        {"width 4097", 4, 4, 4097, false},
        {"height 0", 8, 4, 0, false},
        {"height 4097", 8, 4, 4097, false},
        {"height -4097", 8, 4, static_cast<std::uint32_t>(-4097), false},
        {"lowest height", 8, 4, 0x80000000u, false},
        {"two planes", 12, 2, 2, false},
        {"2 bits", 14, 2, 2, false},
        {"16 bits", 14, 2, 16, false},
        {"32 bits", 14, 2, 32, false},
        {"run-length coded", 16, 4, 1, false},
        {"bit fields", 16, 4, 3, false},
        // clang-format on
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        std::vector<unsigned char> dib = MakeDib(8, 3, 2, pixels);
        if (row.nBytes == 4)
            PutDword(dib, row.nAt, row.nValue);
        else if (row.nBytes == 2)
            PutWord(dib, row.nAt, static_cast<std::uint16_t>(row.nValue));
        DibView view;
        EXPECT_EQ(ReadDibView(dib.data(), dib.size(), &view), row.bRead);
        if (!row.bRead)
            EXPECT_EQ(view.pBits, nullptr);
    }
}

TEST(DibView, EveryByteOfTheTableAndThePixelsMustBeThere)
{
    static const struct
    {
        int nBitCount;
        int nWidth;
        int nHeight;
        std::uint32_t nHeaderSize;
        std::size_t nStride;
        std::size_t nBitsOffset;
    } kRows[] = {
        // One row per case, as a table (the formatter would pack them):
        // clang-format off
        {1, 33, 2, 40, 8, 48},
        {4, 9, 3, 40, 8, 104},
        {8, 3, 2, 40, 4, 1064},
        {8, 3, -2, 40, 4, 1064},  // top-down
        {8, 3, 2, 44, 4, 1068},   // a longer header moves the pixels, not the table
        {24, 5, 1, 40, 16, 40},
        {1, 4096, 1, 40, 512, 48},
        {8, 1, 4096, 40, 4, 1064},
        // clang-format on
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << row.nBitCount << " bits, " << row.nWidth << " by " << row.nHeight
                                        << ", header " << row.nHeaderSize);
        const int nRows = row.nHeight < 0 ? -row.nHeight : row.nHeight;
        const std::vector<Rgb> pixels(static_cast<std::size_t>(row.nWidth) * nRows, 0);
        const std::vector<unsigned char> dib =
            MakeDib(row.nBitCount, row.nWidth, row.nHeight, pixels, row.nHeaderSize);
        ASSERT_EQ(dib.size(), row.nBitsOffset + row.nStride * nRows);
        DibView view;
        ASSERT_TRUE(ReadDibView(dib.data(), dib.size(), &view));
        EXPECT_EQ(view.nWidth, row.nWidth);
        EXPECT_EQ(view.nHeight, nRows);
        EXPECT_EQ(view.bTopDown, row.nHeight < 0);
        EXPECT_EQ(view.nStride, row.nStride);
        EXPECT_EQ(view.pBits, dib.data() + row.nBitsOffset);
        EXPECT_EQ(view.pTable, row.nBitCount == 24 ? nullptr : dib.data() + 40);
        EXPECT_EQ(view.nColors, GetDibColorCount(static_cast<std::uint16_t>(row.nBitCount)));
        // One byte short of the last row, or of the header, is refused.
        EXPECT_FALSE(ReadDibView(dib.data(), dib.size() - 1, &view));
        EXPECT_FALSE(ReadDibView(dib.data(), 39, &view));
    }
}

TEST(DibStride, RowsArePaddedToWholeWords)
{
    static const struct
    {
        int nWidth;
        int nBitCount;
        std::size_t nStride;
    } kRows[] = {
        // One row per case, as a table (the formatter would pack them):
        // clang-format off
        {1, 1, 4}, {32, 1, 4}, {33, 1, 8},
        {7, 4, 4}, {9, 4, 8},
        {600, 8, 600}, {601, 8, 604},
        {1, 24, 4}, {5, 24, 16}, {800, 24, 2400}, {4096, 24, 12288},
        // clang-format on
    };
    for (const auto& row : kRows)
        EXPECT_EQ(GetDibStride(row.nWidth, row.nBitCount), row.nStride)
            << row.nWidth << " pixels of " << row.nBitCount << " bits";
}

TEST(DibScaleSmooth, EachPixelIsTheAverageOfTheAreaItCovers)
{
    const Rgb a = 0x000000, b = 0xFFFFFF, c = 0x306090, d = 0x90C0F0;
    static const struct
    {
        const char* pszName;
        int nWidth, nHeight;
        std::vector<Rgb> source; // top row first, 24 bits
        int cx, cy;
        std::vector<Rgb> scaled;
    } kRows[] = {
        {"the same size", 2, 2, {a, b, c, d}, 2, 2, {a, b, c, d}},
        {"twice the size", 2, 1, {a, c}, 4, 2, {a, a, c, c, a, a, c, c}},
        {"half the size", 4, 2, {a, a, c, d, a, a, d, c}, 2, 1, {a, 0x6090C0}},
        // Two into three: the middle pixel covers half of each, 127.5 rounds up.
        {"two into three", 2, 1, {a, b}, 3, 1, {a, 0x808080, b}},
        // Three into two: two thirds of one pixel and one third of the next.
        {"three into two", 3, 1, {a, b, c}, 2, 1, {0x555555, 0x7595B5}},
        {"a column into a block", 1, 2, {a, b}, 2, 3, {a, a, 0x808080, 0x808080, b, b}},
        {"all into one", 2, 2, {a, b, c, d}, 1, 1, {0x7088A0}},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        const std::vector<unsigned char> dib = MakeDib(24, row.nWidth, row.nHeight, row.source);
        const Scaled scaled = Scale(ViewOf(dib), row.cx, row.cy, true);
        ASSERT_TRUE(scaled.bResult);
        ASSERT_EQ(scaled.pixels.size(), row.scaled.size());
        for (std::size_t k = 0; k < row.scaled.size(); ++k)
            EXPECT_EQ(scaled.pixels[k], row.scaled[k]) << std::hex << "pixel " << k;
    }
}

TEST(DibScaleSmooth, ReadsEveryBitCountAndRowOrderAlike)
{
    // The same indices at 1, 4 and 8 bits, stored either way up, come out as
    // their table colours; at the same size nothing else changes.
    static const struct
    {
        int nBitCount;
        int nWidth;
        std::vector<Rgb> indices; // two rows
    } kRows[] = {
        {1, 10, {1, 0, 1, 1, 0, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 0, 1, 0}},
        {4, 3, {15, 0, 7, 8, 1, 14}},
        {8, 3, {255, 0, 128, 1, 254, 127}},
    };
    for (const auto& row : kRows) {
        for (bool bTopDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << row.nBitCount << " bits" << (bTopDown ? ", top-down" : ""));
            const std::vector<unsigned char> dib =
                MakeDib(row.nBitCount, row.nWidth, bTopDown ? -2 : 2, row.indices);
            const Scaled scaled = Scale(ViewOf(dib), row.nWidth, 2, true);
            ASSERT_TRUE(scaled.bResult);
            EXPECT_EQ(scaled.pixels, TableColors(row.indices));
        }
    }
}

TEST(DibScaleSmooth, KeepsTheMeanAndTheRangeOfAPicture)
{
    // Area averaging neither darkens nor lightens: over the whole picture each
    // channel keeps its mean within the rounding of one pixel, and no pixel
    // leaves the range of the picture's own values.
    const int nWidth = 60, nHeight = 40;
    const std::vector<Rgb> indices = NoisePixels(nWidth * nHeight);
    const std::vector<Rgb> colors = TableColors(indices);
    const std::vector<unsigned char> dib = MakeDib(8, nWidth, nHeight, indices);
    static const struct
    {
        int cx, cy;
    } kSizes[] = {{80, 49}, {90, 60}, {61, 41}, {45, 30}, {7, 5}};
    for (const auto& size : kSizes) {
        SCOPED_TRACE(testing::Message() << size.cx << " by " << size.cy);
        const Scaled scaled = Scale(ViewOf(dib), size.cx, size.cy, true);
        ASSERT_TRUE(scaled.bResult);
        for (int nShift : {0, 8, 16}) {
            SCOPED_TRACE(testing::Message() << "bits " << nShift << " up");
            double fSource = 0, fScaled = 0;
            int nMin = 255, nMax = 0;
            for (Rgb v : colors) {
                fSource += Channel(v, nShift);
                nMin = std::min(nMin, Channel(v, nShift));
                nMax = std::max(nMax, Channel(v, nShift));
            }
            for (Rgb v : scaled.pixels) {
                fScaled += Channel(v, nShift);
                EXPECT_GE(Channel(v, nShift), nMin);
                EXPECT_LE(Channel(v, nShift), nMax);
            }
            EXPECT_NEAR(fScaled / scaled.pixels.size(), fSource / colors.size(), 0.5);
        }
    }
}

TEST(DibScaleNearest, EachPixelTakesTheIndexUnderItsCentre)
{
    static const struct
    {
        const char* pszName;
        int nBitCount;
        int nWidth, nHeight;
        std::vector<Rgb> source; // indices, top row first
        int cx, cy;
        std::vector<Rgb> scaled;
    } kRows[] = {
        {"the same size", 8, 3, 1, {7, 200, 3}, 3, 1, {7, 200, 3}},
        {"two into three", 8, 2, 1, {5, 9}, 3, 1, {5, 9, 9}},
        {"three into two", 8, 3, 1, {5, 9, 11}, 2, 1, {5, 11}},
        {"rows too", 8, 1, 2, {5, 9}, 2, 3, {5, 5, 9, 9, 9, 9}},
        {"1 bit", 1, 3, 1, {1, 0, 1}, 6, 1, {1, 1, 0, 0, 1, 1}},
        {"4 bits", 4, 2, 2, {15, 1, 2, 14}, 4, 2, {15, 15, 1, 1, 2, 2, 14, 14}},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        const std::vector<unsigned char> dib = MakeDib(row.nBitCount, row.nWidth, row.nHeight, row.source);
        const Scaled scaled = Scale(ViewOf(dib), row.cx, row.cy, false);
        ASSERT_TRUE(scaled.bResult);
        EXPECT_EQ(scaled.pixels, row.scaled);
    }
}

TEST(DibScaleNearest, GrowingShowsEveryColumnInOrder)
{
    // 256 columns with indices 0 to 255, grown as the launcher's window grows
    // at 120 and 144 dots per inch: every index appears, left to right.
    std::vector<Rgb> indices;
    for (Rgb k = 0; k < 256; ++k)
        indices.push_back(k);
    const std::vector<unsigned char> dib = MakeDib(8, 256, 1, indices);
    for (int cx : {320, 384, 257}) {
        SCOPED_TRACE(testing::Message() << cx << " wide");
        const Scaled scaled = Scale(ViewOf(dib), cx, 1, false);
        ASSERT_TRUE(scaled.bResult);
        EXPECT_EQ(scaled.pixels.front(), 0u);
        EXPECT_EQ(scaled.pixels.back(), 255u);
        for (int x = 1; x < cx; ++x)
            ASSERT_LE(scaled.pixels[x] - scaled.pixels[x - 1], 1u) << "pixel " << x;
    }
}

TEST(DibScale, RefusedSizesWriteNothing)
{
    const std::vector<unsigned char> dib8 = MakeDib(8, 2, 1, {1, 2});
    const std::vector<unsigned char> dib24 = MakeDib(24, 2, 1, {1, 2});
    static const struct
    {
        int cx, cy;
    } kSizes[] = {{0, 1}, {1, 0}, {-1, 5}, {4097, 1}, {1, 4097}};
    for (const auto& size : kSizes) {
        SCOPED_TRACE(testing::Message() << size.cx << " by " << size.cy);
        EXPECT_FALSE(IsScalableDibExtent(size.cx, size.cy));
        EXPECT_FALSE(Scale(ViewOf(dib8), size.cx, size.cy, true).bResult);
        EXPECT_FALSE(Scale(ViewOf(dib8), size.cx, size.cy, false).bResult);
    }
    EXPECT_TRUE(IsScalableDibExtent(4096, 4096));
    // Without a colour table there are no indices to keep to.
    EXPECT_FALSE(Scale(ViewOf(dib24), 3, 1, false).bResult);
    EXPECT_TRUE(Scale(ViewOf(dib24), 3, 1, true).bResult);
}
