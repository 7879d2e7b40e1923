// The built launcher against hostile input, run as a user runs it: CD and
// game folders whose names a command line cannot carry, with decoy programs
// where a wrong reading would find one; folders that make a command line
// longer than 255 characters; a CD whose batch files are missing; a full
// drive C:; a launcher whose own path is too long for the system to report.
// Whatever happens, the launcher runs only the program a line names, or
// says in a message box what it could not start and why, and stays open.
#include "TestSupport.h"
#include "res/resource.h"
#include "tests/common/ExpectedCdCheckBatch.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace qxtest;

namespace {

const char kTitle[] = "Qxinst95"; // the program file's name: every box's caption
const char kBatchMessage[] = "Error: Could not write out batch file";
const char kGameDir[] = "c:\\qxtest_game";

// A launcher under test, started by us or by a shell, found by its window.
class LauncherUnderTest
{
public:
    // Waits for the launcher window of process nPid (0: of any process but
    // this one), answering the message boxes that come before it with OK.
    bool WaitForWindow(DWORD nPid)
    {
        WaitFor(
            [&] {
                for (HWND h : nPid ? FindTopLevelWindows(nPid, "#32770") : FindForeignDialogs()) {
                    if (GetDlgItem(h, IDC_VIEW_README)) {
                        m_hDlg = h;
                        return true;
                    }
                    if (GetDlgItem(h, kMessageBoxTextId)) {
                        m_startBoxes.push_back(WindowText(h) + ": " +
                                               WindowText(GetDlgItem(h, kMessageBoxTextId)));
                        PostMessageA(h, WM_COMMAND, IDOK, 0);
                        WaitFor([&] { return !IsWindow(h) || !IsWindowVisible(h); }, 5000);
                    }
                }
                return false;
            },
            20000);
        if (m_hDlg)
            m_process.reset(new ForeignProcess(m_hDlg));
        return m_hDlg != nullptr;
    }

    // Presses a button that warns first and answers the warning with OK;
    // false when no warning came.
    bool PressAndConfirm(int nButton)
    {
        Click(nButton);
        HWND hBox = WaitForMessageBox(m_process->Id(), m_hDlg);
        if (!hBox)
            return false;
        EXPECT_EQ(WindowText(hBox), kTitle);
        EXPECT_EQ(WindowText(GetDlgItem(hBox, kMessageBoxTextId)), LauncherString(IDS_CONFIRM_DOS_MODE));
        PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        return WaitFor([&] { return !IsWindow(hBox) || !IsWindowVisible(hBox); });
    }

    // The launcher's report that it did not start the command: its text,
    // after checking how it is shown and answering it. The window must stay.
    std::string ReportAfterPress()
    {
        HWND hBox = WaitForMessageBox(m_process->Id(), m_hDlg);
        if (!hBox)
            return "(no message box; the launcher " +
                   std::string(IsWindow(m_hDlg) ? "is open)" : "has closed)");
        const MessageBoxSeen seen = ReadMessageBox(hBox);
        EXPECT_EQ(seen.strCaption, kTitle);
        EXPECT_EQ(seen.hOwner, m_hDlg) << "owned by the launcher window";
        PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(hBox) || !IsWindowVisible(hBox); }));
        EXPECT_TRUE(IsWindowVisible(m_hDlg)) << "the launcher window stays open";
        return seen.strText;
    }

    // Presses Quit: the launcher must end, with code 0.
    void Quit()
    {
        Click(IDCANCEL);
        DWORD nExitCode = 1;
        EXPECT_TRUE(m_process->WaitForExit(&nExitCode)) << "Quit did not end the launcher";
        EXPECT_EQ(nExitCode, 0u);
    }

    bool WaitForEnd()
    {
        DWORD nExitCode = 1;
        return m_process->WaitForExit(&nExitCode) && nExitCode == 0;
    }

    void Click(int nId) { PostMessageA(GetDlgItem(m_hDlg, nId), BM_CLICK, 0, 0); }

    HWND m_hDlg = nullptr;
    std::vector<std::string> m_startBoxes;
    std::unique_ptr<ForeignProcess> m_process;
};

class HostileInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetEnvironmentVariableA("QX_TEST_RAN", kRanPath);
        Clean();
    }
    void TearDown() override
    {
        m_pLauncher.reset();
        m_pStarted.reset();
        Clean();
        for (const std::string& strPath : m_trees)
            DeleteTree(strPath);
        SetEnvironmentVariableA("QX_TEST_RAN", nullptr);
    }

    static void Clean()
    {
        SetQxIni(nullptr);
        for (const char* pszPath : {kBatchPath, kMarkerPath, kRanPath})
            DeleteFileA(pszPath);
    }

    // Deleted with everything in it when the test ends.
    void Remove(const std::string& strPath) { m_trees.push_back(strPath); }

    static void SetInstalled(const std::string& strFolder)
    {
        SetQxIni(("[Orvane]\r\nInstallDir=" + strFolder + "\r\n").c_str());
    }

    // Starts the program file strExe in its own folder, and waits for its window.
    LauncherUnderTest& Start(const std::string& strExe)
    {
        m_pLauncher.reset(new LauncherUnderTest);
        m_pStarted.reset(new Process);
        const std::string strDir = strExe.substr(0, strExe.rfind('\\'));
        const std::string strStartDir = strDir.size() == 2 ? strDir + "\\" : strDir;
        if (m_pStarted->Start("\"" + strExe + "\"", strStartDir.c_str()))
            m_pLauncher->WaitForWindow(m_pStarted->Id());
        return *m_pLauncher;
    }

    // Starts the launcher with a shell command, and waits for its window.
    LauncherUnderTest& StartThroughShell(const std::string& strCommand)
    {
        m_pLauncher.reset(new LauncherUnderTest);
        if (StartShell(strCommand))
            m_pLauncher->WaitForWindow(0);
        return *m_pLauncher;
    }

    std::unique_ptr<LauncherUnderTest> m_pLauncher;
    std::unique_ptr<Process> m_pStarted;
    std::vector<std::string> m_trees;
};

std::string Refused(const char* pszWhat, const std::string& strWhy)
{
    return std::string("Could not start the ") + pszWhat + ": " + strWhy;
}

std::string FolderRefused(const char* pszWhat, const std::string& strFolder)
{
    return Refused(pszWhat, "the folder " + strFolder + " has a name that cannot go on a command line.");
}

std::string TooLong(const char* pszWhat)
{
    return Refused(pszWhat, "its command line would be longer than 255 characters.");
}

} // namespace

// The CD copied into a folder whose name a command line cannot carry: with a
// short name that it can carry, Install runs by that name; without one, it
// runs nothing and says so. A decoy program stands where the line, read
// wrongly, would find a program.
TEST_F(HostileInput, CdFolderThatACommandLineCannotCarry)
{
    static const struct
    {
        const char* pszFolder;
        const char* pszDecoy; // null: none
        bool bShortName;      // whether the short name can be carried
    } kRows[] = {
        {"c:\\qxtest cd", "c:\\qxtest.exe", true},
        {"c:\\qxtest%windir%", nullptr, true},
        {"c:\\qx&d", "c:\\qx.exe", false},       // its own short name
        {"c:\\qx&test cd", "c:\\qx.exe", false}, // a short name that keeps the '&'
        {"c:\\qx^cd", nullptr, false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszFolder);
        Clean();
        Remove(row.pszFolder);
        ASSERT_TRUE(CopySampleCd(row.pszFolder));
        if (row.pszDecoy) {
            Remove(row.pszDecoy);
            ASSERT_TRUE(CopyFileA(DecoyProgramPath().c_str(), row.pszDecoy, FALSE));
        }
        const std::string strShort = ShortName(row.pszFolder);
        const std::string strLowerShort = LowerShortName(row.pszFolder);
        ASSERT_FALSE(strShort.empty());

        LauncherUnderTest& launcher = Start(std::string(row.pszFolder) + "\\Qxinst95.exe");
        ASSERT_NE(launcher.m_hDlg, nullptr);
        std::string strBatch;
        if (row.bShortName) {
            // The batch file for MS-DOS mode names the installer by the short name too.
            EXPECT_TRUE(launcher.m_startBoxes.empty());
            EXPECT_TRUE(ReadWholeFile(kBatchPath, &strBatch));
            EXPECT_EQ(strBatch, ExpectedCdCheckBatch(strShort));
        } else {
            EXPECT_EQ(launcher.m_startBoxes, std::vector<std::string>{kBatchMessage});
            EXPECT_FALSE(FileExists(kBatchPath));
        }

        ASSERT_TRUE(launcher.PressAndConfirm(IDOK));
        if (row.bShortName) {
            const std::string strRan =
                "runcheck " + strLowerShort + "\\qxinst.pif " + strLowerShort + "\\qxchk.pif";
            EXPECT_TRUE(launcher.WaitForEnd()) << "the launcher did not end after Install";
            EXPECT_TRUE(WaitForRanLine(strRan)) << strRan;
            EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{strRan});
        } else {
            EXPECT_EQ(launcher.ReportAfterPress(), FolderRefused("installer", row.pszFolder));
            launcher.Quit();
            EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{}) << "nothing may run";
        }
    }
}

