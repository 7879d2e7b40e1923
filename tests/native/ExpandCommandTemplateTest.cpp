// The expansion of one command template, before the program lower-cases the
// stored line (the tests under Wine cover that, through the launcher's own
// templates and the system's code page).
#include "commands/ExpandCommandTemplate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

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

// ---------------------------------------------------------------------------
// Whether a line may run: directories that a command line cannot carry, and
// lines that were cut.

namespace {

// Short names as a file system would give them; a directory not listed has none.
struct ShortNames
{
    std::vector<std::pair<std::string, std::string>> pairs;
};

bool LookUpShortName(const char* pszDirectory, char* pchOut, size_t nOut, void* pContext)
{
    for (const auto& pair : static_cast<const ShortNames*>(pContext)->pairs) {
        if (pair.first == pszDirectory && pair.second.size() < nOut) {
            std::memcpy(pchOut, pair.second.c_str(), pair.second.size() + 1);
            return true;
        }
    }
    return false;
}

struct CheckedLine
{
    std::string strLine;
    CommandLineCheck check;
    int nReports;
};

CheckedLine ExpandChecked(const char* pszTemplate, const char* pszSource, const char* pszInstalled,
                          const char* pszWindows, const ShortNames& shortNames)
{
    int nReports = 0;
    const CommandTemplateSeam seam = {CountReport, &nReports};
    const ShortNameSeam shortSeam = {LookUpShortName, const_cast<ShortNames*>(&shortNames)};
    char szOut[kMaxCommandLine + 1];
    std::memset(szOut, 'Z', sizeof(szOut));
    const CommandLineCheck check =
        ExpandCommandLine(pszTemplate, pszSource, pszInstalled, pszWindows, seam, shortSeam, szOut);
    return {szOut, check, nReports};
}

const char kInstall[] = "$s\\instdata\\runcheck.bat $s\\qxinst.pif $s\\qxchk.pif";
const char kPlay[] = "$s\\instdata\\gostart.bat $I $i qx.pif";
const char kReadme[] = "notepad.exe $s\\.\\readme.txt";

struct CheckRow
{
    const char* pszWhy;
    const char* pszTemplate;
    const char* pszSource;
    const char* pszInstalled;
    const char* pszWindows;
    ShortNames shortNames;
    const char* pszLine;
    CommandLineStatus nStatus;
    CommandDirectory nDirectory;
    int nReports;
};

// Each row's line, its status, the directory the status names, and the
// reports of unknown codes.
template <size_t N>
void ExpectRows(const CheckRow (&rows)[N])
{
    for (size_t nRow = 0; nRow < N; ++nRow) {
        const CheckRow& row = rows[nRow];
        SCOPED_TRACE("row " + std::to_string(nRow) + ": " + row.pszWhy);
        const CheckedLine line =
            ExpandChecked(row.pszTemplate, row.pszSource, row.pszInstalled, row.pszWindows, row.shortNames);
        EXPECT_EQ(row.pszLine, line.strLine);
        EXPECT_EQ(line.strLine.size(), line.check.nLength);
        EXPECT_EQ(row.nStatus, line.check.nStatus);
        EXPECT_EQ(row.nDirectory, line.check.nDirectory);
        EXPECT_EQ(row.nReports, line.nReports);
    }
}

} // namespace

