// The expansion of one command template, before the program lower-cases the
// stored line (the tests under Wine cover that, through the launcher's own
// templates and the system's code page).
#include "commands/ExpandCommandTemplate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

void CountReport(void* pContext)
{
    ++*static_cast<int*>(pContext);
}

struct Expansion
{
    std::string strLine;
    size_t nLength;
    int nReports;
};

Expansion Expand(const char* pszTemplate, const char* pszSource, const char* pszInstalled,
                 const char* pszWindows)
{
    int nReports = 0;
    const CommandTemplateSeam seam = {CountReport, &nReports};
    char szOut[kMaxCommandLine + 1];
    std::memset(szOut, 'Z', sizeof(szOut));
    const size_t nLength =
        ExpandCommandTemplate(pszTemplate, pszSource, pszInstalled, pszWindows, seam, szOut);
    return {szOut, nLength, nReports};
}

struct ScanRow
{
    const char* pszTemplate;
    const char* pszSource;
    const char* pszInstalled;
    const char* pszWindows;
    const char* pszLine;
    int nReports;
};

const ScanRow kScanRows[] = {
    // Codes
    {"[$s][$i][$I][$w]", "D:", "C:\\GAMES", "C:\\WIN", "[D:][C:\\GAMES][C][C:\\WIN]", 0},
    {"$$", "D:", "C:\\G", "C:\\W", "", 1},
    {"$$s", "D:", "C:\\G", "C:\\W", "s", 1},
    {"a$xb$w", "D:", "C:\\G", "C:\\WINDOWS", "abC:\\WINDOWS", 1},
    {"$S$i", "D:", "C:\\G", "C:\\W", "C:\\G", 1},
    {"$W$i", "D:", "C:\\G", "C:\\W", "C:\\G", 1},
    {"$ $i", "D:", "C:\\G", "C:\\W", "C:\\G", 1},
    {"$1$i", "D:", "C:\\G", "C:\\W", "C:\\G", 1},
    {"ab$", "D:", "C:\\G", "C:\\W", "ab", 1},
    {"$$$", "D:", "C:\\G", "C:\\W", "", 2},
    {"$", "D:", "C:\\G", "C:\\W", "", 1},
    // The installed directory's part before its first ':'
    {"[$I][$i]", "D:", "\\\\SERVER\\GAMES", "C:\\W", "[][\\\\SERVER\\GAMES]", 0},
    {"[$I][$i]", "D:", "GAMES", "C:\\W", "[][GAMES]", 0},
    {"[$I]", "D:", "AB:\\X", "C:\\W", "[AB]", 0},
    {"[$I]", "D:", "A:B:C", "C:\\W", "[A]", 0},
    {"[$I]", "D:", ":X", "C:\\W", "[]", 0},
    // Directories are inserted verbatim: no codes, no quotes
    {"$s x", "D:\\$w$$", "C:\\G", "C:\\W", "D:\\$w$$ x", 0},
    {"run $i", "D:", "C:\\MY GAMES", "C:\\W", "run C:\\MY GAMES", 0},
    // The line is canonicalised, its case kept
    {"notepad.exe $s\\.\\readme.txt", "D:", "", "C:\\W", "notepad.exe D:\\readme.txt", 0},
    {"$s\\gostart.bat $I $i qx.pif", "E:\\CD", "C:\\GAMES\\..\\ORVANE", "C:\\W",
     "E:\\CD\\gostart.bat C C:\\ORVANE qx.pif", 0},
    {"gostart.bat $I $i qx.pif", "D:", "", "C:\\W", "gostart.bat   qx.pif", 0},
    // Empty and missing parts
    {"", "D:", "C:\\G", "C:\\W", "", 0},
    {nullptr, "D:", "C:\\G", "C:\\W", "", 0},
    {"[$s][$i][$I][$w]", nullptr, nullptr, nullptr, "[][][][]", 0},
    {"<none>", "D:", "C:\\G", "C:\\W", "<none>", 0},
};

} // namespace

TEST(ExpandCommandTemplate, Codes)
{
    for (size_t nRow = 0; nRow < sizeof(kScanRows) / sizeof(kScanRows[0]); ++nRow) {
        const ScanRow& row = kScanRows[nRow];
        SCOPED_TRACE("row " + std::to_string(nRow) + ": \"" + (row.pszTemplate ? row.pszTemplate : "(null)") +
                     "\"");
        const Expansion expansion = Expand(row.pszTemplate, row.pszSource, row.pszInstalled, row.pszWindows);
        EXPECT_EQ(row.pszLine, expansion.strLine);
        EXPECT_EQ(expansion.strLine.size(), expansion.nLength);
        EXPECT_EQ(row.nReports, expansion.nReports);
    }
}

TEST(ExpandCommandTemplate, NullReportReportsNothing)
{
    const CommandTemplateSeam seam = {nullptr, nullptr};
    char szOut[kMaxCommandLine + 1];
    EXPECT_EQ(1u, ExpandCommandTemplate("$qA$", "D:", "", "", seam, szOut));
    EXPECT_STREQ("A", szOut);
}

// The line is cut at 255 characters, also in the middle of a directory; what
// follows in the template is ignored and its unknown codes go unreported.
TEST(ExpandCommandTemplate, CutAtLimit)
{
    const std::string strLong(300, 'A');
    const std::string strFull(kMaxCommandLine, 'A');

    struct CutRow
    {
        std::string strTemplate;
        std::string strSource;
        std::string strLine;
        int nReports;
    };
    const CutRow rows[] = {
        {"$s$x", strLong, strFull, 0},
        {"xy$s$x", std::string(kMaxCommandLine - 1, 'A'), "xy" + std::string(kMaxCommandLine - 2, 'A'), 0},
        {strLong + "$x", "D:", strFull, 0},
        {strFull + "$x$", "D:", strFull, 0},
        {std::string(kMaxCommandLine - 1, 'A') + "$x", "D:", std::string(kMaxCommandLine - 1, 'A'), 1},
        {std::string(kMaxCommandLine - 1, 'A') + "$", "D:", std::string(kMaxCommandLine - 1, 'A'), 1},
        {std::string(kMaxCommandLine - 1, 'A') + "$s", "D:", std::string(kMaxCommandLine - 1, 'A') + "D", 0},
    };
    for (size_t nRow = 0; nRow < sizeof(rows) / sizeof(rows[0]); ++nRow) {
        SCOPED_TRACE("row " + std::to_string(nRow));
        const Expansion expansion =
            Expand(rows[nRow].strTemplate.c_str(), rows[nRow].strSource.c_str(), "C:\\G", "C:\\W");
        EXPECT_EQ(rows[nRow].strLine, expansion.strLine);
        EXPECT_EQ(expansion.strLine.size(), expansion.nLength);
        EXPECT_EQ(rows[nRow].nReports, expansion.nReports);
    }
}

// A cut line is canonicalised after the cut: a ".." beyond character 255 never
// folds anything.
TEST(ExpandCommandTemplate, CanonicalisesAfterTheCut)
{
    const std::string strDir = std::string(kMaxCommandLine - 3, 'a') + "\\b\\..\\c";
    EXPECT_EQ(std::string(kMaxCommandLine - 3, 'a') + "\\b\\", Expand("$s", strDir.c_str(), "", "").strLine);
    const std::string strFolds = std::string(kMaxCommandLine - 6, 'a') + "\\b\\..\\c";
    EXPECT_EQ(std::string(kMaxCommandLine - 6, 'a') + "\\", Expand("$s", strFolds.c_str(), "", "").strLine);
}
