// Discovery on a full drive C:. CTest runs this test alone, with a file size
// limit on the whole Wine process that stands in for the full disk
// (QX_FILE_SIZE_LIMIT says how much fits), and in no session without one.
#include "TestSupport.h"
#include "app/LauncherApp.h"
#include "tests/common/ExpectedCdCheckBatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qxtest;

TEST(FullDisk, DiscoveryLeavesNoShortBatchFile)
{
    ASSERT_NE(getenv("QX_FILE_SIZE_LIMIT"), nullptr) << "runs only under a file size limit";
    ScopedLauncherResources launcherResources; // string 8, the marker file's path
    ASSERT_NE(launcherResources.Get(), nullptr);
    ScopedCleanup cleanup{kBatchPath, kMarkerPath};
    DeleteFileA(kBatchPath);
    DeleteFileA(kMarkerPath);
    SetQxIni(nullptr);

    CLauncherApp app;
    MessageBoxWatcher watcher;
    app.DiscoverLaunchContext();
    const std::vector<MessageBoxSeen> boxes = watcher.Stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, "Could not write out batch file");
    EXPECT_FALSE(FileExists(kBatchPath)) << "a short batch file was left";
    EXPECT_FALSE(FileExists(TemporaryFileOf(kBatchPath, 0).c_str())) << "its temporary file was left";
    std::string strMarker;
    EXPECT_TRUE(ReadWholeFile(kMarkerPath, &strMarker)) << "the marker fits below the limit";
    EXPECT_EQ(strMarker, "win95dir " + WindowsDirectory() + "\r\n");
}
