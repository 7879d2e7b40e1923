// What the sample game reads from its arguments, in both of its halves.
#include "cdprograms/game/GameMode.h"

#include <gtest/gtest.h>

namespace {

struct Row
{
    const char* pszArguments;
    GameMode mode;
};

// clang-format off
const Row kRows[] = {
    {"",                kGamePlay},
    {" \t ",            kGamePlay},     // what follows the name may be blanks only
    {"/setup",          kGameSetUp},
    {"/SETUP",          kGameSetUp},    // as the program-information file passes it
    {"/SetUp \t",       kGameSetUp},
    {"/setu",           kGameUnknown},
    {"/setupx",         kGameUnknown},
    {"/setup x",        kGameUnknown},
    {"setup",           kGameUnknown},
    {"-setup",          kGameUnknown},
    {"/play",           kGameUnknown},
};
// clang-format on

TEST(GameMode, ReadFromTheArguments)
{
    for (const Row& row : kRows)
        EXPECT_EQ(ReadGameMode(row.pszArguments), row.mode) << "arguments \"" << row.pszArguments << "\"";
}

} // namespace
