// The five command lines: the launcher's own templates expanded with the
// system's lower-casing, unknown codes reported, and lines started.
#include "TestSupport.h"
#include "commands/LaunchCommands.h"

#include <gtest/gtest.h>

#include <string>

using namespace qxtest;

namespace {

// Expands with the templates of the resource module in force: this test
// program's own, or the launcher's while ScopedLauncherResources lives.
CLaunchCommands Expand(const char* pszSource, const char* pszInstalled, const char* pszWindows,
                       std::vector<MessageBoxSeen>* pBoxes = nullptr)
{
    CLaunchCommands commands;
    MessageBoxWatcher watcher;
    commands.ExpandCommandTemplates(pszSource, pszInstalled, pszWindows);
    std::vector<MessageBoxSeen> boxes = watcher.Stop();
    if (pBoxes)
        *pBoxes = boxes;
    return commands;
}

class LauncherTemplates : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(m_launcherResources.Get(), nullptr); }
    ScopedLauncherResources m_launcherResources;
};

} // namespace

TEST_F(LauncherTemplates, WorkedExampleGivesTheFiveLines)
{
    static const struct
    {
        const char* pszSource;
        const char* pszInstalled;
        const char* apszLines[kCommandSlotCount];
    } kRows[] = {
        {"D:",
         "C:\\GAMES\\ORVANE",
         {"notepad.exe d:\\readme.txt", "d:\\instdata\\runcheck.bat d:\\qxinst.pif d:\\qxchk.pif",
          "d:\\instdata\\gostart.bat c c:\\games\\orvane qx.pif", "<none>",
          "d:\\instdata\\gostart.bat c c:\\games\\orvane qxconfig.pif"}},
        // First run: the blanks around the empty installed directory stay.
        {"D:",
         "",
         {"notepad.exe d:\\readme.txt", "d:\\instdata\\runcheck.bat d:\\qxinst.pif d:\\qxchk.pif",
          "d:\\instdata\\gostart.bat   qx.pif", "<none>", "d:\\instdata\\gostart.bat   qxconfig.pif"}},
        {"E:\\CD",
         "C:\\GAMES\\..\\ORVANE",
         {"notepad.exe e:\\cd\\readme.txt",
          "e:\\cd\\instdata\\runcheck.bat e:\\cd\\qxinst.pif e:\\cd\\qxchk.pif",
          "e:\\cd\\instdata\\gostart.bat c c:\\orvane qx.pif", "<none>",
          "e:\\cd\\instdata\\gostart.bat c c:\\orvane qxconfig.pif"}},
        // Letters beyond A to Z are lowered by the code page.
        {"D:\\\xC9T\xC9",
         "C:\\JEUX\\\xC0VANE",
         {"notepad.exe d:\\\xE9t\xE9\\readme.txt",
          "d:\\\xE9t\xE9\\instdata\\runcheck.bat d:\\\xE9t\xE9\\qxinst.pif d:\\\xE9t\xE9\\qxchk.pif",
          "d:\\\xE9t\xE9\\instdata\\gostart.bat c c:\\jeux\\\xE0vane qx.pif", "<none>",
          "d:\\\xE9t\xE9\\instdata\\gostart.bat c c:\\jeux\\\xE0vane qxconfig.pif"}},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << row.pszSource << " / " << row.pszInstalled);
        std::vector<MessageBoxSeen> boxes;
        CLaunchCommands commands = Expand(row.pszSource, row.pszInstalled, "C:\\WINDOWS", &boxes);
        EXPECT_TRUE(boxes.empty());
        for (int nSlot = 0; nSlot < kCommandSlotCount; ++nSlot)
            EXPECT_STREQ(commands.m_strCommand[nSlot], row.apszLines[nSlot]) << "slot " << nSlot;
    }
}

TEST(TemplateExpansion, UnknownCodesAreReportedOncePerOccurrence)
{
    // This program's strings 3 to 7: "a$xb$w", "$$", "$s\x$", "<none>", "$I:$i $w".
    std::vector<MessageBoxSeen> boxes;
    CLaunchCommands commands = Expand("D:", "AB:\\X", "C:\\WINDOWS", &boxes);
    EXPECT_STREQ(commands.m_strCommand[0], "abc:\\windows");
    EXPECT_STREQ(commands.m_strCommand[1], "");
    EXPECT_STREQ(commands.m_strCommand[2], "d:\\x");
    EXPECT_STREQ(commands.m_strCommand[3], "<none>");
    EXPECT_STREQ(commands.m_strCommand[4], "ab:ab:\\x c:\\windows");

    ASSERT_EQ(boxes.size(), 3u) << "$x, $$ and the final $";
    for (const auto& box : boxes) {
        EXPECT_EQ(box.strText, "Unknown substitution in string resource");
        EXPECT_EQ(box.strCaption, "Error") << "the system's default caption";
        EXPECT_EQ(box.hOwner, nullptr);
        EXPECT_EQ(box.hIcon, LoadIconA(nullptr, IDI_HAND));
        EXPECT_TRUE(box.bTopmost) << "system-modal";
    }
}

