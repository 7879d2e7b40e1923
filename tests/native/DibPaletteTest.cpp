#include "ui/DibPalette.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A packed bitmap's first bytes: a 40-byte information header with the given
// bit count and count of colours used, then nColors table entries, each with
// distinct blue, green, red and reserved bytes, then one pixel byte.
std::vector<unsigned char> MakePackedDib(std::uint16_t nBitCount, std::uint32_t nClrUsed, int nColors)
{
    std::vector<unsigned char> dib(kDibInfoHeaderSize + kDibColorEntrySize * nColors + 1, 0);
    const std::uint32_t nSize = 40;
    std::memcpy(&dib[0], &nSize, 4);
    std::memcpy(&dib[14], &nBitCount, 2);
    std::memcpy(&dib[32], &nClrUsed, 4);
    for (int i = 0; i < nColors; ++i) {
        unsigned char* q = &dib[kDibInfoHeaderSize + kDibColorEntrySize * i];
        q[0] = static_cast<unsigned char>(i);        // blue
        q[1] = static_cast<unsigned char>(0x40 + i); // green
        q[2] = static_cast<unsigned char>(0xFF - i); // red
        q[3] = 0xA5;                                 // reserved
    }
    dib.back() = 0x77;
    return dib;
}

struct ColorCountRow
{
    std::uint16_t nBitCount;
    int nColors;
    std::size_t nBitsOffset; // with a 40-byte header
};

// One row per case, as a table (the formatter would pack them):
// clang-format off
const ColorCountRow kColorCountRows[] = {
    {1, 2, 48},
    {4, 16, 104},
    {8, 256, 1064},
    {0, 1, 44},
    {9, 0, 40},
    {16, 0, 40},
    {24, 0, 40},
    {32, 0, 40},
    {0xFFFF, 0, 40},
};
// clang-format on

} // namespace

TEST(DibColorCount, FullTableUpToEightBitsNoneAbove)
{
    for (const ColorCountRow& row : kColorCountRows) {
        SCOPED_TRACE(testing::Message() << "biBitCount " << row.nBitCount);
        const int nColors = GetDibColorCount(row.nBitCount);
        EXPECT_EQ(nColors, row.nColors);
        EXPECT_EQ(GetDibBitsOffset(40, nColors), row.nBitsOffset);
    }
}

TEST(DibColorCount, BitsFollowTheHeaderByItsOwnSize)
{
    // A longer header moves the bits, while the table is still read after 40.
    EXPECT_EQ(GetDibBitsOffset(124, 256), 124u + 1024u);
    EXPECT_EQ(GetDibBitsOffset(108, 0), 108u);
}

TEST(DibPaletteEntries, RedGreenBlueFromTheTableAndFlagsZero)
{
    for (std::uint16_t nBitCount : {1, 4, 8}) {
        SCOPED_TRACE(testing::Message() << "biBitCount " << nBitCount);
        const int nColors = GetDibColorCount(nBitCount);
        std::vector<unsigned char> dib = MakePackedDib(nBitCount, 0, nColors);
        // One entry more than filled, to see that nothing is written past n.
        std::vector<unsigned char> entries(kDibColorEntrySize * (nColors + 1), 0xEE);
        FillDibPaletteEntries(dib.data(), nColors, entries.data());
        for (int i = 0; i < nColors; ++i) {
            SCOPED_TRACE(testing::Message() << "entry " << i);
            const unsigned char* e = &entries[kDibColorEntrySize * i];
            EXPECT_EQ(e[0], static_cast<unsigned char>(0xFF - i)); // red from the third byte
            EXPECT_EQ(e[1], static_cast<unsigned char>(0x40 + i)); // green from the second
            EXPECT_EQ(e[2], static_cast<unsigned char>(i));        // blue from the first
            EXPECT_EQ(e[3], 0);
        }
        for (std::size_t k = kDibColorEntrySize * nColors; k < entries.size(); ++k)
            EXPECT_EQ(entries[k], 0xEE) << "byte " << k << " past the last entry";
    }
}

TEST(DibPaletteEntries, ColoursUsedBelowTheFullTableStillReadsAllOfIt)
{
    // An 8-bit picture that says it uses 16 colours but carries the full
    // table: the count comes from the bit count alone, all 256 entries are
    // read, and the bits start after the whole table.
    std::vector<unsigned char> dib = MakePackedDib(8, 16, 256);
    std::uint16_t nBitCount;
    std::memcpy(&nBitCount, &dib[14], 2);
    const int nColors = GetDibColorCount(nBitCount);
    ASSERT_EQ(nColors, 256);
    std::vector<unsigned char> entries(kDibColorEntrySize * nColors);
    FillDibPaletteEntries(dib.data(), nColors, entries.data());
    const unsigned char* pLast = &entries[kDibColorEntrySize * 255];
    EXPECT_EQ(pLast[0], 0x00); // red 0xFF - 255
    EXPECT_EQ(pLast[1], 0x3F); // green 0x40 + 255, one byte
    EXPECT_EQ(pLast[2], 0xFF); // blue 255
    EXPECT_EQ(GetDibBitsOffset(40, nColors), dib.size() - 1);
    EXPECT_EQ(dib[GetDibBitsOffset(40, nColors)], 0x77);
}

TEST(PaletteDevice, RcPaletteOrEightBitsOrFewer)
{
    static const struct
    {
        bool bPaletteCaps;
        int nBitsPerPixel;
        bool bPalette;
    } kRows[] = {
        // One row per case, as a table (the formatter would pack them):
        // clang-format off
        {true, 1, true},   {false, 1, true},
        {true, 4, true},   {false, 4, true},  // 4 planes of 1 bit count as 4
        {true, 8, true},   {false, 8, true},
        {true, 15, true},  {false, 15, false},
        {true, 16, true},  {false, 16, false},
        {true, 24, true},  {false, 24, false},
        {true, 32, true},  {false, 32, false},
        // clang-format on
    };
    for (const auto& row : kRows)
        EXPECT_EQ(IsPaletteDevice(row.bPaletteCaps, row.nBitsPerPixel), row.bPalette)
            << (row.bPaletteCaps ? "RC_PALETTE, " : "no RC_PALETTE, ") << row.nBitsPerPixel << " bits";
}
