// What the MS-DOS installer reads in the launcher's marker file, and what
// it refuses as garbled.
#include "cdprograms/install/MarkerRead.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Row
{
    const char* pszName;
    std::string strFile;
    const char* pszDir; // null: refused
};

const std::string k64 = "C:\\" + std::string(61, 'W');

// clang-format off
const Row kRows[] = {
    {"as the launcher writes it",      "win95dir C:\\WINDOWS\r\n",       "C:\\WINDOWS"},
    {"another folder",                 "win95dir D:\\WIN95\r\n",         "D:\\WIN95"},
    {"as Wine names it",               "win95dir C:\\windows\r\n",       "C:\\windows"},
    {"blanks in the folder",           "win95dir C:\\MY WIN\r\n",        "C:\\MY WIN"},
    {"64 characters",                  "win95dir " + k64 + "\r\n",       k64.c_str()},
    {"no line end",                    "win95dir C:\\WINDOWS",           "C:\\WINDOWS"},
    {"LF only",                        "win95dir C:\\WINDOWS\n",         "C:\\WINDOWS"},
    {"edited: case, blanks, a backslash, Ctrl+Z", "WIN95DIR   C:\\WINDOWS\\  \r\n\r\n\x1A", "C:\\WINDOWS"},
    {"empty",                          "",                               nullptr},
    {"a line end only",                "\r\n",                           nullptr},
    {"the keyword alone",              "win95dir\r\n",                   nullptr},
    {"the keyword and a blank",        "win95dir \r\n",                  nullptr},
    {"another keyword",                "windir C:\\WINDOWS\r\n",         nullptr},
    {"no blank after the keyword",     "win95dirC:\\WINDOWS\r\n",        nullptr},
    {"a blank before the keyword",     " win95dir C:\\WINDOWS\r\n",      nullptr},
    {"a relative folder",              "win95dir WINDOWS\r\n",           nullptr},
    {"no backslash after the drive",   "win95dir C:WINDOWS\r\n",         nullptr},
    {"a drive's root",                 "win95dir C:\\\r\n",              nullptr},
    {"65 characters",                  "win95dir " + k64 + "W\r\n",      nullptr},
    {"a wildcard",                     "win95dir C:\\WIN*\r\n",          nullptr},
    {"a control character",            std::string("win95dir C:\\WIN\0DOWS\r\n", 22), nullptr},
    {"a second line",                  "win95dir C:\\WINDOWS\r\nwin95dir D:\\X\r\n", nullptr},
    {"cut short",                      "win9",                           nullptr},
    {"binary",                         "\xFF\xFE\x00\x01",               nullptr},
};
// clang-format on

TEST(MarkerRead, TheWindowsDirectoryOrGarbled)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.pszName);
        char szDir[kMaxMarkerWindowsDir + 1];
        const bool bRead = ReadMarker(row.strFile.data(), row.strFile.size(), szDir);
        EXPECT_EQ(bRead, row.pszDir != nullptr);
        EXPECT_EQ(std::string(szDir), row.pszDir ? row.pszDir : "");
    }
}

} // namespace
