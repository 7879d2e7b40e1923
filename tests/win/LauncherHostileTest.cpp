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

#include <initializer_list>
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
        // What a test left beside the first-run files, as a crash would.
        for (const char* pszPath : {kBatchPath, kMarkerPath}) {
            for (int n = 0; n < 10; ++n)
                DeleteFileA(TemporaryFileOf(pszPath, n).c_str());
            DeleteFileA(AsideFileOf(pszPath).c_str());
        }
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
// wrongly, would find a program. View Readme, whose line no command
// interpreter reads, runs from every one of them.
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

        // View Readme's line is read by the editor alone, which takes any of
        // these folders, by its short name where it holds a blank. A decoy
        // editor in the CD folder, which the system searches first, records
        // the line it was given.
        const std::string strEditor = std::string(row.pszFolder) + "\\notepad.exe";
        ASSERT_TRUE(CopyFileA(DecoyProgramPath().c_str(), strEditor.c_str(), FALSE));
        const std::string strReadme = "decoy notepad.exe " +
                                      (strchr(row.pszFolder, ' ') ? strLowerShort : row.pszFolder) +
                                      "\\readme.txt";

        LauncherUnderTest& launcher = Start(std::string(row.pszFolder) + "\\Qxinst95.exe");
        ASSERT_NE(launcher.m_hDlg, nullptr);
        launcher.Click(IDC_VIEW_README);
        EXPECT_TRUE(WaitForRanLine(strReadme)) << strReadme;
        EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{strReadme});
        EXPECT_TRUE(IsWindowVisible(launcher.m_hDlg));
        DeleteFileA(kRanPath);

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

