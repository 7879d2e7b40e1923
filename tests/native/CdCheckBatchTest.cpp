// The first-run files for MS-DOS mode: their text byte for byte, and what a
// failed write leaves behind.
#include "app/CdCheckBatch.h"
#include "app/MarkerFile.h"
#include "tests/common/ExpectedCdCheckBatch.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string BatchText(const char* pszProbe, const char* pszCommand)
{
    std::string strText;
    EmitCdCheckBatch(
        pszProbe, pszCommand,
        [](const char* pszPiece, void* pContext) {
            *static_cast<std::string*>(pContext) += pszPiece;
            return true;
        },
        &strText);
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
