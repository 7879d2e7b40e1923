// The first-run files for MS-DOS mode: their text byte for byte, and what a
// failed write leaves behind.
#include "app/CdCheckBatch.h"
#include "app/MarkerFile.h"
#include "app/WholeFile.h"
#include "tests/common/ExpectedCdCheckBatch.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <fcntl.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

// A move in that fails, as on Windows when another program takes the name
// between two steps: the C library's rename, except that while the child
// process of a test sets g_bFailMovesIn, a move from a temporary name
// ("~0" to "~9") fails.
bool g_bFailMovesIn = false;

extern "C" int rename(const char* pszOld, const char* pszNew) noexcept
{
    const size_t nOld = strlen(pszOld);
    if (g_bFailMovesIn && nOld >= 3 && pszOld[nOld - 2] == '~' && pszOld[nOld - 1] >= '0' &&
        pszOld[nOld - 1] <= '9') {
        errno = EACCES;
        return -1;
    }
    return renameat(AT_FDCWD, pszOld, AT_FDCWD, pszNew);
}

namespace {

std::string BatchText(const char* pszProbe, const char* pszCommand)
{
    CdCheckBatchText apszText;
    GetCdCheckBatchText(pszProbe, pszCommand, apszText);
    std::string strText;
    for (const char* pszPiece : apszText)
        strText += pszPiece ? pszPiece : "";
    return strText;
}

// What text mode puts on disk under Windows.
std::string WithCrLf(const std::string& strText)
{
    std::string strOut;
    for (char ch : strText) {
        if (ch == '\n')
            strOut += '\r';
        strOut += ch;
    }
    return strOut;
}

std::string ReadFile(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool Exists(const std::string& strPath)
{
    return access(strPath.c_str(), F_OK) == 0;
}

std::string TempPath(const char* pszName)
{
    const char* pszDir = getenv("TMPDIR");
    return std::string(pszDir && *pszDir ? pszDir : "/tmp") + "/qx_" + std::to_string(getpid()) + "_" +
           pszName;
}

} // namespace

TEST(CdCheckBatch, TextForTheRootOfDriveDIs533BytesOnDisk)
{
    const std::string strDisk = WithCrLf(BatchText("D:\\install.exe", "D:\\install.exe"));
    EXPECT_EQ(strDisk, ExpectedCdCheckBatch("D:"));
    EXPECT_EQ(strDisk.size(), 533u);
}

TEST(CdCheckBatch, ProbeAndCommandLengthenOnlyTheirOwnLines)
{
    static const struct
    {
        const char* pszProbe;
        const char* pszCommand;
    } kRows[] = {
        {"", ""},
        {"E:\\install.exe", "E:\\install.exe"},
        {"E:\\CD\\ORVANE DISC\\install.exe", "E:\\CD\\ORVANE DISC\\install.exe"},
        {"\\\\server\\share\\install.exe", "X:\\other.exe"},
    };
    const std::string strBase = WithCrLf(BatchText("", ""));
    EXPECT_EQ(strBase.size(), 505u) << "the fixed text with its line ends";
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszProbe);
        const std::string strDisk = WithCrLf(BatchText(row.pszProbe, row.pszCommand));
        EXPECT_EQ(strDisk.size(), 505u + strlen(row.pszProbe) + strlen(row.pszCommand));
        std::istringstream lines(strDisk);
        std::string strLine;
        std::getline(lines, strLine); // line 1
        std::getline(lines, strLine);
        EXPECT_EQ(strLine, std::string("if exist ") + row.pszProbe + " goto found_cd\r");
        for (int i = 3; i <= 9; ++i)
            std::getline(lines, strLine);
        EXPECT_EQ(strLine, std::string(row.pszCommand) + " %1 %2 %3 %4 %5 %6\r");
        EXPECT_EQ(strDisk.substr(strDisk.size() - 19), "del c:\\_qxchkcd.bat")
            << "no line end after the last line";
    }
}