TEST(ExpandCommandLine, DirectoriesThatACommandLineCannotCarry)
{
    // One row per case, as a table (the formatter would put each field on a line of its own):
    // clang-format off
    const CheckRow rows[] = {
        {"nothing to carry: the line of the worked example",
         kPlay, "D:", "C:\\GAMES\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat C C:\\GAMES\\ORVANE qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a blank in the CD folder: its short name",
         kInstall, "C:\\MY CD", "", "C:\\W", {{{"C:\\MY CD", "C:\\MYCD~1"}}},
         "C:\\MYCD~1\\instdata\\runcheck.bat C:\\MYCD~1\\qxinst.pif C:\\MYCD~1\\qxchk.pif",
         kCommandLineRuns, kNoCommandDirectory, 0},
        {"a blank in the game folder: $I from the short name too",
         kPlay, "D:", "C:\\MY GAMES\\OR VANE", "C:\\W", {{{"C:\\MY GAMES\\OR VANE", "C:\\MYGAME~1\\ORVANE~1"}}},
         "D:\\instdata\\gostart.bat C C:\\MYGAME~1\\ORVANE~1 qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a short name that still holds the '&'",
         kInstall, "C:\\TOM&JERRY", "", "C:\\W", {{{"C:\\TOM&JERRY", "C:\\TOM&JE~1"}}},
         "C:\\TOM&JERRY\\instdata\\runcheck.bat C:\\TOM&JERRY\\qxinst.pif C:\\TOM&JERRY\\qxchk.pif",
         kCommandLineUnsafeDirectory, kDirectorySource, 0},
        {"no short name",
         kPlay, "D:", "C:\\R&D", "C:\\W", {},
         "D:\\instdata\\gostart.bat C C:\\R&D qx.pif", kCommandLineUnsafeDirectory, kDirectoryInstalled, 0},
        {"an empty short name",
         kPlay, "D:", "C:\\A B", "C:\\W", {{{"C:\\A B", ""}}},
         "D:\\instdata\\gostart.bat C C:\\A B qx.pif", kCommandLineUnsafeDirectory, kDirectoryInstalled, 0},
        {"a folder the template does not name",
         kReadme, "D:", "C:\\TOM&JERRY", "C:\\W", {},
         "notepad.exe D:\\readme.txt", kCommandLineRuns, kNoCommandDirectory, 0},
        {"the Windows directory",
         "$w\\notepad.exe", "D:", "", "C:\\MY WIN", {{{"C:\\MY WIN", "C:\\MYWIN~1"}}},
         "C:\\MYWIN~1\\notepad.exe", kCommandLineRuns, kNoCommandDirectory, 0},
        {"the first of two that cannot be carried",
         "$w $i", "D:", "C:\\A%B", "C:\\W^X", {},
         "C:\\W^X C:\\A%B", kCommandLineUnsafeDirectory, kDirectoryInstalled, 0},
        {"unknown codes reported once, also for a line that must not run",
         "$s$x$q", "C:\\A|B", "", "C:\\W", {},
         "C:\\A|B", kCommandLineUnsafeDirectory, kDirectorySource, 2},
        {"the source directory not found out",
         kInstall, "", "C:\\A B", "C:\\W", {},
         "\\instdata\\runcheck.bat \\qxinst.pif \\qxchk.pif", kCommandLineUnknownDirectory, kDirectorySource, 0},
        {"the source directory null",
         kReadme, nullptr, "", "C:\\W", {},
         "notepad.exe \\readme.txt", kCommandLineUnknownDirectory, kDirectorySource, 0},
        {"the Windows directory not found out, ahead of a folder",
         "$i $w", "D:", "C:\\A B", "", {},
         "C:\\A B ", kCommandLineUnknownDirectory, kDirectoryWindows, 0},
        {"an empty installed directory is no fault",
         kPlay, "D:", "", "C:\\W", {},
         "D:\\instdata\\gostart.bat   qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"the source directory unused",
         "$i", "", "C:\\G", "", {},
         "C:\\G", kCommandLineRuns, kNoCommandDirectory, 0},
    };
    // clang-format on
    ExpectRows(rows);
}

TEST(ExpandCommandLine, WithoutShortNamesAFolderThatCannotBeCarriedNeverRuns)
{
    int nReports = 0;
    const CommandTemplateSeam seam = {CountReport, &nReports};
    const ShortNameSeam noShortNames = {nullptr, nullptr};
    char szOut[kMaxCommandLine + 1];
    const CommandLineCheck check =
        ExpandCommandLine(kReadme, "C:\\MY CD", "", "C:\\W", seam, noShortNames, szOut);
    EXPECT_EQ(kCommandLineUnsafeDirectory, check.nStatus);
    EXPECT_STREQ("notepad.exe C:\\MY CD\\readme.txt", szOut);
}

