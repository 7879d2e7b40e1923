// Launch context discovery and the first-run files, in this prefix: its
// C:\windows is the Windows directory and its c:\ the root where the two
// files land.
#include "TestSupport.h"
#include "app/LauncherApp.h"
#include "platform/WinApp.h"
#include "tests/common/ExpectedCdCheckBatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qxtest;

namespace {

const char kGameDir[] = "c:\\qxtest_game";
const char kGameFile[] = "c:\\qxtest_game\\orvane.exe";

// The marker file as it must stand on disk: one line, CR LF.
std::string ExpectedMarker()
{
    return "win95dir " + WindowsDirectory() + "\r\n";
}

class LaunchContextTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(m_launcherResources.Get(), nullptr);
        CreateDirectoryA(kGameDir, nullptr);
        WriteWholeFile(kGameFile, "MZ");
        DeleteFileA(kBatchPath);
        RemoveDirectoryA(kBatchPath);
        DeleteFileA(kMarkerPath);
    }
    void TearDown() override { SetQxIni(nullptr); }

    // Runs discovery as the launcher's first step; message boxes are answered.
    LaunchContext Discover(std::vector<MessageBoxSeen>* pBoxes = nullptr)
    {
        CLauncherApp app;
        MessageBoxWatcher watcher;
        app.DiscoverLaunchContext();
        std::vector<MessageBoxSeen> boxes = watcher.Stop();
        if (pBoxes)
            *pBoxes = boxes;
        LaunchContext context;
        context.m_bInstalled = app.m_context.m_bInstalled;
        context.m_strSourceDir = app.m_context.m_strSourceDir;
        context.m_strInstalledDir = app.m_context.m_strInstalledDir;
        context.m_strWindowsDir = app.m_context.m_strWindowsDir;
        return context;
    }

    // String 8, the marker file's path, comes from the launcher itself.
    ScopedLauncherResources m_launcherResources;
    ScopedCleanup m_cleanup{kGameDir, kGameFile, "c:\\qxtest_rel", kBatchPath, kMarkerPath};
};

} // namespace

TEST_F(LaunchContextTest, OutcomeFollowsTheInstallDirValue)
{
    CreateDirectoryA("c:\\qxtest_rel", nullptr);
    ScopedCurrentDirectory inRoot("c:\\");

    enum Outcome
    {
        kFirstRun,
        kInstalled,
        kNeither
    };
    static const struct
    {
        const char* pszIni; // null: no qx.ini
        Outcome outcome;
        const char* pszWhy;
    } kRows[] = {
        {nullptr, kFirstRun, "no qx.ini"},
        {"[Other]\r\nInstallDir=c:\\qxtest_game\r\n", kFirstRun, "no section Orvane"},
        {"[Orvane]\r\nPath=c:\\qxtest_game\r\n", kFirstRun, "no key InstallDir"},
        {"[Orvane]\r\nInstallDir=\r\n", kFirstRun, "empty value"},
        {"[Orvane]\r\nInstallDir=c:\\qxtest_game\r\n", kInstalled, "existing directory"},
        {"[Orvane]\r\nInstallDir=C:\\QXTEST_GAME\\ORVANE.EXE\r\n", kInstalled, "existing plain file"},
        {"[Orvane]\r\nInstallDir=qxtest_rel\r\n", kInstalled, "relative, found from the current directory"},
        {"[Orvane]\r\nInstallDir=c:\\qxtest_deleted\r\n", kNeither, "directory deleted since"},
        {"[Orvane]\r\nInstallDir=c:\\qxtest_game\\\r\n", kNeither, "trailing backslash"},
        {"[Orvane]\r\nInstallDir=q:\\games\\orvane\r\n", kNeither, "drive that is not mapped"},
        {"[Orvane]\r\nInstallDir=e:\\orvane\r\n", kNeither, "drive that is not ready"},
        {"[Orvane]\r\nInstallDir=qxtest_missing\r\n", kNeither, "relative, missing"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszWhy);
        SetQxIni(row.pszIni);
        DeleteFileA(kBatchPath);
        DeleteFileA(kMarkerPath);
        std::vector<MessageBoxSeen> boxes;
        const LaunchContext context = Discover(&boxes);

        EXPECT_TRUE(boxes.empty()) << "unexpected message box: " << (boxes.empty() ? "" : boxes[0].strText);
        EXPECT_STREQ(context.m_strWindowsDir, WindowsDirectory().c_str());
        EXPECT_STREQ(context.m_strSourceDir, ProgramDirectory().c_str());
        EXPECT_EQ(context.m_bInstalled, row.outcome == kInstalled);
        EXPECT_EQ(context.m_bInstalled, !context.m_strInstalledDir.IsEmpty());
        if (row.outcome == kInstalled) {
            // Stored as written: not made absolute, case kept.
            std::string strValue = strchr(row.pszIni, '=') + 1;
            strValue = strValue.substr(0, strValue.find('\r'));
            EXPECT_STREQ(context.m_strInstalledDir, strValue.c_str());
        }
        std::string strBatch, strMarker;
        const bool bBatch = ReadWholeFile(kBatchPath, &strBatch);
        const bool bMarker = ReadWholeFile(kMarkerPath, &strMarker);
        EXPECT_EQ(bBatch, row.outcome == kFirstRun);
        EXPECT_EQ(bMarker, row.outcome == kFirstRun);
        if (row.outcome == kFirstRun) {
            EXPECT_EQ(strBatch, ExpectedCdCheckBatch(ProgramDirectory()));
            EXPECT_EQ(strMarker, ExpectedMarker());
        }
    }
}