// An InstallDir value whose ".." would fold the line of Play across its
// arguments, into another program: the CD's installer, a program on the
// disk, a "game" made of the batch file's folder. Each names a folder that
// exists, so the game counts as installed; a decoy stands where the folded
// line would find its program. Folds that stay inside the folder still run.
TEST_F(HostileInput, GameFolderThatFoldsAcrossTheCommandLine)
{
    const std::string strCd = "c:\\qxtest_cd";
    static const struct
    {
        const char* pszInstallDir;
        const char* pszDecoy; // where the folded line finds a program; null: none
        const char* pszRan;   // what gostart.bat records when the line may run; null: refused
    } kRows[] = {
        {"C:\\..\\..\\qxtest_install", "c:\\qxtest_cd\\qxtest_install.exe", nullptr},
        {"C:\\..\\..\\..\\windows\\qxtest_decoy.exe", "c:\\windows\\qxtest_decoy.exe", nullptr},
        {"C:..\\qxtest_orvane", "c:\\qxtest_cd\\instdata\\qxtest_orvane.exe", nullptr},
        {"qxtest_games\\..\\qxtest_orvane", "c:\\qxtest_cd\\instdata\\qxtest_orvane.exe", nullptr},
        {"C:qxtest_games\\..\\qxtest_orvane", "c:\\qxtest_cd\\instdata\\qxtest_orvane.exe", nullptr},
        {"C:\\..\\qxtest_orvane", "c:\\qxtest_cd\\instdata\\qxtest_orvane.exe", nullptr},
        {"C:\\qxtest_games\\..\\qxtest_orvane", nullptr, "gostart c c:\\qxtest_orvane qx.pif"},
        {"C:/qxtest_games/../qxtest_orvane", nullptr, "gostart c c:\\qxtest_orvane qx.pif"},
        {"..\\qxtest_orvane", nullptr, "gostart ..\\qxtest_orvane qx.pif"},
    };
    Remove(strCd);
    ASSERT_TRUE(CopySampleCd(strCd));
    // The folders the values name: relative ones are found from the CD
    // folder, where the launcher starts.
    for (const char* pszFolder :
         {"c:\\qxtest_install", "c:\\qxtest_orvane", "c:\\qxtest_cd\\qxtest_orvane"}) {
        Remove(pszFolder);
        ASSERT_TRUE(CreateDirectoryA(pszFolder, nullptr));
    }
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszInstallDir);
        Clean();
        if (row.pszDecoy) {
            Remove(row.pszDecoy);
            ASSERT_TRUE(CopyFileA(DecoyProgramPath().c_str(), row.pszDecoy, FALSE));
        }
        SetInstalled(row.pszInstallDir);

        LauncherUnderTest& launcher = Start(strCd + "\\Qxinst95.exe");
        ASSERT_NE(launcher.m_hDlg, nullptr);
        ASSERT_NE(GetDlgItem(launcher.m_hDlg, IDC_CONFIGURE), nullptr);
        ASSERT_TRUE(IsWindowVisible(GetDlgItem(launcher.m_hDlg, IDC_CONFIGURE)))
            << "the game counts as installed";
        ASSERT_TRUE(launcher.PressAndConfirm(IDOK));
        if (row.pszRan) {
            EXPECT_TRUE(launcher.WaitForEnd()) << "the launcher did not end after Play";
            EXPECT_TRUE(WaitForRanLine(row.pszRan)) << row.pszRan;
            EXPECT_EQ(RanLinesAfterBarrier(), std::vector<std::string>{row.pszRan});
        } else {
            EXPECT_EQ(launcher.ReportAfterPress(), FolderRefused("game", row.pszInstallDir));
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

// An open file, closed when its owner goes.
struct OpenFileKind : afx::HandleKind<HANDLE>
{
    static bool IsHeld(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Free(HANDLE h) { CloseHandle(h); }
};

// The temporary files beside the first-run files that a launcher may leave.
std::vector<std::string> TemporaryFilesLeft()
{
    std::vector<std::string> left;
    for (const char* pszPath : {kBatchPath, kMarkerPath}) {
        for (int n = 0; n <= 10; ++n) {
            const std::string strPath = n < 10 ? TemporaryFileOf(pszPath, n) : AsideFileOf(pszPath);
            if (FileExists(strPath.c_str()))
                left.push_back(strPath);
        }
    }
    return left;
}

namespace {

// Drive C: full at several sizes (a file size limit on the launcher's
// process), with old first-run files there or not, or held open by another
// program that lets others write but not delete them: each file is the new
// one whole or the old one as it was, never empty, cut or gone, and a batch
// file that could not be written is reported. From D:\ the batch file has
// 533 bytes and the marker file 21. One test for each state of the old
// files, since each size starts the launcher afresh.
class FullDriveC : public HostileInput
{
protected:
    enum OldFiles
    {
        kNone,
        kThere,
        kHeld
    };

    void CheckEachLimit(OldFiles old, std::initializer_list<size_t> limits)
    {
        const std::string strMarker = "win95dir " + WindowsDirectory() + "\r\n";
        ASSERT_EQ(strMarker.size(), 21u);
        const std::string strOldBatch(4000, 'x');
        const std::string strOldMarker = "win95dir C:\\OLD\r\n" + std::string(100, 'y');
        for (size_t nLimit : limits) {
            static const char* const kOld[] = {"", ", old first-run files",
                                               ", old first-run files held open"};
            SCOPED_TRACE(testing::Message() << "room for " << nLimit << " bytes" << kOld[old]);
            Clean();
            std::vector<CHandleT<OpenFileKind>> held;
            if (old != kNone) {
                ASSERT_TRUE(WriteWholeFile(kBatchPath, strOldBatch));
                ASSERT_TRUE(WriteWholeFile(kMarkerPath, strOldMarker));
            }
            if (old == kHeld) {
                for (const char* pszPath : {kBatchPath, kMarkerPath}) {
                    held.emplace_back(CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
                    ASSERT_NE(static_cast<HANDLE>(held.back()), INVALID_HANDLE_VALUE);
                }
            }
            // A process over its limit gets SIGXFSZ, which would end it:
            // ignored, the write fails as on a full disk.
            LauncherUnderTest& launcher =
                StartThroughShell("trap '' XFSZ; exec prlimit --fsize=" + std::to_string(nLimit) + " wine " +
                                  ShellQuote(kLauncherPath));
            ASSERT_NE(launcher.m_hDlg, nullptr);

            const bool bBatchNew = nLimit >= 533 && old != kHeld;
            const bool bMarkerNew = nLimit >= 21 && old != kHeld;
            EXPECT_EQ(launcher.m_startBoxes,
                      bBatchNew ? std::vector<std::string>{} : std::vector<std::string>{kBatchMessage});
            held.clear();
            std::string strBatch, strMarkerRead;
            EXPECT_EQ(ReadWholeFile(kBatchPath, &strBatch), bBatchNew || old != kNone);
            EXPECT_EQ(strBatch, bBatchNew ? ExpectedCdCheckBatch("D:") : old != kNone ? strOldBatch : "");
            EXPECT_EQ(ReadWholeFile(kMarkerPath, &strMarkerRead), bMarkerNew || old != kNone);
            EXPECT_EQ(strMarkerRead, bMarkerNew ? strMarker : old != kNone ? strOldMarker : "");
            EXPECT_EQ(TemporaryFilesLeft(), std::vector<std::string>{});
            launcher.Quit();
        }
    }
};

} // namespace

TEST_F(FullDriveC, EachNewFirstRunFileIsWholeOrNotThere)
{
    CheckEachLimit(kNone, {0, 1, 20, 21, 300, 532, 533});
}

TEST_F(FullDriveC, EachOldFirstRunFileIsReplacedWholeOrKeptAsItWas)
{
    CheckEachLimit(kThere, {0, 1, 20, 21, 300, 532, 533});
}

TEST_F(FullDriveC, FirstRunFilesHeldOpenAreKeptAsTheyWere)
{
    CheckEachLimit(kHeld, {300, 533});
}

namespace {

// A launcher started with this test as its debugger, and held at a given
// call of a function of the system (WriteFile, DeleteFileA, MoveFileA) until
// Release: what another launcher does meanwhile meets this one in the middle
// of its first-run files, every time the same way.
class HeldLauncher
{
public:
    HeldLauncher() = default;
    HeldLauncher(const HeldLauncher&) = delete;
    HeldLauncher& operator=(const HeldLauncher&) = delete;
    ~HeldLauncher()
    {
        if (m_info.hProcess) {
            if (m_bHeld) {
                TerminateProcess(m_info.hProcess, 255);
                ContinueDebugEvent(m_info.dwProcessId, m_nHeldThread, DBG_CONTINUE);
            }
            DebugActiveProcessStop(m_info.dwProcessId);
            CloseHandle(m_info.hThread);
            CloseHandle(m_info.hProcess);
        }
    }

    // Starts the launcher and runs it up to call nCall (1 the first) of the
    // function; false if it ended or took longer than ten seconds.
    bool StartAndHoldAt(const char* pszFunction, int nCall)
    {
        m_pAddress = reinterpret_cast<BYTE*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), pszFunction));
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        char szCommand[] = "D:\\Qxinst95.exe";
        if (!m_pAddress || !CreateProcessA(nullptr, szCommand, nullptr, nullptr, FALSE,
                                           DEBUG_ONLY_THIS_PROCESS, nullptr, "D:\\", &si, &m_info))
            return false;
        bool bArmed = false;
        bool bStepping = false;
        const DWORD nStart = GetTickCount();
        while (GetTickCount() - nStart < 10000) {
            DEBUG_EVENT event;
            if (!WaitForDebugEvent(&event, 100))
                continue;
            DWORD nContinue = DBG_CONTINUE;
            switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                CloseHandle(event.u.LoadDll.hFile);
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                return false;
            case EXCEPTION_DEBUG_EVENT:
                if (bStepping && event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_SINGLE_STEP) {
                    const BYTE bBreak = 0xCC;
                    if (!WriteProcessMemory(m_info.hProcess, m_pAddress, &bBreak, 1, nullptr))
                        return false;
                    FlushInstructionCache(m_info.hProcess, m_pAddress, 1);
                    bStepping = false;
                } else if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                    nContinue = DBG_EXCEPTION_NOT_HANDLED;
                } else if (!bArmed) {
                    // The loader's own breakpoint: the system's libraries are
                    // in place, at the addresses they have in this process.
                    BYTE abHere[16], abThere[16];
                    memcpy(abHere, m_pAddress, sizeof(abHere));
                    const BYTE bBreak = 0xCC;
                    if (!ReadProcessMemory(m_info.hProcess, m_pAddress, abThere, sizeof(abThere), nullptr) ||
                        memcmp(abHere, abThere, sizeof(abHere)) != 0 ||
                        !WriteProcessMemory(m_info.hProcess, m_pAddress, &bBreak, 1, nullptr))
                        return false;
                    m_bOriginal = abHere[0];
                    FlushInstructionCache(m_info.hProcess, m_pAddress, 1);
                    bArmed = true;
                } else if (event.u.Exception.ExceptionRecord.ExceptionAddress == m_pAddress) {
                    if (--nCall == 0) {
                        m_bHeld = true;
                        m_nHeldThread = event.dwThreadId;
                        return true;
                    }
                    // An earlier call: it runs its first instruction without
                    // the breakpoint, which the single step then puts back.
                    if (!ResumeAtFunction(event.dwThreadId, true))
                        return false;
                    bStepping = true;
                }
                break;
            default:
                break;
            }
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, nContinue);
        }
        return false;
    }

    // Takes the breakpoint away, lets the call go on and lets the launcher go.
    bool Release()
    {
        if (!m_bHeld)
            return false;
        const bool bResumed = ResumeAtFunction(m_nHeldThread, false);
        m_bHeld = false;
        DebugSetProcessKillOnExit(FALSE);
        ContinueDebugEvent(m_info.dwProcessId, m_nHeldThread, DBG_CONTINUE);
        return bResumed && DebugActiveProcessStop(m_info.dwProcessId);
    }

    DWORD Id() const { return m_info.dwProcessId; }