// Which characters split or change a line: for any program a blank, a tab
// and '"'; for the command interpreter also , ; = & | < > ^ %.
TEST(ExpandCommandLine, EachCharacterThatACommandLineReadsAgain)
{
    static const struct
    {
        const char* psz;
        bool bUnsafeForAProgram;
    } kRows[] = {
        {" ", true},  {"\t", true}, {"\"", true}, {",", false}, {";", false}, {"=", false},
        {"&", false}, {"|", false}, {"<", false}, {">", false}, {"^", false}, {"%", false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(std::string("'") + row.psz + "'");
        const std::string strDir = std::string("C:\\A") + row.psz + "B";
        EXPECT_TRUE(IsUnsafeOnCommandLine(strDir.c_str(), kReadByInterpreter));
        EXPECT_TRUE(IsUnsafeOnCommandLine(row.psz, kReadByInterpreter));
        EXPECT_EQ(row.bUnsafeForAProgram, IsUnsafeOnCommandLine(strDir.c_str(), kReadByProgram));
        EXPECT_EQ(row.bUnsafeForAProgram, IsUnsafeOnCommandLine(row.psz, kReadByProgram));
    }
    for (const char* psz : {"", "D:", "C:\\GAMES\\ORVANE", "\\\\SERVER\\SHARE", "C:\\A(B)\\C!D@E", "C:\\$W$$",
                            "C:\\MYCD~1", "D:\\\xC9T\xC9", "C:\\A.B-C_D+E'F[G]{H}#I~J"}) {
        SCOPED_TRACE(psz);
        EXPECT_FALSE(IsUnsafeOnCommandLine(psz, kReadByInterpreter));
        EXPECT_FALSE(IsUnsafeOnCommandLine(psz, kReadByProgram));
    }
    EXPECT_FALSE(IsUnsafeOnCommandLine(nullptr, kReadByInterpreter));
}

TEST(ExpandCommandLine, DirectoriesNamedByATemplate)
{
    static const struct
    {
        const char* pszTemplate;
        unsigned nDirs;
    } kRows[] = {
        {"", 0},
        {nullptr, 0},
        {"<none>", 0},
        {"$s", 1u << kDirectorySource},
        {"$I", 1u << kDirectoryInstalled},
        {"$i$w", (1u << kDirectoryInstalled) | (1u << kDirectoryWindows)},
        {"$$s$$i", 0},
        {"$S$W$x", 0},
        {"a$", 0},
        {"$", 0},
        {"$x$s", 1u << kDirectorySource},
        {"$s\\instdata\\gostart.bat $I $i qx.pif", (1u << kDirectorySource) | (1u << kDirectoryInstalled)},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszTemplate ? row.pszTemplate : "(null)");
        EXPECT_EQ(row.nDirs, GetTemplateDirectories(row.pszTemplate));
    }
}