TEST(RunningCommands, StartsALineAndReportsWhetherItStarted)
{
    const char kBatch[] = "c:\\qxtest_args.bat";
    const char kOut[] = "c:\\qxtest_args.txt";
    ScopedCleanup cleanup{kBatch, kOut};
    DeleteFileA(kOut);
    ASSERT_TRUE(WriteWholeFile(kBatch, "@echo %1 %2 %3> c:\\qxtest_args.tmp\r\n"
                                       "@move c:\\qxtest_args.tmp c:\\qxtest_args.txt\r\n"));

    CLaunchCommands commands;
    commands.m_strCommand[kSlotViewReadme] = "c:\\qxtest_args.bat one c:\\two three";
    commands.m_strCommand[kSlotInstall] = "c:\\qxtest_missing\\install.exe a b";
    commands.m_strCommand[kSlotPlay] = "q:\\unmapped\\gostart.bat c";
    commands.m_strCommand[kSlotUnused] = "<none>";
    // kSlotConfigure stays empty, as after a missing template.

    EXPECT_TRUE(commands.RunCommand(kSlotViewReadme));
    std::string strArgs;
    EXPECT_TRUE(WaitFor([&] { return ReadWholeFile(kOut, &strArgs) && !strArgs.empty(); }));
    EXPECT_EQ(strArgs, "one c:\\two three\r\n");

    static const int kFailing[] = {kSlotInstall, kSlotPlay, kSlotUnused, kSlotConfigure, -1, 5, 1000};
    for (int nSlot : kFailing)
        EXPECT_FALSE(commands.RunCommand(static_cast<CommandSlot>(nSlot))) << "slot " << nSlot;
}

TEST(RunningCommands, ALineThatMustNotRunNeverReachesTheSystem)
{
    const char kBatch[] = "c:\\qxtest_refused.bat";
    const char kOut[] = "c:\\qxtest_refused.txt";
    ScopedCleanup cleanup{kBatch, kOut};
    DeleteFileA(kOut);
    ASSERT_TRUE(WriteWholeFile(kBatch, "@echo ran> c:\\qxtest_refused.txt\r\n"));

    CLaunchCommands commands;
    commands.m_strCommand[kSlotPlay] = kBatch;
    commands.m_nStatus[kSlotPlay] = kCommandLineUnsafeDirectory;
    commands.m_strRefusal[kSlotPlay] = "Could not start the game: the reason.";
    CString strWhy;
    EXPECT_FALSE(commands.RunCommand(kSlotPlay, &strWhy));
    EXPECT_STREQ(strWhy, "Could not start the game: the reason.");
    EXPECT_FALSE(commands.RunCommand(kSlotPlay));

    // The same line, allowed, runs: the status alone kept it back.
    commands.m_strCommand[kSlotConfigure] = kBatch;
    EXPECT_TRUE(commands.RunCommand(kSlotConfigure, &strWhy));
    EXPECT_TRUE(WaitFor([&] { return FileExists(kOut); }));
}

// Whether a line runs is its status, whatever became of the text that says
// why not (the memory for it may have run out): each line here would run a
// batch file of the sample CD that records its start.
TEST_F(LauncherTemplates, TheStatusAloneKeepsALineBack)
{
    ScopedCleanup cleanup{kRanPath};
    SetEnvironmentVariableA("QX_TEST_RAN", kRanPath);
    DeleteFileA(kRanPath);
    const std::string strLong = "C:\\" + std::string(220, 'A');
    const struct
    {
        const char* pszWhy;
        const char* pszSource;
        const char* pszInstalled;
        CommandSlot nSlot;
    } rows[] = {
        {"a game folder that no command line can carry", "D:", "C:\\QX&NONE", kSlotPlay},
        {"a game folder that folds the line onto the batch file", "D:", "C:..\\gostart.bat", kSlotConfigure},
        {"a game folder that makes the line too long", "D:", strLong.c_str(), kSlotPlay},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszWhy);
        CLaunchCommands commands = Expand(row.pszSource, row.pszInstalled, "C:\\WINDOWS");
        EXPECT_FALSE(commands.m_strRefusal[row.nSlot].IsEmpty()) << "the line must not run";
        commands.m_strRefusal[row.nSlot].Empty();
        EXPECT_FALSE(commands.RunCommand(row.nSlot))
            << static_cast<const char*>(commands.m_strCommand[row.nSlot]);
    }
    EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{}) << "a refused line ran";
    SetEnvironmentVariableA("QX_TEST_RAN", nullptr);
}