private:
    // Takes the breakpoint away and sets the thread that hit it back to the
    // function's first instruction; with bStep, to run that one instruction
    // and stop again.
    bool ResumeAtFunction(DWORD nThread, bool bStep)
    {
        HANDLE hThread = OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, nThread);
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        const bool bRestored =
            hThread && WriteProcessMemory(m_info.hProcess, m_pAddress, &m_bOriginal, 1, nullptr) &&
            FlushInstructionCache(m_info.hProcess, m_pAddress, 1) && GetThreadContext(hThread, &context);
        context.Eip = reinterpret_cast<DWORD>(m_pAddress);
        if (bStep)
            context.EFlags |= 0x100; // the trap flag
        const bool bResumed = bRestored && SetThreadContext(hThread, &context);
        if (hThread)
            CloseHandle(hThread);
        return bResumed;
    }

    PROCESS_INFORMATION m_info = {};
    BYTE* m_pAddress = nullptr;
    BYTE m_bOriginal = 0;
    bool m_bHeld = false;
    DWORD m_nHeldThread = 0;
};

} // namespace

// Two launchers at once on a first run (AutoRun and a double-click): the
// first is held in the middle of writing c:\_qxchkcd.bat, at each step, with
// old first-run files there or not, while the second, from another CD folder,
// starts and writes its files whole. Then the first goes on. Each file is one
// launcher's, whole: the first's, unless it had finished with the batch file
// before it was held; neither launcher reports a fault, and no temporary file
// is left.
TEST_F(HostileInput, TwoLaunchersAtOnceLeaveOneWholeFile)
{
    const std::string strSecondCd = "c:\\qxtest_cd2";
    Remove(strSecondCd);
    ASSERT_TRUE(CopySampleCd(strSecondCd));
    const std::string strMarker = "win95dir " + WindowsDirectory() + "\r\n";
    static const struct
    {
        const char* pszHeldAt;
        int nCall;
        bool bOldFiles;
        bool bFirstLast; // the first launcher's batch file is the one left
        const char* pszWhere;
    } kRows[] = {
        {"WriteFile", 1, false, true, "in its write"},
        {"MoveFileA", 1, false, true, "just before it moves its own file in"},
        {"MoveFileA", 1, true, true, "just before its old file steps aside"},
        {"MoveFileA", 2, true, true, "between its old file stepping aside and its own moving in"},
        {"DeleteFileA", 1, true, false, "with its own file in, before its old one goes"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszWhere);
        Clean();
        if (row.bOldFiles) {
            ASSERT_TRUE(WriteWholeFile(kBatchPath, "old batch file\r\n"));
            ASSERT_TRUE(WriteWholeFile(kMarkerPath, "win95dir C:\\OLD\r\n"));
        }
        HeldLauncher first;
        ASSERT_TRUE(first.StartAndHoldAt(row.pszHeldAt, row.nCall))
            << "the first launcher never called " << row.pszHeldAt;
        const std::string strBusy = row.bFirstLast ? TemporaryFileOf(kBatchPath, 0) : AsideFileOf(kBatchPath);
        EXPECT_TRUE(FileExists(strBusy.c_str())) << "held elsewhere than at the batch file";

        LauncherUnderTest second;
        Process secondProcess;
        ASSERT_TRUE(secondProcess.Start("\"" + strSecondCd + "\\Qxinst95.exe\"", strSecondCd.c_str()));
        ASSERT_TRUE(second.WaitForWindow(secondProcess.Id()));
        std::string strBatch;
        EXPECT_TRUE(ReadWholeFile(kBatchPath, &strBatch));
        EXPECT_EQ(strBatch, ExpectedCdCheckBatch(strSecondCd)) << "the second launcher's file";

        ASSERT_TRUE(first.Release());
        LauncherUnderTest firstWindow;
        ASSERT_TRUE(firstWindow.WaitForWindow(first.Id()));
        EXPECT_EQ(firstWindow.m_startBoxes, std::vector<std::string>{}) << "what the first launcher reports";
        EXPECT_EQ(second.m_startBoxes, std::vector<std::string>{}) << "what the second launcher reports";
        EXPECT_TRUE(ReadWholeFile(kBatchPath, &strBatch));
        EXPECT_EQ(strBatch, ExpectedCdCheckBatch(row.bFirstLast ? "D:" : strSecondCd))
            << "the file of the launcher that moved its own in last";
        std::string strMarkerRead;
        EXPECT_TRUE(ReadWholeFile(kMarkerPath, &strMarkerRead));
        EXPECT_EQ(strMarkerRead, strMarker);
        EXPECT_EQ(TemporaryFilesLeft(), std::vector<std::string>{});
        firstWindow.Quit();
        second.Quit();
    }
}

