#include "ui/WindowLayout.h"

#include <gtest/gtest.h>

TEST(CenteredIconOffset, TruncatesTowardZero)
{
    static const struct
    {
        int nClient;
        int nIcon;
        int nOffset;
    } kRows[] = {
        // One row per case, as a table (the formatter would pack them):
        // clang-format off
        {32, 32, 0},   // exactly as wide as the icon
        {100, 32, 34}, // (100 - 32 + 1) / 2
        {33, 32, 1},
        {31, 32, 0},   // one narrower: 0 / 2
        {30, 32, 0},   // two narrower: -1 / 2 is 0, not -1
        {29, 32, -1},  // three narrower
        {26, 32, -2},
        {0, 32, -15},
        {400, 32, 184},
        // clang-format on
    };
    for (const auto& row : kRows)
        EXPECT_EQ(GetCenteredIconOffset(row.nClient, row.nIcon), row.nOffset)
            << "client " << row.nClient << ", icon " << row.nIcon;
}

TEST(FitScale, ShrinksOnlyWhatDoesNotFitAndByTheTighterSide)
{
    static const struct
    {
        const char* pszName;
        int cxClient, cyClient, cxRoom, cyRoom;
        int nNumerator, nDenominator; // equal: as it is
    } kRows[] = {
        {"fits with room to spare", 600, 400, 1018, 738, 1, 1},
        {"fits exactly", 600, 400, 600, 400, 1, 1},
        {"one pixel too high", 600, 400, 600, 399, 399, 400},
        {"one pixel too wide", 600, 400, 599, 400, 599, 600},
        {"120 dots per inch on 640 by 480: the width is tighter", 800, 492, 634, 450, 634, 800},
        {"144 dots per inch on 800 by 600", 900, 615, 794, 566, 794, 900},
        {"wide enough, too high", 600, 400, 1000, 300, 300, 400},
        {"too wide and too high, the height tighter", 800, 800, 700, 600, 600, 800},
        {"a room of nothing counts as one pixel", 600, 400, 0, -20, 1, 600},
        {"a client area of nothing counts as one pixel", 0, 0, 10, 10, 1, 1},
    };
    for (const auto& row : kRows) {
        const FitScale scale = GetFitScale(row.cxClient, row.cyClient, row.cxRoom, row.cyRoom);
        EXPECT_EQ(scale.nNumerator, row.nNumerator) << row.pszName;
        EXPECT_EQ(scale.nDenominator, row.nDenominator) << row.pszName;
        // Scaled to the nearest pixel, the client area fits a room of at least one pixel.
        auto scaled = [&](int n) {
            return (n * scale.nNumerator + scale.nDenominator / 2) / scale.nDenominator;
        };
        EXPECT_LE(scaled(row.cxClient), row.cxRoom < 1 ? 1 : row.cxRoom) << row.pszName;
        EXPECT_LE(scaled(row.cyClient), row.cyRoom < 1 ? 1 : row.cyRoom) << row.pszName;
    }
}
