// The line that the MS-DOS installer edits: what each key does to the text
// and the cursor.
#include "cdprograms/install/PromptLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Keys = std::vector<uint16_t>;
const uint16_t kBs = kDosKeyBackspace, kDel = kDosKeyDelete, kLeft = kDosKeyLeft, kRight = kDosKeyRight,
               kHome = kDosKeyHome, kEnd = kDosKeyEnd, kEnter = kDosKeyEnter, kEsc = kDosKeyEscape;
const uint16_t kF1 = kDosExtendedKey + 0x3B;

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

// A text-mode screen as the BIOS runs it: printing wraps after the last
// column and moves the screen up after the last row; a carriage return and
// a line feed do what they do on a teletype.
class CFakeScreen : public CTextScreen
{
public:
    CFakeScreen(unsigned nColumns, unsigned nRows) : m_nColumns(nColumns), m_rows(nRows, Blank()) {}

    unsigned Columns() override { return m_nColumns; }
    void Print(const char* pText, size_t nLength) override
    {
        for (size_t i = 0; i < nLength; ++i) {
            if (pText[i] == '\r') {
                m_nColumn = 0;
            } else if (pText[i] == '\n') {
                NextRow();
            } else {
                m_rows[m_nRow][m_nColumn] = pText[i];
                if (++m_nColumn == m_nColumns) {
                    m_nColumn = 0;
                    NextRow();
                }
            }
        }
    }
    void GetCursor(unsigned* pnRow, unsigned* pnColumn) override
    {
        *pnRow = m_nRow;
        *pnColumn = m_nColumn;
    }
    void SetCursor(unsigned nRow, unsigned nColumn) override
    {
        ASSERT_LT(nRow, m_rows.size());
        ASSERT_LT(nColumn, m_nColumns);
        m_nRow = nRow;
        m_nColumn = nColumn;
    }

    // The rows, without the blanks at their ends.
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (const std::string& strRow : m_rows)
            rows.push_back(strRow.substr(0, strRow.find_last_not_of(' ') + 1));
        return rows;
    }
    unsigned m_nRow = 0, m_nColumn = 0;

private:
    std::string Blank() const { return std::string(m_nColumns, ' '); }
    void NextRow()
    {
        if (++m_nRow < m_rows.size())
            return;
        m_rows.erase(m_rows.begin());
        m_rows.push_back(Blank());
        --m_nRow;
    }

    unsigned m_nColumns;
    std::vector<std::string> m_rows;
};

} // namespace

// Text breaks at blanks into rows shorter than the screen, at 40 columns as
// at 80; a word longer than a row is cut.
TEST(PromptLine, TextIsWrappedToTheScreensWidth)
{
    static const struct
    {
        const char* pszName;
        unsigned nColumns;
        const char* pszText;
        std::vector<std::string> rows;
    } kRows[] = {
        {"80 columns",
         80,
         "Setup copies Orvane from the CD into the folder below and records it, so that the CD's launcher "
         "offers Play.",
         {"Setup copies Orvane from the CD into the folder below and records it, so that",
          "the CD's launcher offers Play."}},
        {"40 columns",
         40,
         "Setup copies Orvane from the CD into the folder below and records it, so that the CD's launcher "
         "offers Play.",
         {"Setup copies Orvane from the CD into", "the folder below and records it, so",
          "that the CD's launcher offers Play."}},
        {"39 characters fill a row of 40",
         40,
         "Enter installs, Escape cancels. 1234567",
         {"Enter installs, Escape cancels. 1234567"}},
        {"40 do not",
         40,
         "Enter installs, Escape cancels. 12345678",
         {"Enter installs, Escape cancels.", "12345678"}},
        {"a long word on a row of its own",
         40,
         "Copying C:\\GAMES\\ORVANE\\DATA\\MUSIC\\THEME.MID now",
         {"Copying", "C:\\GAMES\\ORVANE\\DATA\\MUSIC\\THEME.MID", "now"}},
        {"a word longer than the whole row",
         20,
         "A-word-that-is-longer-than-a-row. Ok",
         {"A-word-that-is-long", "er-than-a-row. Ok"}},
        {"line ends kept", 40, "Orvane Setup\n\nEnter installs.", {"Orvane Setup", "", "Enter installs."}},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        CFakeScreen screen(row.nColumns, 25);
        PrintWrapped(screen, row.pszText);
        std::vector<std::string> rows = screen.Rows();
        rows.resize(row.rows.size());
        EXPECT_EQ(rows, row.rows);
        EXPECT_EQ(screen.m_nRow, row.rows.size());
        EXPECT_EQ(screen.m_nColumn, 0u);
    }
}

