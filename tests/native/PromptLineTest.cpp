// The line that the MS-DOS installer edits: what each key does to the text
// and the cursor.
#include "cdprograms/install/PromptLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Keys = std::vector<uint16_t>;
const uint16_t kBs = CPromptLine::kKeyBackspace, kDel = CPromptLine::kKeyDelete,
               kLeft = CPromptLine::kKeyLeft, kRight = CPromptLine::kKeyRight, kHome = CPromptLine::kKeyHome,
               kEnd = CPromptLine::kKeyEnd, kEnter = CPromptLine::kKeyEnter, kEsc = CPromptLine::kKeyEscape;
const uint16_t kF1 = CPromptLine::kKeyExtended + 0x3B;

struct Row
{
    const char* pszName;
    std::string strStart;
    Keys keys;
    std::string strText;
    size_t nCursor;
    CPromptLine::Outcome last; // what the last key did
};

const std::string k66(CPromptLine::kMaxLength, 'a');

// clang-format off
const Row kRows[] = {
    {"Enter takes the line as it stands", "C:\\GAMES\\ORVANE", {kEnter},     "C:\\GAMES\\ORVANE", 15, CPromptLine::kAccepted},
    {"Escape cancels",                    "C:\\GAMES\\ORVANE", {'x', kEsc},  "C:\\GAMES\\ORVANEx", 16, CPromptLine::kCancelled},
    {"typing adds at the cursor",         "C:\\GAMES",        {'\\', 'O', 'R'}, "C:\\GAMES\\OR",    11, CPromptLine::kEditing},
    {"Backspace takes the one before",    "ABC",              {kBs},         "AB",   2, CPromptLine::kEditing},
    {"Backspace at the start",            "ABC",              {kHome, kBs},  "ABC",  0, CPromptLine::kRefused},
    {"Backspace on an empty line",        "",                 {kBs},         "",     0, CPromptLine::kRefused},
    {"Left, then a character inserts",    "ABC",              {kLeft, kLeft, 'x'}, "AxBC", 2, CPromptLine::kEditing},
    {"Left at the start",                 "AB",               {kLeft, kLeft, kLeft}, "AB", 0, CPromptLine::kRefused},
    {"Right at the end",                  "AB",               {kRight},      "AB",   2, CPromptLine::kRefused},
    {"Home, Delete takes the first",      "ABC",              {kHome, kDel}, "BC",   0, CPromptLine::kEditing},
    {"Delete in the middle",              "ABC",              {kLeft, kLeft, kDel}, "AC", 1, CPromptLine::kEditing},
    {"Delete at the end",                 "ABC",              {kDel},        "ABC",  3, CPromptLine::kRefused},
    {"End goes back to the end",          "ABC",              {kHome, kRight, kEnd}, "ABC", 3, CPromptLine::kEditing},
    {"Home at the start",                 "ABC",              {kHome, kHome}, "ABC", 0, CPromptLine::kRefused},
    {"the whole line replaced",           "C:\\GAMES",        {kHome, kDel, kDel, kDel, kDel, kDel, kDel, kDel, kDel, 'D', ':', '\\', 'X'}, "D:\\X", 4, CPromptLine::kEditing},
    {"a full line takes no more",         k66,                {'b'},         k66,   66, CPromptLine::kRefused},
    {"a full line, inside it neither",    k66,                {kHome, 'b'},  k66,    0, CPromptLine::kRefused},
    {"a longer start is cut",             k66 + "bbb",        {},            k66,   66, CPromptLine::kEditing},
    {"control characters stay out",       "A",                {'\t', 0x7F, 0x01}, "A", 1, CPromptLine::kRefused},
    {"keys without a character stay out", "A",                {kF1},         "A",    1, CPromptLine::kRefused},
    {"the code page's own letters go in", "A",                {0x84, 0xE1},  "A\x84\xE1", 3, CPromptLine::kEditing},
};
// clang-format on

TEST(PromptLine, KeysEditTheLine)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.pszName);
        CPromptLine line(row.strStart.c_str());
        CPromptLine::Outcome last = CPromptLine::kEditing;
        for (uint16_t nKey : row.keys)
            last = line.OnKey(nKey);
        EXPECT_EQ(std::string(line.Text()), row.strText);
        EXPECT_EQ(line.Length(), row.strText.size());
        EXPECT_EQ(line.Cursor(), row.nCursor);
        EXPECT_EQ(last, row.last);
    }
}

} // namespace