// A line longer than 255 characters was cut, and never runs; one that just
// fits does, whatever the template holds past the last character it adds.
TEST(ExpandCommandLine, CutLinesNeverRun)
{
    const std::string str255(kMaxCommandLine, 'A');
    const std::string str254(kMaxCommandLine - 1, 'A');
    const std::string str256(kMaxCommandLine + 1, 'A');
    const std::string strBlanks = "C:\\" + std::string(100, 'B') + " " + std::string(100, 'C');
    struct LengthRow
    {
        std::string strTemplate;
        std::string strSource;
        std::string strInstalled;
        ShortNames shortNames;
        CommandLineStatus nStatus;
    };
    const LengthRow rows[] = {
        {"$s", str255, "", {}, kCommandLineRuns},
        {"$s", str256, "", {}, kCommandLineTooLong},
        {"x$s", str255, "", {}, kCommandLineTooLong},
        {str255, "D:", "", {}, kCommandLineRuns},
        {str256, "D:", "", {}, kCommandLineTooLong},
        {str255 + "$i$I", "D:", "", {}, kCommandLineRuns},
        {str255 + "$x$", "D:", "", {}, kCommandLineRuns},
        {str254 + "$s", "D:", "", {}, kCommandLineTooLong},
        {str254 + "$I", "D:", "C:\\G", {}, kCommandLineRuns},
        {str254 + "$I$I", "D:", "C:\\G", {}, kCommandLineTooLong},
        // Folded only after the cut: ".." takes nothing back.
        {"$s\\..\\..", std::string(kMaxCommandLine - 4, 'A') + "\\B", "", {}, kCommandLineTooLong},
        // Too long with its own name, short enough with the short name.
        {"$i $i", "D:", strBlanks, {{{strBlanks, "C:\\BBBBBB~1"}}}, kCommandLineRuns},
        // A folder that cannot be carried comes before the length.
        {"$i $i", "D:", strBlanks, {}, kCommandLineUnsafeDirectory},
    };
    for (size_t nRow = 0; nRow < sizeof(rows) / sizeof(rows[0]); ++nRow) {
        const LengthRow& row = rows[nRow];
        SCOPED_TRACE("row " + std::to_string(nRow));
        const CheckedLine line = ExpandChecked(row.strTemplate.c_str(), row.strSource.c_str(),
                                               row.strInstalled.c_str(), "C:\\W", row.shortNames);
        EXPECT_EQ(row.nStatus, line.check.nStatus);
        EXPECT_LE(line.strLine.size(), static_cast<size_t>(kMaxCommandLine));
        EXPECT_EQ(line.strLine.size(), line.check.nLength);
        if (row.nStatus == kCommandLineTooLong)
            EXPECT_EQ(kNoCommandDirectory, line.check.nDirectory);
    }
}