// The game installed in a folder whose name a command line cannot carry:
// Play hands gostart.bat its short name, or runs nothing and says so. A '&'
// read by the command interpreter would start a second program, here a decoy
// on the search path.
TEST_F(HostileInput, GameFolderThatACommandLineCannotCarry)
{
    static const struct
    {
        const char* pszFolder;
        const char* pszDecoy; // null: none
        bool bShortName;
    } kRows[] = {
        {"c:\\qxtest game", nullptr, true}, {"c:\\qxtest&jerry", "c:\\windows\\jerry.exe", true},
        {"c:\\qxtest a,b", nullptr, true},  {"c:\\qx&j", "c:\\windows\\j.exe", false},
        {"c:\\qx%windir%", nullptr, false}, // a short name that keeps the '%'
        {"c:\\qx^a", nullptr, false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszFolder);
        Clean();
        Remove(row.pszFolder);
        ASSERT_TRUE(CreateDirectoryA(row.pszFolder, nullptr));
        if (row.pszDecoy) {
            Remove(row.pszDecoy);
            ASSERT_TRUE(CopyFileA(DecoyProgramPath().c_str(), row.pszDecoy, FALSE));
        }
        SetInstalled(row.pszFolder);

        LauncherUnderTest& launcher = Start(kLauncherPath);
        ASSERT_NE(launcher.m_hDlg, nullptr);
        EXPECT_TRUE(launcher.m_startBoxes.empty());
        ASSERT_TRUE(launcher.PressAndConfirm(IDOK));
        if (row.bShortName) {
            const std::string strRan = "gostart c " + LowerShortName(row.pszFolder) + " qx.pif";
            EXPECT_TRUE(launcher.WaitForEnd()) << "the launcher did not end after Play";
            EXPECT_TRUE(WaitForRanLine(strRan)) << strRan;
            EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{strRan});
        } else {
            EXPECT_EQ(launcher.ReportAfterPress(), FolderRefused("game", row.pszFolder));
            launcher.Quit();
            EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{}) << "nothing may run";
        }
    }
}