TEST(CdCheckBatch, WriteReplacesAnOldFileWhole)
{
    const std::string strPath = TempPath("batch.bat");
    {
        std::ofstream old(strPath, std::ios::binary);
        old << std::string(2000, 'x');
    }
    EXPECT_TRUE(WriteCdCheckBatch(strPath.c_str(), "D:\\install.exe", "D:\\install.exe"));
    // Natively text mode writes "\n"; under Windows it becomes CR LF.
    EXPECT_EQ(ReadFile(strPath), BatchText("D:\\install.exe", "D:\\install.exe"));
    remove(strPath.c_str());
}

TEST(CdCheckBatch, OpenFailureWritesNothing)
{
    EXPECT_FALSE(WriteCdCheckBatch("/nonexistent-dir/qx/batch.bat", "p", "c"));
}

TEST(MarkerFile, HoldsOneLineAndNothingElse)
{
    const std::string strPath = TempPath("marker.cfg");
    {
        std::ofstream old(strPath, std::ios::binary);
        old << "win95dir C:\\OLD\nsecond line\n";
    }
    EXPECT_TRUE(WriteMarkerFile(strPath.c_str(), "C:\\WINDOWS"));
    EXPECT_EQ(ReadFile(strPath), "win95dir C:\\WINDOWS\n");
    remove(strPath.c_str());
    EXPECT_FALSE(WriteMarkerFile("", "C:\\WINDOWS")) << "an empty path opens nothing";
    EXPECT_FALSE(WriteMarkerFile("/nonexistent-dir/qx/marker.cfg", "C:\\WINDOWS"));
}

// A full disk: the file size limit makes every write past a few bytes fail.
// Runs in a child process so that the limit does not reach the test runner.
TEST(FullDisk, NoShortFileIsLeftBehind)
{
    static const struct
    {
        const char* pszName;
        rlim_t nLimit;
        bool bBatch;
    } kRows[] = {
        {"batch cut in its middle", 300, true},
        {"batch with room for nothing", 0, true},
        {"marker cut in its middle", 12, false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        const std::string strPath = TempPath(row.bBatch ? "full.bat" : "full.cfg");
        remove(strPath.c_str());
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {row.nLimit, row.nLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            const char* pszLongDir = "C:\\A VERY LONG WINDOWS DIRECTORY NAME THAT DOES NOT FIT";
            BOOL bResult = row.bBatch
                               ? WriteCdCheckBatch(strPath.c_str(), "D:\\install.exe", "D:\\install.exe")
                               : WriteMarkerFile(strPath.c_str(), pszLongDir);
            _exit(bResult ? 1 : 0);
        }
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        ASSERT_TRUE(WIFEXITED(nStatus));
        EXPECT_EQ(WEXITSTATUS(nStatus), 0) << "a failed write must be reported";
        EXPECT_FALSE(Exists(strPath)) << "a short file was left";
        remove(strPath.c_str());
    }
}

namespace {

// The names in a folder, "." and ".." left out.
std::set<std::string> NamesIn(const std::string& strFolder)
{
    std::set<std::string> names;
    if (DIR* pDir = opendir(strFolder.c_str())) {
        while (const dirent* pEntry = readdir(pDir)) {
            const std::string strName = pEntry->d_name;
            if (strName != "." && strName != "..")
                names.insert(strName);
        }
        closedir(pDir);
    }
    return names;
}

void RemoveTree(const std::string& strPath)
{
    if (remove(strPath.c_str()) == 0)
        return;
    for (const std::string& strName : NamesIn(strPath))
        RemoveTree(strPath + "/" + strName);
    rmdir(strPath.c_str());
}

// A folder of its own for each case, removed with everything in it at the end.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        std::string strTemplate = TempPath("XXXXXX");
        m_strPath = mkdtemp(&strTemplate[0]) ? strTemplate : std::string();
    }
    ~ScratchFolder() { RemoveTree(m_strPath); }
    std::string Path(const char* pszName) const { return m_strPath + "/" + pszName; }
    std::set<std::string> Names() const { return NamesIn(m_strPath); }

private:
    std::string m_strPath;
};

bool WriteOldFile(const std::string& strPath, const std::string& strContent)
{
    std::ofstream out(strPath, std::ios::binary);
    out << strContent;
    return static_cast<bool>(out);
}

