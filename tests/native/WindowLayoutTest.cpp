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