// A game folder that makes the line of Play or Configure longer than 255
// characters, and one character shorter: the cut line never runs.
TEST_F(HostileInput, GameFolderJustUnderAndOverTheLengthThatCutsALine)
{
    static const struct
    {
        const char* pszWhat;
        int nButton;
        const char* pszPif;
        size_t nLength;
        bool bFits;
    } kRows[] = {
        // "d:\instdata\gostart.bat c " and " qx.pif" leave 222 characters.
        {"game", IDOK, "qx.pif", 222, true},
        {"game", IDOK, "qx.pif", 223, false},
        // " qxconfig.pif" leaves 216.
        {"game's set-up", IDC_CONFIGURE, "qxconfig.pif", 216, true},
        {"game's set-up", IDC_CONFIGURE, "qxconfig.pif", 217, false},
    };
    Remove("c:\\qxtest_deep");
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << row.pszPif << ", a folder of " << row.nLength << " characters");
        Clean();
        DeleteTree("c:\\qxtest_deep");
        const std::string strFolder = DeepDirectory(row.nLength);
        ASSERT_EQ(strFolder.size(), row.nLength);
        SetInstalled(strFolder);

        LauncherUnderTest& launcher = Start(kLauncherPath);
        ASSERT_NE(launcher.m_hDlg, nullptr);
        ASSERT_TRUE(launcher.PressAndConfirm(row.nButton));
        if (row.bFits) {
            const std::string strRan = "gostart c " + strFolder + " " + row.pszPif;
            EXPECT_TRUE(launcher.WaitForEnd());
            EXPECT_TRUE(WaitForRanLine(strRan)) << strRan;
            EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{strRan});
        } else {
            EXPECT_EQ(launcher.ReportAfterPress(), TooLong(row.pszWhat));
            launcher.Quit();
            EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{});
        }
    }
}

// A CD folder that makes Install's line longer than 255 characters (three
// times the folder and 45 characters), and one character shorter.
TEST_F(HostileInput, CdFolderJustUnderAndOverTheLengthThatCutsALine)
{
    static const struct
    {
        size_t nLength;
        bool bFits;
    } kRows[] = {{70, true}, {71, false}};
    Remove("c:\\qxtest_deep");
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << "a CD folder of " << row.nLength << " characters");
        Clean();
        DeleteTree("c:\\qxtest_deep");
        const std::string strFolder = DeepDirectory(row.nLength);
        ASSERT_EQ(strFolder.size(), row.nLength);
        ASSERT_TRUE(CopySampleCd(strFolder));

        LauncherUnderTest& launcher = Start(strFolder + "\\Qxinst95.exe");
        ASSERT_NE(launcher.m_hDlg, nullptr);
        ASSERT_TRUE(launcher.PressAndConfirm(IDOK));
        if (row.bFits) {
            const std::string strRan = "runcheck " + strFolder + "\\qxinst.pif " + strFolder + "\\qxchk.pif";
            EXPECT_TRUE(launcher.WaitForEnd());
            EXPECT_TRUE(WaitForRanLine(strRan)) << strRan;
            EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{strRan});
        } else {
            EXPECT_EQ(launcher.ReportAfterPress(), TooLong("installer"));
            launcher.Quit();
            EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{});
        }
    }
}

// The CD's batch files are missing: the launcher says which file it did not
// find, stays open, and another choice (here Quit) remains.
TEST_F(HostileInput, MissingBatchFileIsReportedAndTheLauncherStaysOpen)
{
    const std::string strCd = "c:\\qxtest_cd";
    static const struct
    {
        const char* pszWhat;
        bool bInstalled;
        int nButton;
        const char* pszBatch;
    } kRows[] = {
        {"installer", false, IDOK, "runcheck.bat"},
        {"game", true, IDOK, "gostart.bat"},
        {"game's set-up", true, IDC_CONFIGURE, "gostart.bat"},
    };
    Remove(strCd);
    Remove(kGameDir);
    ASSERT_TRUE(CopySampleCd(strCd, false));
    ASSERT_TRUE(CreateDirectoryA(kGameDir, nullptr));
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszWhat);
        Clean();
        if (row.bInstalled)
            SetInstalled(kGameDir);
        LauncherUnderTest& launcher = Start(strCd + "\\Qxinst95.exe");
        ASSERT_NE(launcher.m_hDlg, nullptr);
        ASSERT_TRUE(launcher.PressAndConfirm(row.nButton));
        EXPECT_EQ(launcher.ReportAfterPress(),
                  Refused(row.pszWhat, strCd + "\\instdata\\" + row.pszBatch + " was not found."));
        launcher.Quit();
    }
}

