// The backdrop loader in-process on small bitmaps: the palette it makes, the
// screen bitmap it loads, and the picture scaled to the size asked for.
#include "BackdropPixels.h"
#include "TestResources.h"
#include "TestSupport.h"
#include "platform/GdiHandles.h"
#include "res/resource.h"
#include "ui/Dib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace qxtest;

namespace {

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE hPalette)
{
    std::vector<PALETTEENTRY> entries(GetPaletteEntries(hPalette, 0, 0, nullptr));
    if (!entries.empty())
        GetPaletteEntries(hPalette, 0, static_cast<UINT>(entries.size()), entries.data());
    return entries;
}

// Palette entry i must be table entry i with its bytes in red, green, blue order.
void ExpectPaletteIsTheTable(HPALETTE hPalette, const std::vector<RGBQUAD>& table)
{
    std::vector<PALETTEENTRY> entries = PaletteEntries(hPalette);
    ASSERT_EQ(entries.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(entries[i].peRed, table[i].rgbRed) << "entry " << i;
        EXPECT_EQ(entries[i].peGreen, table[i].rgbGreen) << "entry " << i;
        EXPECT_EQ(entries[i].peBlue, table[i].rgbBlue) << "entry " << i;
        EXPECT_EQ(entries[i].peFlags, 0) << "entry " << i;
    }
}

// The screen bitmap must have the picture's size and show exactly its colours
// through its palette.
void ExpectBitmapShowsThePicture(HBITMAP hBitmap, HPALETTE hPalette, const PackedDib& dib)
{
    BITMAP bm = {};
    ASSERT_NE(GetObjectA(hBitmap, sizeof(bm), &bm), 0);
    ASSERT_EQ(bm.bmWidth, dib.header.biWidth);
    ASSERT_EQ(bm.bmHeight, dib.header.biHeight);
    ExpectedPixels expected = {{}, 0, true};
    for (int y = 0; y < bm.bmHeight; ++y)
        for (int x = 0; x < bm.bmWidth; ++x)
            expected.pixels.push_back(dib.PixelColor(x, y));
    MapToShownColours(dib, &expected.pixels);
    ExpectPixels(ReadBitmapPixels(hBitmap, bm.bmWidth, bm.bmHeight, hPalette), expected);
}

// What LoadDibResource hands out, in owners. The loader must store the
// palette, null included, whatever happens.
struct LoadedDib
{
    CBitmap bitmap;
    CPalette palette;
};

LoadedDib LoadDib(HMODULE hModule, UINT nId)
{
    HPALETTE const hUnstored = reinterpret_cast<HPALETTE>(1);
    HPALETTE hPalette = hUnstored;
    LoadedDib loaded;
    loaded.bitmap = CBitmap(LoadDibResource(hModule, MAKEINTRESOURCEA(nId), &hPalette));
    EXPECT_NE(hPalette, hUnstored) << "no palette stored";
    loaded.palette = CPalette(hPalette != hUnstored ? hPalette : nullptr);
    return loaded;
}

struct DibRow
{
    UINT nId;
    const char* pszName;
    int nColors;
};

// One row per case, as a table (the formatter would pack them):
// clang-format off
const DibRow kDibRows[] = {
    {IDB_TEST_DIB1, "1 bit", 2},
    {IDB_TEST_DIB4, "4 bits", 16},
    {IDB_TEST_DIB8, "8 bits", 256},
    {IDB_TEST_DIB8_USED16, "8 bits, 16 colours used", 256},
    {IDB_TEST_DIB24, "24 bits", 0},
};
// clang-format on

} // namespace

TEST(BackdropDib, PaletteHoldsTheFullTableOfTheBitCount)
{
    for (const DibRow& row : kDibRows) {
        SCOPED_TRACE(row.pszName);
        PackedDib dib;
        ASSERT_TRUE(ReadPackedDib(GetModuleHandleA(nullptr), row.nId, &dib));
        int nColors = -1;
        const CPalette palette(CreateDibPalette(dib.pPacked, &nColors));
        EXPECT_EQ(nColors, row.nColors);
        if (row.nColors == 0) {
            EXPECT_EQ(palette, nullptr);
            continue;
        }
        ASSERT_NE(palette, nullptr);
        ExpectPaletteIsTheTable(palette, dib.table);
    }
}