// What a crash (or a power failure) left beside the first-run files, as the
// next start finds it: temporary files that would take every name, an old
// file that had stepped aside, before or after the new one moved in. With
// room on drive C: the start writes both files and leaves nothing else; on a
// full drive it reports the batch file and leaves the old files whole in
// their places.
TEST_F(HostileInput, NextStartRecoversWhatACrashLeft)
{
    const std::string strMarker = "win95dir " + WindowsDirectory() + "\r\n";
    const std::string strOldBatch = "old batch file\r\n";
    const std::string strOldMarker = "win95dir C:\\OLD\r\n";
    enum Crash
    {
        kWhileWriting, // ten temporary files, cut short, beside the old files
        kBetweenMoves, // the old files aside, their places empty
        kAfterMoves,   // the new files in, the old ones still aside
    };
    static const struct
    {
        Crash crash;
        bool bFull;
    } kRows[] = {
        {kWhileWriting, false}, {kWhileWriting, true}, {kBetweenMoves, false},
        {kBetweenMoves, true},  {kAfterMoves, false},  {kAfterMoves, true},
    };
    for (const auto& row : kRows) {
        static const char* const kCrash[] = {"while writing", "between the moves", "after the moves"};
        SCOPED_TRACE(testing::Message()
                     << "a crash " << kCrash[row.crash] << (row.bFull ? ", drive C: full" : ""));
        Clean();
        // An hour ago, as a crash at an earlier start left them.
        const auto WriteLeftover = [](const std::string& strPath, const std::string& strContent) {
            if (!WriteWholeFile(strPath.c_str(), strContent))
                return false;
            FILETIME time;
            GetSystemTimeAsFileTime(&time);
            ULARGE_INTEGER nTime = {{time.dwLowDateTime, time.dwHighDateTime}};
            nTime.QuadPart -= 3600ULL * 10000000ULL;
            time = {nTime.LowPart, nTime.HighPart};
            HANDLE hFile = CreateFileA(strPath.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
            const bool bDated = hFile != INVALID_HANDLE_VALUE && SetFileTime(hFile, nullptr, nullptr, &time);
            if (hFile != INVALID_HANDLE_VALUE)
                CloseHandle(hFile);
            return bDated;
        };
        std::string strBatchLeft = strOldBatch, strMarkerLeft = strOldMarker;
        switch (row.crash) {
        case kWhileWriting:
            ASSERT_TRUE(WriteLeftover(kBatchPath, strOldBatch));
            ASSERT_TRUE(WriteLeftover(kMarkerPath, strOldMarker));
            for (int n = 0; n < 10; ++n) {
                ASSERT_TRUE(WriteLeftover(TemporaryFileOf(kBatchPath, n), "@echo cut sh"));
                ASSERT_TRUE(WriteLeftover(TemporaryFileOf(kMarkerPath, n), "win95d"));
            }
            break;
        case kBetweenMoves:
            ASSERT_TRUE(WriteLeftover(AsideFileOf(kBatchPath), strOldBatch));
            ASSERT_TRUE(WriteLeftover(AsideFileOf(kMarkerPath), strOldMarker));
            ASSERT_TRUE(WriteLeftover(TemporaryFileOf(kBatchPath, 0), "the whole new batch file"));
            ASSERT_TRUE(WriteLeftover(TemporaryFileOf(kMarkerPath, 0), "win95dir C:\\NEW\r\n"));
            break;
        case kAfterMoves:
            strBatchLeft = "the batch file of the start that crashed\r\n";
            strMarkerLeft = "win95dir C:\\NEW\r\n";
            ASSERT_TRUE(WriteLeftover(kBatchPath, strBatchLeft));
            ASSERT_TRUE(WriteLeftover(kMarkerPath, strMarkerLeft));
            ASSERT_TRUE(WriteLeftover(AsideFileOf(kBatchPath), strOldBatch));
            ASSERT_TRUE(WriteLeftover(AsideFileOf(kMarkerPath), strOldMarker));
            break;
        }

        LauncherUnderTest& launcher =
            StartThroughShell(std::string(row.bFull ? "trap '' XFSZ; exec prlimit --fsize=0 " : "exec ") +
                              "wine " + ShellQuote(kLauncherPath));
        ASSERT_NE(launcher.m_hDlg, nullptr);
        EXPECT_EQ(launcher.m_startBoxes,
                  row.bFull ? std::vector<std::string>{kBatchMessage} : std::vector<std::string>{});
        std::string strBatch, strMarkerRead;
        EXPECT_TRUE(ReadWholeFile(kBatchPath, &strBatch));
        EXPECT_EQ(strBatch, row.bFull ? strBatchLeft : ExpectedCdCheckBatch("D:"));
        EXPECT_TRUE(ReadWholeFile(kMarkerPath, &strMarkerRead));
        EXPECT_EQ(strMarkerRead, row.bFull ? strMarkerLeft : strMarker);
        EXPECT_EQ(TemporaryFilesLeft(), std::vector<std::string>{});
        launcher.Quit();
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