// A ".." in a folder may fold inside its own argument, never across a blank
// into the program or an earlier argument, nor take away the whole program:
// such a line is kept as the clean-up leaves it, and must not run.
TEST(ExpandCommandLine, FoldingNeverChangesTheProgramOrAnEarlierArgument)
{
    const char kRunFromInstalled[] = "$i\\ x.pif";
    // clang-format off
    const CheckRow rows[] = {
        // Folds that stay inside their argument
        {"a '..' inside the game folder",
         kPlay, "D:", "C:\\GAMES\\..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat C C:\\ORVANE qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"slashes",
         kPlay, "D:", "C:/GAMES/../ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat C C:\\ORVANE qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a relative '..' after a blank is a name",
         kPlay, "D:", "..\\x", "C:\\W", {},
         "D:\\instdata\\gostart.bat  ..\\x qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a '.' segment",
         kPlay, "D:", "C:\\GAMES\\.\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat C C:\\GAMES\\ORVANE qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"the CD folder folding inside each of the three pieces",
         kInstall, "E:\\CD\\..", "", "C:\\W", {},
         "E:\\instdata\\runcheck.bat E:\\qxinst.pif E:\\qxchk.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a folder that ends in '..' folds nothing",
         kPlay, "D:", "C:\\GAMES\\..", "C:\\W", {},
         "D:\\instdata\\gostart.bat C C:\\GAMES\\.. qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        // Folds across a blank: another program, or other arguments
        {"above the drive root, to the CD's installer",
         kPlay, "D:", "C:\\..\\..\\install", "C:\\W", {},
         "D:\\install qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"above the drive root, to a program on a CD copied to the disk",
         kPlay, "C:\\CD", "C:\\..\\..\\..\\windows\\decoy.exe", "C:\\W", {},
         "C:\\windows\\decoy.exe qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"to the launcher itself",
         kPlay, "D:", "C:\\..\\..\\qxinst95", "C:\\W", {},
         "D:\\qxinst95 qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"a drive-relative climb",
         kPlay, "D:", "C:..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"a relative folder",
         kPlay, "D:", "GAMES\\..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"a drive-relative folder",
         kPlay, "D:", "C:GAMES\\..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"a folder that exists, reached from above the root",
         kPlay, "D:", "C:\\..\\GAMES\\ORVANE", "C:\\W", {},
         "D:\\instdata\\GAMES\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"a short name that still climbs",
         kPlay, "D:", "C:\\MY GAMES\\..\\..\\x", "C:\\W", {{{"C:\\MY GAMES\\..\\..\\x", "C:\\MYGAME~1\\..\\..\\x"}}},
         "D:\\instdata\\x qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"the CD folder",
         kReadme, "D:\\..", "", "C:\\W", {},
         "readme.txt", kCommandLineFolded, kDirectorySource, 0},
        {"a whole program folded away without a blank",
         kRunFromInstalled, "D:", "a\\..", "C:\\W", {},
         " x.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"the template's own text, no folder to name",
         "run.bat x\\..\\$i", "D:", "y", "C:\\W", {},
         "y", kCommandLineFolded, kNoCommandDirectory, 0},
    };
    // clang-format on
    ExpectRows(rows);
}

// A folder on a share ("\\server\share\..."): the system resolves its ".."
// below the share, and never climbs out of it; the clean-up, which takes the
// line as one path, would fold across it into another share. Such a line is
// refused as one that folds across its arguments; a ".." below the share, or
// one that folds nothing, is fine, wherever in the line the folder stands.
TEST(ExpandCommandLine, FoldingNeverLeavesAShare)
{
    // clang-format off
    const CheckRow rows[] = {
        // Inside the share
        {"a '..' below the share",
         kPlay, "D:", "\\\\SRV\\GAMES\\OLD\\..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV\\GAMES\\ORVANE qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a '.' below the share",
         kPlay, "D:", "\\\\SRV\\GAMES\\.\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV\\GAMES\\ORVANE qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a final '..' folds nothing",
         kPlay, "D:", "\\\\SRV\\GAMES\\..", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV\\GAMES\\.. qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"names that end in dots",
         kPlay, "D:", "\\\\SRV.\\GAMES..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV.\\GAMES..\\ORVANE qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"two '..' below the share, each taking a folder",
         kPlay, "D:", "\\\\SRV\\GAMES\\A\\B\\..\\..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV\\GAMES\\ORVANE qx.pif", kCommandLineRuns, kNoCommandDirectory, 0},
        {"the CD on a share, folding inside it",
         kInstall, "\\\\SRV\\CD\\DISC1\\..", "", "C:\\W", {},
         "\\\\SRV\\CD\\instdata\\runcheck.bat \\\\SRV\\CD\\qxinst.pif \\\\SRV\\CD\\qxchk.pif", kCommandLineRuns,
         kNoCommandDirectory, 0},
        // Out of the share: into another share of the server, or another server
        {"a '..' that takes the share",
         kPlay, "D:", "\\\\SRV\\GAMES\\..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"slashes",
         kPlay, "D:", "//SRV/GAMES/../ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"out of the share and into one of the same name",
         kPlay, "D:", "\\\\SRV\\GAMES\\..\\GAMES\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV\\GAMES\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"one '..' too many below the share",
         kPlay, "D:", "\\\\SRV\\GAMES\\A\\..\\..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"a '..' as the share: another server",
         kPlay, "D:", "\\\\SRV\\..\\GAMES\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\GAMES\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"a '.' as the share",
         kPlay, "D:", "\\\\SRV\\.\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat  \\\\SRV\\ORVANE qx.pif", kCommandLineFolded, kNoCommandDirectory, 0},
        {"a '..' after a colon in the share, which $I ends",
         kPlay, "D:", "\\\\SRV\\GAMES:..\\ORVANE", "C:\\W", {},
         "D:\\instdata\\gostart.bat \\\\SRV\\GAMES \\\\SRV\\ORVANE qx.pif", kCommandLineFolded, kDirectoryInstalled, 0},
        {"the CD on a share, at the start of the line",
         kInstall, "\\\\SRV\\CD\\..\\OTHER", "", "C:\\W", {},
         "\\\\SRV\\OTHER\\instdata\\runcheck.bat \\\\SRV\\OTHER\\qxinst.pif \\\\SRV\\OTHER\\qxchk.pif",
         kCommandLineFolded, kDirectorySource, 0},
    };
    // clang-format on
    ExpectRows(rows);
}

// A line whose program is a program file (View Readme's notepad.exe) is read
// by that program alone: only what splits its arguments keeps a folder out.
// A batch file's line is read by the command interpreter, and keeps the
// stricter rule.
TEST(ExpandCommandLine, FolderThatOnlyTheCommandInterpreterCannotCarry)
{
    // clang-format off
    const CheckRow rows[] = {
        {"'&' for notepad.exe",
         kReadme, "C:\\R&D", "", "C:\\W", {},
         "notepad.exe C:\\R&D\\readme.txt", kCommandLineRuns, kNoCommandDirectory, 0},
        {"every character that only the interpreter reads",
         kReadme, "C:\\A%B^C;D,E=F|G", "", "C:\\W", {},
         "notepad.exe C:\\A%B^C;D,E=F|G\\readme.txt", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a blank splits notepad's argument too",
         kReadme, "C:\\MY CD", "", "C:\\W", {},
         "notepad.exe C:\\MY CD\\readme.txt", kCommandLineUnsafeDirectory, kDirectorySource, 0},
        {"a blank, and a short name without one that keeps the '&'",
         kReadme, "C:\\R&D CD", "", "C:\\W", {{{"C:\\R&D CD", "C:\\R&DCD~1"}}},
         "notepad.exe C:\\R&DCD~1\\readme.txt", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a quote",
         kReadme, "C:\\A\"B", "", "C:\\W", {},
         "notepad.exe C:\\A\"B\\readme.txt", kCommandLineUnsafeDirectory, kDirectorySource, 0},
        {"a program file named in capitals",
         "$s\\SETUP.EXE $i", "D:", "C:\\R&D", "C:\\W", {},
         "D:\\SETUP.EXE C:\\R&D", kCommandLineRuns, kNoCommandDirectory, 0},
        {"a .com program",
         "$s\\setup.com $i", "D:", "C:\\R&D", "C:\\W", {},
         "D:\\setup.com C:\\R&D", kCommandLineRuns, kNoCommandDirectory, 0},
        {"the installer's batch file: today's rule",
         kInstall, "C:\\R&D", "", "C:\\W", {},
         "C:\\R&D\\instdata\\runcheck.bat C:\\R&D\\qxinst.pif C:\\R&D\\qxchk.pif",
         kCommandLineUnsafeDirectory, kDirectorySource, 0},
        {"the game's batch file: a ',' splits its arguments",
         kPlay, "D:", "C:\\A,B", "C:\\W", {},
         "D:\\instdata\\gostart.bat C C:\\A,B qx.pif", kCommandLineUnsafeDirectory, kDirectoryInstalled, 0},
        {"a program-information file may run a batch file",
         "$s\\qx.pif $i", "D:", "C:\\R&D", "C:\\W", {},
         "D:\\qx.pif C:\\R&D", kCommandLineUnsafeDirectory, kDirectoryInstalled, 0},
        {"a program without an extension",
         "$s\\setup $i", "D:", "C:\\R&D", "C:\\W", {},
         "D:\\setup C:\\R&D", kCommandLineUnsafeDirectory, kDirectoryInstalled, 0},
        {"'.exe' in the middle of the program's name",
         "$s\\a.exe.bat $i", "D:", "C:\\R&D", "C:\\W", {},
         "D:\\a.exe.bat C:\\R&D", kCommandLineUnsafeDirectory, kDirectoryInstalled, 0},
        {"a program file that a folder ends",
         "$i x", "D:", "C:\\R&D\\a.exe", "C:\\W", {},
         "C:\\R&D\\a.exe x", kCommandLineUnsafeDirectory, kDirectoryInstalled, 0},
    };
    // clang-format on
    ExpectRows(rows);
}
