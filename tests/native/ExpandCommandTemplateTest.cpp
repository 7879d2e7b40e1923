#include "commands/ExpandCommandTemplate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The five command templates, in slot order.
const char* const kTemplates[] = {
    "notepad.exe $s\\.\\readme.txt",
    "$s\\instdata\\runcheck.bat $s\\qxinst.pif $s\\qxchk.pif",
    "$s\\instdata\\gostart.bat $I $i qx.pif",
    "<none>",
    "$s\\instdata\\gostart.bat $I $i qxconfig.pif",
};

struct SeamLog
{
    int nReports = 0;
};

void CountReport(void* pContext)
{
    ++static_cast<SeamLog*>(pContext)->nReports;
}

void LowerAscii(char* psz, void*)
{
    for (; *psz != '\0'; ++psz) {
        if (*psz >= 'A' && *psz <= 'Z')
            *psz = static_cast<char>(*psz - 'A' + 'a');
    }
}

struct Expansion
{
    std::string strLine;
    size_t nLength;
    int nReports;
};

Expansion Expand(const char* pszTemplate, const char* pszSource, const char* pszInstalled,
                 const char* pszWindows, bool bLower = true)
{
    SeamLog log;
    const CommandTemplateSeam seam = {CountReport, bLower ? LowerAscii : nullptr, &log};
    char szOut[kMaxCommandLine + 1];
    std::memset(szOut, 'Z', sizeof(szOut));
    const size_t nLength =
        ExpandCommandTemplate(pszTemplate, pszSource, pszInstalled, pszWindows, seam, szOut);
    return {szOut, nLength, log.nReports};
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
    {"[$s][$i][$I][$w]", "D:", "C:\\GAMES", "C:\\WIN", "[d:][c:\\games][c][c:\\win]", 0},
    {"$$", "D:", "C:\\G", "C:\\W", "", 1},
    {"$$s", "D:", "C:\\G", "C:\\W", "s", 1},
    {"a$xb$w", "D:", "C:\\G", "C:\\WINDOWS", "abc:\\windows", 1},
    {"$S$W$ $1$i", "D:", "C:\\G", "C:\\W", "c:\\g", 4},
    {"ab$", "D:", "C:\\G", "C:\\W", "ab", 1},
    {"$$$", "D:", "C:\\G", "C:\\W", "", 2},
    {"$", "D:", "C:\\G", "C:\\W", "", 1},
    // The installed directory's part before its first ':'
    {"[$I][$i]", "D:", "\\\\SERVER\\GAMES", "C:\\W", "[][\\\\server\\games]", 0},
    {"[$I][$i]", "D:", "GAMES", "C:\\W", "[][games]", 0},
    {"[$I]", "D:", "AB:\\X", "C:\\W", "[ab]", 0},
    {"[$I]", "D:", "A:B:C", "C:\\W", "[a]", 0},
    {"[$I]", "D:", ":X", "C:\\W", "[]", 0},
    // Directories are inserted verbatim: no codes, no quotes
    {"$s x", "D:\\$w$$", "C:\\G", "C:\\W", "d:\\$w$$ x", 0},
    {"run $i", "D:", "C:\\MY GAMES", "C:\\W", "run c:\\my games", 0},
    // Empty and missing parts
    {"", "D:", "C:\\G", "C:\\W", "", 0},
    {nullptr, "D:", "C:\\G", "C:\\W", "", 0},
    {"[$s][$i][$I][$w]", nullptr, nullptr, nullptr, "[][][][]", 0},
    {"<none>", "D:", "C:\\G", "C:\\W", "<none>", 0},
};

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

TEST(ExpandCommandTemplate, WithoutLoweringKeepsCase)
{
    EXPECT_EQ("notepad.exe D:\\readme.txt", Expand(kTemplates[0], "D:", "", "C:\\W", false).strLine);
}