const char kNewText[] = "line one\nline two\n";
const char* const kNewPieces[] = {"line one\n", nullptr, "line two\n"};

} // namespace

// A file is replaced whole or left as it was, whatever stands in the way:
// a full disk, a folder of its name, temporary names that are taken. Each
// case runs in a child process, under a file size limit where it has one.
TEST(WholeFile, ReplacedWholeOrLeftAsItWas)
{
    const std::string strOld = "old first-run file\n" + std::string(200, 'x');
    static const rlim_t kNoLimit = RLIM_INFINITY;
    const struct
    {
        const char* pszWhy;
        const char* pszName;
        bool bOldFile;
        bool bFolderInTheWay;
        int nTakenNames; // temporary names taken beforehand: "~0" onwards
        rlim_t nLimit;
        bool bReplaced;
    } rows[] = {
        {"no old file", "first.bat", false, false, 0, kNoLimit, true},
        {"an old, longer file", "first.bat", true, false, 0, kNoLimit, true},
        {"a name without an extension", "first", true, false, 0, kNoLimit, true},
        {"the first temporary name taken", "first.bat", true, false, 1, kNoLimit, true},
        {"nine temporary names taken", "first.bat", true, false, 9, kNoLimit, true},
        {"every temporary name taken", "first.bat", true, false, 10, kNoLimit, false},
        {"a full disk, an old file", "first.bat", true, false, 0, 10, false},
        {"a full disk, no old file", "first.bat", false, false, 0, 10, false},
        {"a disk with room for nothing", "first.bat", true, false, 0, 0, false},
        {"a folder of that name", "first.bat", false, true, 0, kNoLimit, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszWhy);
        ScratchFolder folder;
        const std::string strPath = folder.Path(row.pszName);
        if (row.bOldFile)
            ASSERT_TRUE(WriteOldFile(strPath, strOld));
        if (row.bFolderInTheWay) {
            ASSERT_EQ(mkdir(strPath.c_str(), 0700), 0);
            ASSERT_TRUE(WriteOldFile(strPath + "/inside", "keeps the folder from going"));
        }
        std::set<std::string> before = folder.Names();
        for (int n = 0; n < row.nTakenNames; ++n) {
            const std::string strTaken = "first.~" + std::to_string(n);
            ASSERT_TRUE(WriteOldFile(folder.Path(strTaken.c_str()), "another writer's"));
            before.insert(strTaken);
        }

        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit = {row.nLimit, row.nLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(ReplaceFileWhole(strPath.c_str(), kNewPieces, 3) ? 1 : 0);
        }
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        ASSERT_TRUE(WIFEXITED(nStatus));
        EXPECT_EQ(WEXITSTATUS(nStatus) == 1, row.bReplaced);

        // Nothing else is left behind, and what was taken is untouched.
        std::set<std::string> after = before;
        after.insert(row.pszName);
        if (!row.bReplaced && !row.bOldFile && !row.bFolderInTheWay)
            after.erase(row.pszName);
        EXPECT_EQ(folder.Names(), after);
        for (int n = 0; n < row.nTakenNames; ++n)
            EXPECT_EQ(ReadFile(folder.Path(("first.~" + std::to_string(n)).c_str())), "another writer's");
        if (row.bReplaced)
            EXPECT_EQ(ReadFile(strPath), kNewText);
        else if (row.bOldFile)
            EXPECT_EQ(ReadFile(strPath), strOld) << "the old file must stay as it was";
    }
}

TEST(WholeFile, AnEmptyPathWritesNothing)
{
    EXPECT_FALSE(ReplaceFileWhole("", kNewPieces, 3));
    EXPECT_FALSE(ReplaceFileWhole(nullptr, kNewPieces, 3));
}

namespace {

// A file of a fixture, and whether a crash left it an hour ago or a writer
// wrote it just now.
struct FixtureFile
{
    const char* pszName;
    const char* pszContent;
    bool bHourOld;
};

std::map<std::string, std::string> FilesIn(const ScratchFolder& folder)
{
    std::map<std::string, std::string> files;
    for (const std::string& strName : folder.Names())
        files[strName] = ReadFile(folder.Path(strName.c_str()));
    return files;
}

} // namespace

