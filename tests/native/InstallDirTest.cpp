// The sample installer's rules for the folder it installs the game in.
#include "cdprograms/install/InstallDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Row
{
    const char* pszName;
    std::string strTyped;
    InstallDirVerdict verdict;
    const char* pszDir; // for kInstallDirOk: the folder as used
    char chBad;         // for kInstallDirBadChar
};

const std::string k64 = "C:\\" + std::string(61, 'a');

// clang-format off
const Row kRows[] = {
    {"the default",                  "C:\\GAMES\\ORVANE",         kInstallDirOk,        "C:\\GAMES\\ORVANE", 0},
    {"lower case, one level",        "d:\\orvane",                kInstallDirOk,        "d:\\orvane", 0},
    {"blanks around, backslashes",   "  C:\\GAMES\\ORVANE\\\\  ", kInstallDirOk,        "C:\\GAMES\\ORVANE", 0},
    {"single blanks inside",         "C:\\Program Files\\Or vane", kInstallDirOk,       "C:\\Program Files\\Or vane", 0},
    {"64 characters",                k64,                         kInstallDirOk,        k64.c_str(), 0},
    {"65 characters",                k64 + "b",                   kInstallDirTooLong,   "", 0},
    {"250 characters",               "C:\\" + std::string(247, 'x'), kInstallDirTooLong, "", 0},
    {"$ and brackets are fine",      "C:\\$GAME (1)\\[x]",        kInstallDirOk,        "C:\\$GAME (1)\\[x]", 0},
    {"empty",                        "",                          kInstallDirEmpty,     "", 0},
    {"blanks only",                  "   ",                       kInstallDirEmpty,     "", 0},
    {"relative",                     "GAMES\\ORVANE",             kInstallDirNotFull,   "", 0},
    {"drive relative",               "C:GAMES",                   kInstallDirNotFull,   "", 0},
    {"drive root",                   "C:\\",                      kInstallDirNotFull,   "", 0},
    {"drive alone",                  "C:",                        kInstallDirNotFull,   "", 0},
    {"network path",                 "\\\\SERVER\\GAMES",         kInstallDirNotFull,   "", 0},
    {"no letter",                    "1:\\GAMES",                 kInstallDirNotFull,   "", 0},
    {"backslashes only",             "\\\\\\",                    kInstallDirNotFull,   "", 0},
    {"ampersand",                    "C:\\R&D",                   kInstallDirBadChar,   "", '&'},
    {"percent",                      "C:\\100%",                  kInstallDirBadChar,   "", '%'},
    {"caret",                        "C:\\a^b",                   kInstallDirBadChar,   "", '^'},
    {"semicolon",                    "C:\\a;b",                   kInstallDirBadChar,   "", ';'},
    {"comma",                        "C:\\a,b",                   kInstallDirBadChar,   "", ','},
    {"equals",                       "C:\\a=b",                   kInstallDirBadChar,   "", '='},
    {"second colon",                 "C:\\a:b",                   kInstallDirBadChar,   "", ':'},
    {"forward slash",                "C:\\GAMES/ORVANE",          kInstallDirBadChar,   "", '/'},
    {"wildcard",                     "C:\\GAMES\\*",              kInstallDirBadChar,   "", '*'},
    {"quote",                        "C:\\\"x\"",                 kInstallDirBadChar,   "", '"'},
    {"tab",                          "C:\\a\tb",                  kInstallDirBadChar,   "", '\t'},
    {"two blanks",                   "C:\\a  b",                  kInstallDirTwoBlanks, "", 0},
    {"empty part",                   "C:\\GAMES\\\\ORVANE",       kInstallDirBadName,   "", 0},
    {"dot part",                     "C:\\GAMES\\.\\ORVANE",      kInstallDirBadName,   "", 0},
    {"dot dot part",                 "C:\\GAMES\\..\\ORVANE",     kInstallDirBadName,   "", 0},
    {"part ending in a dot",         "C:\\ORVANE.",               kInstallDirBadName,   "", 0},
    {"part ending in a blank",       "C:\\GAMES \\ORVANE",        kInstallDirBadName,   "", 0},
    {"part starting with a blank",   "C:\\ GAMES",                kInstallDirBadName,   "", 0},
};
// clang-format on

} // namespace

TEST(InstallDir, VerdictsAndTheFolderUsed)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.pszName);
        const InstallDirCheck check = CheckInstallDir(row.strTyped.c_str());
        EXPECT_EQ(check.verdict, row.verdict);
        EXPECT_STREQ(check.szDir, row.pszDir);
        if (row.verdict == kInstallDirBadChar)
            EXPECT_EQ(check.chBad, row.chBad);
    }
}