TEST_F(LaunchContextTest, ExistingBatchFileIsReplacedWhole)
{
    SetQxIni(nullptr);
    WriteWholeFile(kBatchPath, std::string(4000, 'x'));
    WriteWholeFile(kMarkerPath, std::string(100, 'y'));
    Discover();
    std::string strBatch, strMarker;
    ReadWholeFile(kBatchPath, &strBatch);
    ReadWholeFile(kMarkerPath, &strMarker);
    EXPECT_EQ(strBatch, ExpectedCdCheckBatch(ProgramDirectory()));
    EXPECT_EQ(strMarker, ExpectedMarker());
}

TEST_F(LaunchContextTest, UnwritableBatchFileIsReportedOnceAndTheMarkerIsStillWritten)
{
    // As root Wine does not enforce the read-only attribute; a directory of
    // that name cannot be opened as a file by anyone.
    SetQxIni(nullptr);
    ASSERT_TRUE(CreateDirectoryA(kBatchPath, nullptr));
    std::vector<MessageBoxSeen> boxes;
    const LaunchContext context = Discover(&boxes);
    RemoveDirectoryA(kBatchPath);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strCaption, "Error");
    EXPECT_EQ(boxes[0].strText, "Could not write out batch file");
    EXPECT_EQ(boxes[0].hOwner, nullptr);
    EXPECT_EQ(boxes[0].hIcon, nullptr);
    EXPECT_FALSE(context.m_bInstalled);
    std::string strMarker;
    EXPECT_TRUE(ReadWholeFile(kMarkerPath, &strMarker));
    EXPECT_EQ(strMarker, ExpectedMarker());
}

TEST(LauncherStart, FromTheRootOfDriveDWritesTheExact533ByteBatchFile)
{
    ScopedCleanup cleanup{kBatchPath, kMarkerPath};
    SetQxIni(nullptr);
    DeleteFileA(kBatchPath);
    Process launcher;
    ASSERT_TRUE(launcher.Start(kLauncherPath, "D:\\"));
    HWND hDlg = WaitForTopLevelWindow(launcher.Id(), "#32770");
    ASSERT_NE(hDlg, nullptr);
    std::string strBatch, strMarker;
    EXPECT_TRUE(ReadWholeFile(kBatchPath, &strBatch));
    EXPECT_EQ(strBatch, ExpectedCdCheckBatch("D:"));
    EXPECT_EQ(strBatch.size(), 533u);
    EXPECT_TRUE(ReadWholeFile(kMarkerPath, &strMarker));
    EXPECT_EQ(strMarker, "win95dir C:\\windows\r\n");
    PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    DWORD nExit = 1;
    EXPECT_TRUE(launcher.WaitForExit(&nExit));
}

TEST(LauncherStart, SourceDirectoryTooLongForTheProbePathIsReportedNotCut)
{
    static const struct
    {
        size_t nLength;
        bool bFits;
    } kRows[] = {{243, true}, {244, false}};
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << "source directory of " << row.nLength << " characters");
        ScopedCleanup cleanup{kBatchPath, kMarkerPath};
        SetQxIni(nullptr);
        DeleteFileA(kBatchPath);
        DeleteFileA(kMarkerPath);
        const std::string strDir = DeepDirectory(row.nLength);
        ASSERT_EQ(strDir.size(), row.nLength);
        const std::string strExe = strDir + "\\Qxinst95.exe";
        ASSERT_TRUE(CopyFileA(kLauncherPath, strExe.c_str(), FALSE));

        Process launcher;
        ASSERT_TRUE(launcher.Start(strExe, strDir.c_str()));
        HWND hWnd = WaitForTopLevelWindow(launcher.Id(), "#32770");
        ASSERT_NE(hWnd, nullptr);
        if (row.bFits) {
            EXPECT_EQ(WindowText(hWnd), "") << "the launcher window, not a message";
            std::string strBatch;
            EXPECT_TRUE(ReadWholeFile(kBatchPath, &strBatch));
            EXPECT_EQ(strBatch, ExpectedCdCheckBatch(strDir));
        } else {
            EXPECT_EQ(WindowText(hWnd), "Error");
            EXPECT_EQ(WindowText(GetDlgItem(hWnd, kMessageBoxTextId)), "Could not write out batch file");
            EXPECT_FALSE(FileExists(kBatchPath));
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
            hWnd = nullptr;
            WaitFor([&] {
                for (HWND h : FindTopLevelWindows(launcher.Id(), "#32770"))
                    if (WindowText(h).empty())
                        hWnd = h;
                return hWnd != nullptr;
            });
            ASSERT_NE(hWnd, nullptr) << "start-up goes on after the message";
        }
        std::string strMarker;
        EXPECT_TRUE(ReadWholeFile(kMarkerPath, &strMarker));
        PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
        DWORD nExit = 1;
        EXPECT_TRUE(launcher.WaitForExit(&nExit));
        DeleteTree("c:\\qxtest_deep");
    }
}