namespace {

const char kLabel[] = "Install to: ";

Keys Typed(const std::string& strText)
{
    return Keys(strText.begin(), strText.end());
}

Keys operator+(Keys keys, const Keys& more)
{
    keys.insert(keys.end(), more.begin(), more.end());
    return keys;
}

} // namespace

// The prompt is drawn again after every key from the row it began on,
// however many rows the text takes and however far the screen moved up:
// one prompt on the screen, the cursor where the line has it.
TEST(PromptLine, ThePromptIsDrawnOnceOverAsManyRowsAsItTakes)
{
    const Keys kParts = Typed("\\PART2\\PART3\\PART4");
    const std::vector<std::string> kTwoRows = {"Install to: C:\\GAMES\\ORVANE\\PART2\\PART3\\", "PART4"};
    static const struct
    {
        const char* pszName;
        unsigned nColumns;
        unsigned nStartRow;
        std::string strStart;
        Keys keys;
        std::vector<std::string> rows; // the prompt's rows
        unsigned nFirstRow;            // where they are at the end
        unsigned nRow, nColumn;        // the cursor
    } kRows[] = {
        {"80 columns, one row",
         80,
         2,
         "C:\\GAMES\\ORVANE",
         Typed("\\X"),
         {"Install to: C:\\GAMES\\ORVANE\\X"},
         2,
         2,
         29},
        {"80 columns, the longest line", 80, 2, k66, {}, {"Install to: " + k66}, 2, 2, 78},
        {"40 columns, typed past the row's end", 40, 2, "C:\\GAMES\\ORVANE", kParts, kTwoRows, 2, 3, 5},
        {"40 columns, back into the first row",
         40,
         2,
         "C:\\GAMES\\ORVANE",
         kParts + Keys{kBs, kBs, kBs, kBs, kBs, kBs},
         {"Install to: C:\\GAMES\\ORVANE\\PART2\\PART3"},
         2,
         2,
         39},
        {"40 columns, a row exactly full",
         40,
         2,
         "C:\\GAMES\\ORVANE\\PART2\\PART3\\",
         {},
         {"Install to: C:\\GAMES\\ORVANE\\PART2\\PART3\\"},
         2,
         3,
         0},
        {"40 columns, Home", 40, 2, "C:\\GAMES\\ORVANE", kParts + Keys{kHome}, kTwoRows, 2, 2, 12},
        {"40 columns, Left back across the rows", 40, 2, "C:\\GAMES\\ORVANE",
         kParts + Keys{kHome, kEnd, kLeft, kLeft, kLeft, kLeft, kLeft, kLeft}, kTwoRows, 2, 2, 39},
        {"40 columns, the longest line",
         40,
         2,
         k66,
         {},
         {"Install to: " + k66.substr(0, 28), k66.substr(28)},
         2,
         3,
         38},
        {"40 columns on the last row: the screen moves up once", 40, 24, "C:\\GAMES\\ORVANE",
         kParts + Keys{kBs, '4', kLeft, kRight}, kTwoRows, 23, 24, 5},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        CFakeScreen screen(row.nColumns, 25);
        screen.Print("Orvane Setup", 12);
        for (unsigned n = 0; n < row.nStartRow; ++n)
            screen.Print("\r\n", 2);
        CPromptLine line(row.strStart.c_str());
        CPromptView view;
        view.Start(screen);
        view.Draw(screen, kLabel, line);
        for (uint16_t nKey : row.keys) {
            if (line.OnKey(nKey) == CPromptLine::kEditing)
                view.Draw(screen, kLabel, line);
        }
        // The screen: what was there, moved up as far as the prompt moved,
        // and the prompt's rows, once.
        std::vector<std::string> expected(25);
        const unsigned nMovedUp = row.nStartRow - row.nFirstRow;
        if (nMovedUp == 0)
            expected[0] = "Orvane Setup";
        for (size_t i = 0; i < row.rows.size(); ++i)
            expected[row.nFirstRow + i] = row.rows[i];
        EXPECT_EQ(screen.Rows(), expected);
        EXPECT_EQ(screen.m_nRow, row.nRow);
        EXPECT_EQ(screen.m_nColumn, row.nColumn);

        // What comes next goes on the row after the prompt, wherever the
        // cursor stood in it.
        view.Finish(screen);
        screen.Print("Next", 4);
        const size_t nNext = row.nFirstRow + row.rows.size();
        if (nNext < expected.size()) {
            expected[nNext] = "Next";
        } else {
            expected.erase(expected.begin());
            expected.push_back("Next");
        }
        EXPECT_EQ(screen.Rows(), expected);
    }
}