TEST(InstallDir, NullCountsAsEmpty)
{
    EXPECT_EQ(CheckInstallDir(nullptr).verdict, kInstallDirEmpty);
}

// The installer in MS-DOS mode: the same rules, and 8.3 names.
TEST(InstallDir, MsDosRulesAsk83NamesToo)
{
    static const struct
    {
        const char* pszName;
        std::string strTyped;
        InstallDirVerdict verdict;
    } kRows[] = {
        {"the default", "C:\\GAMES\\ORVANE", kInstallDirOk},
        {"lower case and an extension", "d:\\games\\orvane.95", kInstallDirOk},
        {"eight and three", "C:\\ABCDEFGH.IJK\\$GAME~1", kInstallDirOk},
        {"trimmed first", " C:\\GAMES\\ORVANE\\ ", kInstallDirOk},
        {"nine characters", "C:\\GAMES\\ORVANEGAM", kInstallDirNotDosName},
        {"a four-character extension", "C:\\ORVANE.GAME", kInstallDirNotDosName},
        {"two dots", "C:\\OR.VA.NE", kInstallDirNotDosName},
        {"nothing before the dot", "C:\\.ORV", kInstallDirNotDosName},
        {"a blank", "C:\\PROGRAM FILES", kInstallDirNotDosName},
        {"a plus", "C:\\A+B", kInstallDirNotDosName},
        {"brackets", "C:\\[GAME]", kInstallDirNotDosName},
        {"the Windows rules come first", "C:\\R&D", kInstallDirBadChar},
        {"and the length", "C:\\" + std::string(62, 'A'), kInstallDirTooLong},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        EXPECT_EQ(CheckInstallDir(row.strTyped.c_str(), kDosFolderRules).verdict, row.verdict);
    }
    // The Windows rules take what MS-DOS names do not.
    EXPECT_EQ(CheckInstallDir("C:\\Program Files\\Orvane Game").verdict, kInstallDirOk);
}

// Names that MS-DOS and Windows keep for devices are no folder, in any part,
// any case, with any extension, under both rules; names that only begin or
// end like one are.
TEST(InstallDir, DeviceNamesAreRefusedAsParts)
{
    static const struct
    {
        const char* pszTyped;
        const char* pszPart; // the part refused; null for a folder that is fine
    } kRows[] = {
        {"C:\\CON", "CON"},
        {"C:\\GAMES\\NUL", "NUL"},
        {"C:\\PRN\\ORVANE", "PRN"},
        {"C:\\GAMES\\aux\\ORVANE", "aux"},
        {"C:\\COM1", "COM1"},
        {"C:\\com4", "com4"},
        {"C:\\LPT1", "LPT1"},
        {"C:\\Lpt3\\GAME", "Lpt3"},
        {"C:\\CON.DIR", "CON.DIR"},
        {"C:\\GAMES\\nul.txt\\X", "nul.txt"},
        {"C:\\CLOCK$", "CLOCK$"},
        {"C:\\clock$.x", "clock$.x"},
        {"C:\\CON .DIR", "CON .DIR"},
        {"C:\\CONSOLE", nullptr},
        {"C:\\ACON", nullptr},
        {"C:\\COM", nullptr},
        {"C:\\LPT", nullptr},
        {"C:\\LPT0", nullptr},
        {"C:\\CLOCK", nullptr},
        {"C:\\GAMES.CON", nullptr},
        {"C:\\NULL\\CONFIG", nullptr},
    };
    for (const auto& row : kRows) {
        for (InstallDirRules rules : {kWindowsFolderRules, kDosFolderRules}) {
            SCOPED_TRACE(std::string(row.pszTyped) + (rules == kDosFolderRules ? ", MS-DOS rules" : ""));
            const InstallDirCheck check = CheckInstallDir(row.pszTyped, rules);
            // Blanks are no part of an MS-DOS name in the first place.
            if (rules == kDosFolderRules && strchr(row.pszTyped, ' ')) {
                EXPECT_NE(check.verdict, kInstallDirOk);
                continue;
            }
            if (!row.pszPart) {
                EXPECT_EQ(check.verdict, kInstallDirOk);
                continue;
            }
            EXPECT_EQ(check.verdict, kInstallDirDeviceName);
            EXPECT_STREQ(check.szPart, row.pszPart);
            EXPECT_STREQ(check.szDir, "");
        }
    }
}