// Drive C: full at several sizes (a file size limit on the launcher's
// process), with old first-run files there or not: each file is whole or
// gone, never empty or cut, and a batch file that did not fit is reported.
// From D:\ the batch file has 533 bytes and the marker file 21.
TEST_F(HostileInput, FullDriveCLeavesEachFirstRunFileWholeOrGone)
{
    const std::string strMarker = "win95dir " + WindowsDirectory() + "\r\n";
    ASSERT_EQ(strMarker.size(), 21u);
    for (size_t nLimit : {0u, 1u, 20u, 21u, 300u, 532u, 533u}) {
        for (bool bOldFiles : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "room for " << nLimit << " bytes" << (bOldFiles ? ", old first-run files" : ""));
            Clean();
            if (bOldFiles) {
                ASSERT_TRUE(WriteWholeFile(kBatchPath, std::string(4000, 'x')));
                ASSERT_TRUE(WriteWholeFile(kMarkerPath, "win95dir C:\\OLD\r\n" + std::string(100, 'y')));
            }
            // A process over its limit gets SIGXFSZ, which would end it:
            // ignored, the write fails as on a full disk.
            LauncherUnderTest& launcher =
                StartThroughShell("trap '' XFSZ; exec prlimit --fsize=" + std::to_string(nLimit) + " wine " +
                                  ShellQuote(kLauncherPath));
            ASSERT_NE(launcher.m_hDlg, nullptr);

            const bool bBatchFits = nLimit >= 533;
            EXPECT_EQ(launcher.m_startBoxes,
                      bBatchFits ? std::vector<std::string>{} : std::vector<std::string>{kBatchMessage});
            std::string strBatch, strMarkerRead;
            ReadWholeFile(kBatchPath, &strBatch);
            EXPECT_EQ(FileExists(kBatchPath), bBatchFits);
            EXPECT_EQ(strBatch, bBatchFits ? ExpectedCdCheckBatch("D:") : "");
            ReadWholeFile(kMarkerPath, &strMarkerRead);
            EXPECT_EQ(FileExists(kMarkerPath), nLimit >= 21);
            EXPECT_EQ(strMarkerRead, nLimit >= 21 ? strMarker : "");
            launcher.Quit();
        }
    }
}

// A launcher whose program path is longer than the system can report: it
// does not know its CD folder, so it writes no batch file (and says so, as
// for one it cannot write), still titles its boxes with its name, and runs
// none of the lines that need the folder; a batch file at the place such a
// line would name on the current drive stands as the decoy.
TEST_F(HostileInput, LauncherThatCannotFindOutItsOwnPath)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "starts the launcher through Wine from a Unix shell";
    Remove("c:\\qxtest_deep");
    Remove("c:\\instdata");
    const std::string strFolder = DeepDirectory(300);
    ASSERT_EQ(strFolder.size(), 300u);
    const std::string strExe = UnixPath(strFolder) + "/Qxinst95.exe";
    const std::string strLauncher = UnixPath(kLauncherPath);
    ASSERT_FALSE(strLauncher.empty());
    ASSERT_TRUE(CreateDirectoryA("c:\\instdata", nullptr));
    ASSERT_TRUE(
        WriteWholeFile("c:\\instdata\\runcheck.bat", "@echo decoy runcheck %1 %2 >>%QX_TEST_RAN%\r\n"));

    LauncherUnderTest& launcher =
        StartThroughShell("cp " + ShellQuote(strLauncher) + " " + ShellQuote(strExe) + " && cd " +
                          ShellQuote(UnixPath("c:\\")) + " && exec wine " + ShellQuote(strExe));
    ASSERT_NE(launcher.m_hDlg, nullptr);
    EXPECT_EQ(launcher.m_startBoxes, std::vector<std::string>{kBatchMessage});
    EXPECT_FALSE(FileExists(kBatchPath));

    const std::string strWhy = "the launcher could not find out the folder it was started from.";
    ASSERT_TRUE(launcher.PressAndConfirm(IDOK)) << "the warning, with the program's name as caption";
    EXPECT_EQ(launcher.ReportAfterPress(), Refused("installer", strWhy));
    launcher.Click(IDC_VIEW_README);
    EXPECT_EQ(launcher.ReportAfterPress(), "Could not open the read-me: " + strWhy);
    launcher.Quit();
    EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{});
}