// What a crash left beside the file, as the next start finds it, and a move
// in that fails: the next start recovers the old file and removes the names
// that no writer is busy with, and a failed move leaves the old file in its
// place. Each case runs in a child process, under a file size limit where
// the disk is full.
TEST(WholeFile, RecoversWhatACrashLeftAndKeepsTheOldFileWhenAMoveFails)
{
    const char kOld[] = "old first-run file\n";
    const char kEarlierNew[] = "the file an earlier start wrote\n";
    const char kShort[] = "cut sh";
    const FixtureFile kTenLeftovers[] = {
        {"first.bat", kOld, true},  {"first.~0", kShort, true}, {"first.~1", kShort, true},
        {"first.~2", kShort, true}, {"first.~3", kShort, true}, {"first.~4", kShort, true},
        {"first.~5", kShort, true}, {"first.~6", kShort, true}, {"first.~7", kShort, true},
        {"first.~8", kShort, true}, {"first.~9", kShort, true},
    };
    const struct
    {
        const char* pszWhy;
        std::vector<FixtureFile> fixture;
        bool bFullDisk;
        bool bMoveInFails;
        bool bReplaced;
        std::map<std::string, std::string> after;
    } rows[] = {
        {"ten temporary files that crashes left",
         {std::begin(kTenLeftovers), std::end(kTenLeftovers)},
         false,
         false,
         true,
         {{"first.bat", kNewText}}},
        {"nine that crashes left, and one that another writer just wrote",
         {{"first.~0", "another writer's", false},
          {"first.~1", kShort, true},
          {"first.~2", kShort, true},
          {"first.~3", kShort, true},
          {"first.~4", kShort, true},
          {"first.~5", kShort, true},
          {"first.~6", kShort, true},
          {"first.~7", kShort, true},
          {"first.~8", kShort, true},
          {"first.~9", kShort, true}},
         false,
         false,
         true,
         {{"first.bat", kNewText}, {"first.~0", "another writer's"}}},
        {"a crash after the old file stepped aside",
         {{"first.~ol", kOld, true}, {"first.~0", kEarlierNew, true}},
         false,
         false,
         true,
         {{"first.bat", kNewText}}},
        {"a crash after the old file stepped aside, then a full disk",
         {{"first.~ol", kOld, true}, {"first.~0", kEarlierNew, true}},
         true,
         false,
         false,
         {{"first.bat", kOld}}},
        {"a crash after the new file moved in",
         {{"first.bat", kEarlierNew, true}, {"first.~ol", kOld, true}},
         false,
         false,
         true,
         {{"first.bat", kNewText}}},
        {"a crash after the new file moved in, then a full disk",
         {{"first.bat", kEarlierNew, true}, {"first.~ol", kOld, true}},
         true,
         false,
         false,
         {{"first.bat", kEarlierNew}}},
        {"a move in that fails", {{"first.bat", kOld, true}}, false, true, false, {{"first.bat", kOld}}},
        {"a move in that fails, no old file", {}, false, true, false, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszWhy);
        ScratchFolder folder;
        const time_t nHourAgo = time(nullptr) - 3600;
        for (const FixtureFile& file : row.fixture) {
            const std::string strPath = folder.Path(file.pszName);
            ASSERT_TRUE(WriteOldFile(strPath, file.pszContent));
            const struct utimbuf times = {nHourAgo, nHourAgo};
            ASSERT_TRUE(!file.bHourOld || utime(strPath.c_str(), &times) == 0);
        }

        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit = {0, 0};
            if (row.bFullDisk)
                setrlimit(RLIMIT_FSIZE, &limit);
            g_bFailMovesIn = row.bMoveInFails;
            _exit(ReplaceFileWhole(folder.Path("first.bat").c_str(), kNewPieces, 3) ? 1 : 0);
        }
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        ASSERT_TRUE(WIFEXITED(nStatus));
        EXPECT_EQ(WEXITSTATUS(nStatus) == 1, row.bReplaced);
        EXPECT_EQ(FilesIn(folder), row.after);
    }
}