TEST(ExpandCommandTemplate, NullSeamFunctions)
{
    const CommandTemplateSeam seam = {nullptr, nullptr, nullptr};
    char szOut[kMaxCommandLine + 1];
    EXPECT_EQ(1u, ExpandCommandTemplate("$qA$", "D:", "", "", seam, szOut));
    EXPECT_STREQ("A", szOut);
}

// The line is cut at 255 characters, also in the middle of a directory; what
// follows in the template is ignored and its unknown codes go unreported.
TEST(ExpandCommandTemplate, CutAtLimit)
{
    const std::string strLong(300, 'A');
    const std::string strLower255(kMaxCommandLine, 'a');

    struct CutRow
    {
        std::string strTemplate;
        std::string strSource;
        std::string strLine;
        int nReports;
    };
    const CutRow rows[] = {
        {"$s$x", strLong, strLower255, 0},
        {"xy$s$x", std::string(kMaxCommandLine - 1, 'A'), "xy" + std::string(kMaxCommandLine - 2, 'a'), 0},
        {strLong + "$x", "D:", strLower255, 0},
        {std::string(kMaxCommandLine, 'A') + "$x$", "D:", strLower255, 0},
        {std::string(kMaxCommandLine - 1, 'A') + "$x", "D:", std::string(kMaxCommandLine - 1, 'a'), 1},
        {std::string(kMaxCommandLine - 1, 'A') + "$", "D:", std::string(kMaxCommandLine - 1, 'a'), 1},
        {std::string(kMaxCommandLine - 1, 'A') + "$s", "D:", std::string(kMaxCommandLine - 1, 'a') + "d", 0},
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

struct LaunchRow
{
    const char* pszSource;
    const char* pszInstalled;
    const char* pszLines[5];
};

const LaunchRow kLaunchRows[] = {
    {"D:",
     "C:\\GAMES\\ORVANE",
     {
         "notepad.exe d:\\readme.txt",
         "d:\\instdata\\runcheck.bat d:\\qxinst.pif d:\\qxchk.pif",
         "d:\\instdata\\gostart.bat c c:\\games\\orvane qx.pif",
         "<none>",
         "d:\\instdata\\gostart.bat c c:\\games\\orvane qxconfig.pif",
     }},
    // First run: nothing installed, the blanks around $I and $i stay.
    {"D:",
     "",
     {
         "notepad.exe d:\\readme.txt",
         "d:\\instdata\\runcheck.bat d:\\qxinst.pif d:\\qxchk.pif",
         "d:\\instdata\\gostart.bat   qx.pif",
         "<none>",
         "d:\\instdata\\gostart.bat   qxconfig.pif",
     }},
    {"E:\\CD",
     "C:\\GAMES\\..\\ORVANE",
     {
         "notepad.exe e:\\cd\\readme.txt",
         "e:\\cd\\instdata\\runcheck.bat e:\\cd\\qxinst.pif e:\\cd\\qxchk.pif",
         "e:\\cd\\instdata\\gostart.bat c c:\\orvane qx.pif",
         "<none>",
         "e:\\cd\\instdata\\gostart.bat c c:\\orvane qxconfig.pif",
     }},
};

TEST(ExpandCommandTemplate, LauncherTemplates)
{
    for (size_t nRow = 0; nRow < sizeof(kLaunchRows) / sizeof(kLaunchRows[0]); ++nRow) {
        const LaunchRow& row = kLaunchRows[nRow];
        for (size_t nSlot = 0; nSlot < 5; ++nSlot) {
            SCOPED_TRACE("row " + std::to_string(nRow) + ", slot " + std::to_string(nSlot));
            const Expansion expansion =
                Expand(kTemplates[nSlot], row.pszSource, row.pszInstalled, "C:\\WINDOWS");
            EXPECT_EQ(row.pszLines[nSlot], expansion.strLine);
            EXPECT_EQ(0, expansion.nReports);
        }
    }
}

} // namespace