TEST(BackdropDib, LoadedBitmapShowsThePictureThroughItsPalette)
{
    for (const DibRow& row : kDibRows) {
        SCOPED_TRACE(row.pszName);
        PackedDib dib;
        ASSERT_TRUE(ReadPackedDib(GetModuleHandleA(nullptr), row.nId, &dib));
        const LoadedDib loaded = LoadDib(GetModuleHandleA(nullptr), row.nId);
        ASSERT_NE(loaded.bitmap, nullptr);
        if (row.nColors == 0)
            EXPECT_EQ(loaded.palette, nullptr);
        else
            ExpectPaletteIsTheTable(loaded.palette, dib.table);
        // A wrong start of the pixel bits shows as wrong colours here.
        ExpectBitmapShowsThePicture(loaded.bitmap, loaded.palette, dib);
    }
}

TEST(BackdropDib, MissingResourceGivesNoBitmapAndNoPalette)
{
    const LoadedDib loaded = LoadDib(GetModuleHandleA(nullptr), IDB_TEST_MISSING);
    EXPECT_EQ(loaded.bitmap, nullptr);
    EXPECT_EQ(loaded.palette, nullptr);
}

TEST(BackdropDib, ScaledBitmapHasTheSizeAskedForAndThePictureAveraged)
{
    static const struct
    {
        int cx, cy;
    } kSizes[] = {{9, 5}, {3, 1}, {1, 1}, {16, 3}};
    for (const DibRow& row : kDibRows) {
        PackedDib dib;
        ASSERT_TRUE(ReadPackedDib(GetModuleHandleA(nullptr), row.nId, &dib));
        const LoadedDib loaded = LoadDib(GetModuleHandleA(nullptr), row.nId);
        for (const auto& size : kSizes) {
            SCOPED_TRACE(testing::Message() << row.pszName << ", " << size.cx << " by " << size.cy);
            const CBitmap scaled(LoadScaledDibResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(row.nId),
                                                       loaded.palette, size.cx, size.cy));
            ASSERT_NE(scaled, nullptr);
            BITMAP bm = {};
            ASSERT_NE(GetObjectA(scaled, sizeof(bm), &bm), 0);
            EXPECT_EQ(bm.bmWidth, size.cx);
            EXPECT_EQ(bm.bmHeight, size.cy);
            ExpectPixels(ReadBitmapPixels(scaled, size.cx, size.cy, loaded.palette),
                         ExpectedScaledPicture(dib, size.cx, size.cy));
        }
    }
}

TEST(BackdropDib, ScalingRefusesWhatItCannotMake)
{
    static const struct
    {
        const char* pszName;
        UINT nId;
        int cx, cy;
    } kRows[] = {
        {"missing resource", IDB_TEST_MISSING, 10, 10},
        {"no width", IDB_TEST_DIB8, 0, 10},
        {"negative height", IDB_TEST_DIB8, 10, -1},
        {"too wide", IDB_TEST_DIB8, 4097, 10},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        const CBitmap scaled(LoadScaledDibResource(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(row.nId),
                                                   nullptr, row.cx, row.cy));
        EXPECT_EQ(scaled, nullptr);
    }
}

// The screen of a session whose X server has 8 bits per pixel
// (QX_EXPECT_DEPTH) is a palette display; the true-colour screen of every
// other session is not. Which capabilities make a palette display is for the
// unit tests of IsPaletteDevice.
TEST(BackdropDib, PaletteDisplayIsTheScreenWithAPalette)
{
    const char* pszDepth = getenv("QX_EXPECT_DEPTH");
    const bool bPalette = pszDepth && atoi(pszDepth) <= 8;
    const CClientDC screen(nullptr);
    EXPECT_EQ(IsPaletteDisplay(screen) != FALSE, bPalette);
    EXPECT_EQ(ScreenHasPalette(), bPalette);
}

TEST(BackdropDib, LaunchersBackdropIs600By400With256Entries)
{
    const CLauncherModule launcher;
    ASSERT_NE(launcher, nullptr);
    PackedDib dib;
    ASSERT_TRUE(ReadPackedDib(launcher, IDB_BACKDROP, &dib));
    const LoadedDib loaded = LoadDib(launcher, IDB_BACKDROP);
    ASSERT_NE(loaded.bitmap, nullptr);
    EXPECT_EQ(PaletteEntries(loaded.palette).size(), 256u);
    ExpectPaletteIsTheTable(loaded.palette, dib.table);
    ExpectBitmapShowsThePicture(loaded.bitmap, loaded.palette, dib);
}
