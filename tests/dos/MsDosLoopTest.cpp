// The Windows side of the loop through MS-DOS mode: loop-test.sh runs these
// in a Wine session around DOSBox, which uses the session's drive C:.
// First the launcher's first start, which leaves the two files for MS-DOS
// mode there; then, once the MS-DOS installer has run on that drive C:, the
// launcher again, which must offer Play and Configure.
#include "TestSupport.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <string>

using namespace qxtest;

namespace {

// The launcher from the CD's root; its window, or null.
HWND StartLauncher(Process* pLauncher)
{
    if (!pLauncher->Start(kLauncherPath, "D:\\"))
        return nullptr;
    return WaitForTopLevelWindow(pLauncher->Id(), "#32770", 30000);
}

std::string ButtonText(HWND hDlg, int nId)
{
    return WindowText(GetDlgItem(hDlg, nId));
}

// Quit, and the launcher ends.
void Quit(Process* pLauncher, HWND hLauncher)
{
    PostMessageA(hLauncher, WM_COMMAND, IDCANCEL, 0);
    DWORD nExitCode = 1;
    EXPECT_TRUE(pLauncher->WaitForExit(&nExitCode, 30000));
}

} // namespace

TEST(MsDosLoop, FirstStartLeavesTheFilesForMsDosMode)
{
    DeleteFileA(kBatchPath);
    DeleteFileA(kMarkerPath);
    Process launcher;
    HWND hLauncher = StartLauncher(&launcher);
    ASSERT_NE(hLauncher, nullptr);
    EXPECT_EQ(ButtonText(hLauncher, IDOK), "&Install");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hLauncher, IDC_CONFIGURE)));
    EXPECT_TRUE(FileExists(kBatchPath));
    EXPECT_TRUE(FileExists(kMarkerPath));
    Quit(&launcher, hLauncher);
}

TEST(MsDosLoop, AfterTheMsDosInstallerPlayAndConfigure)
{
    Process launcher;
    HWND hLauncher = StartLauncher(&launcher);
    ASSERT_NE(hLauncher, nullptr);
    EXPECT_EQ(ButtonText(hLauncher, IDOK), "&Play");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(hLauncher, IDC_CONFIGURE)));
    // Installed: no files for MS-DOS mode any more.
    EXPECT_FALSE(FileExists(kBatchPath));
    EXPECT_FALSE(FileExists(kMarkerPath));
    Quit(&launcher, hLauncher);
}
