// The sample CD under Wine, from outside: the whole loop from a first start
// through the installer to Play and Configure, the installer on its own
// with hostile folders, a full disk and Cancel, the CD's program-information
// files and text files read back, and the launcher started from a CD image.
//
// Runs in a session of its own (private-session.sh): D: is the CD, R: a drive
// that refuses every write. Each test leaves qx.ini, drive C: and the
// processes it started as it found them.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace qxtest;

namespace {

const char kInstallerPath[] = "D:\\install.exe";
const char kInstallerTitle[] = "Orvane Setup";
const char kGameTitle[] = "Orvane";
const char kDefaultFolder[] = "C:\\GAMES\\ORVANE";
// The game's files on the CD, as the installer copies them.
const char* const kGameFiles[] = {"orvane.exe", "qx.pif", "qxconfig.pif"};

// Controls of the installer, the game and the launcher.
const int kFolderEdit = 1000;
const int kGameMode = 1000, kGameProgramFolder = 1001, kGameCurrentFolder = 1002, kGameCommandLine = 1003;
const int kLauncherConfigure = 1002;

// Cross-process chains (launcher, command interpreter, batch file, program)
// take a few seconds under Wine when it is cold.
const DWORD kChainTimeoutMs = 30000;

std::string Lower(std::string s)
{
    if (!s.empty())
        CharLowerBuffA(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

bool Contains(const std::string& strHaystack, const std::string& strNeedle)
{
    return strHaystack.find(strNeedle) != std::string::npos;
}

// The names in a folder, lower-cased and sorted.
std::vector<std::string> FolderContent(const std::string& strPath)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA((strPath + "\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0)
            names.push_back(Lower(data.cFileName));
    } while (FindNextFileA(hFind, &data));
    FindClose(hFind);
    std::sort(names.begin(), names.end());
    return names;
}

// The long form of a path that may hold short names; the path itself when
// the system cannot tell.
std::string LongPath(const std::string& strPath)
{
    char sz[MAX_PATH] = "";
    const DWORD n = GetLongPathNameA(strPath.c_str(), sz, MAX_PATH);
    return n != 0 && n < MAX_PATH ? sz : strPath;
}

// InstallDir as any program reads it now, past this process's profile cache.
std::string RecordedFolder()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "qx.ini");
    char sz[300] = "";
    GetPrivateProfileStringA("Orvane", "InstallDir", "", sz, sizeof(sz), "qx.ini");
    return sz;
}

struct TitledSearch
{
    const char* pszTitle;
    int nControlId;
    HWND hFound;
};

BOOL CALLBACK FindTitledDialog(HWND hWnd, LPARAM lParam)
{
    TitledSearch* pSearch = reinterpret_cast<TitledSearch*>(lParam);
    if (IsWindowVisible(hWnd) && ClassName(hWnd) == "#32770" && WindowText(hWnd) == pSearch->pszTitle &&
        GetDlgItem(hWnd, pSearch->nControlId)) {
        pSearch->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog of any process with this caption and this control.
HWND FindDialog(const char* pszTitle, int nControlId)
{
    TitledSearch search = {pszTitle, nControlId, nullptr};
    EnumWindows(FindTitledDialog, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND WaitForDialog(const char* pszTitle, int nControlId, DWORD nTimeoutMs = kChainTimeoutMs)
{
    HWND hFound = nullptr;
    WaitFor([&] { return (hFound = FindDialog(pszTitle, nControlId)) != nullptr; }, nTimeoutMs);
    return hFound;
}

// Answers a message box and waits until it is gone.
bool Answer(HWND hBox, int nButton)
{
    PostMessageA(hBox, WM_COMMAND, nButton, 0);
    return WaitFor([&] { return !IsWindow(hBox) || !IsWindowVisible(hBox); });
}

void Click(HWND hDlg, int nId)
{
    PostMessageA(GetDlgItem(hDlg, nId), BM_CLICK, 0, 0);
}

// A control's text, also of another process: GetWindowText reads only
// captions there, WM_GETTEXT is carried across.
std::string ControlText(HWND hDlg, int nId)
{
    char sz[1024] = "";
    SendMessageTimeoutA(GetDlgItem(hDlg, nId), WM_GETTEXT, sizeof(sz), reinterpret_cast<LPARAM>(sz),
                        SMTO_NORMAL, 5000, nullptr);
    return sz;
}

void SetControlText(HWND hDlg, int nId, const std::string& strText)
{
    SendMessageTimeoutA(GetDlgItem(hDlg, nId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(strText.c_str()),
                        SMTO_NORMAL, 5000, nullptr);
}

void CloseAllOf(const char* pszTitle, int nControlId)
{
    while (HWND hWnd = FindDialog(pszTitle, nControlId)) {
        ForeignProcess process(hWnd); // ends it
        WaitFor([&] { return !IsWindow(hWnd); }, 5000);
    }
}

// Starts each test from a clean machine: no qx.ini, no game, no first-run
// files, no installer or game window; and leaves it so.
class SampleCd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Clean();
        // The batch files record each start, and then go on.
        SetEnvironmentVariableA("QX_TEST_RAN", kRanPath);
        SetEnvironmentVariableA("QX_TEST_CARRY_ON", "1");
    }
    void TearDown() override
    {
        m_launcher.reset();
        m_installer.reset();
        Clean();
        SetEnvironmentVariableA("QX_TEST_RAN", nullptr);
        SetEnvironmentVariableA("QX_TEST_CARRY_ON", nullptr);
    }

    void Clean()
    {
        CloseAllOf(kInstallerTitle, kFolderEdit);
        CloseAllOf(kGameTitle, kGameMode);
        SetQxIni(nullptr);
        for (const char* pszPath : {kBatchPath, kMarkerPath, kRanPath})
            DeleteFileA(pszPath);
        DeleteTree("C:\\GAMES");
        for (const std::string& strName : FolderContent("C:\\")) {
            if (strName.compare(0, 6, "qxtest") == 0)
                DeleteTree("C:\\" + strName);
        }
    }

    // The launcher from the CD's root; its window, or null.
    HWND StartLauncher()
    {
        m_launcher.reset(new Process);
        if (!m_launcher->Start(kLauncherPath, "D:\\"))
            return nullptr;
        return WaitForTopLevelWindow(m_launcher->Id(), "#32770", kChainTimeoutMs);
    }

    // Presses a button of the launcher that warns first, answers OK, and
    // waits for the launcher to end.
    void PressAndConfirm(HWND hLauncher, int nButton)
    {
        Click(hLauncher, nButton);
        HWND hBox = WaitForMessageBox(m_launcher->Id(), hLauncher, kChainTimeoutMs);
        ASSERT_NE(hBox, nullptr) << "no warning";
        PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        DWORD nExitCode = 1;
        ASSERT_TRUE(m_launcher->WaitForExit(&nExitCode, kChainTimeoutMs)) << "the launcher did not end";
        EXPECT_EQ(nExitCode, 0u);
    }

    // The installer started on its own from the CD; its dialog, or null.
    HWND StartInstaller()
    {
        m_installer.reset(new Process);
        if (!m_installer->Start(kInstallerPath, "D:\\"))
            return nullptr;
        HWND hFound = nullptr;
        WaitFor(
            [&] {
                for (HWND h : FindTopLevelWindows(m_installer->Id(), "#32770")) {
                    if (GetDlgItem(h, kFolderEdit))
                        hFound = h;
                }
                return hFound != nullptr;
            },
            kChainTimeoutMs);
        return hFound;
    }

    // Types strFolder into the installer and presses Install; returns the
    // text of the message box that follows and answers it with OK.
    std::string InstallInto(HWND hInstaller, DWORD nPid, const std::string& strFolder)
    {
        SetControlText(hInstaller, kFolderEdit, strFolder);
        Click(hInstaller, IDOK);
        HWND hBox = WaitForMessageBox(nPid, hInstaller, kChainTimeoutMs);
        if (!hBox)
            return "(no message box)";
        std::string strText = ControlText(hBox, kMessageBoxTextId);
        EXPECT_EQ(WindowText(hBox), kInstallerTitle);
        EXPECT_EQ(GetWindow(hBox, GW_OWNER), hInstaller);
        EXPECT_TRUE(Answer(hBox, IDOK));
        return strText;
    }

    // The game's files in strFolder must be those of the CD, and writable.
    static void ExpectGameIn(const std::string& strFolder)
    {
        for (const char* pszName : kGameFiles) {
            SCOPED_TRACE(pszName);
            std::string strOnCd, strInstalled;
            ASSERT_TRUE(ReadWholeFile((std::string("D:\\game\\") + pszName).c_str(), &strOnCd));
            ASSERT_TRUE(ReadWholeFile((strFolder + "\\" + pszName).c_str(), &strInstalled));
            EXPECT_EQ(strInstalled.size(), strOnCd.size());
            EXPECT_TRUE(strInstalled == strOnCd);
            EXPECT_EQ(GetFileAttributesA((strFolder + "\\" + pszName).c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
        }
    }

    std::unique_ptr<Process> m_launcher;
    std::unique_ptr<Process> m_installer;
};

} // namespace

TEST_F(SampleCd, LoopFromFirstStartThroughInstallToPlayAndConfigure)
{
    // First start: not installed, both first-run files written.
    HWND hLauncher = StartLauncher();
    ASSERT_NE(hLauncher, nullptr);
    EXPECT_EQ(ControlText(hLauncher, IDOK), "&Install");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hLauncher, kLauncherConfigure)));
    EXPECT_TRUE(FileExists(kBatchPath));
    EXPECT_TRUE(FileExists(kMarkerPath));

    // Install, OK: the batch file runs the installer.
    PressAndConfirm(hLauncher, IDOK);
    HWND hInstaller = WaitForDialog(kInstallerTitle, kFolderEdit);
    ASSERT_NE(hInstaller, nullptr) << "the installer did not open";
    EXPECT_EQ(RanLines(), std::vector<std::string>{"runcheck d:\\qxinst.pif d:\\qxchk.pif"});
    EXPECT_EQ(ControlText(hInstaller, kFolderEdit), kDefaultFolder);

    // The installer's dialog, accepted as it stands.
    ForeignProcess installer(hInstaller);
    Click(hInstaller, IDOK);
    HWND hDone = WaitForMessageBox(installer.Id(), hInstaller, kChainTimeoutMs);
    ASSERT_NE(hDone, nullptr);
    EXPECT_EQ(ControlText(hDone, kMessageBoxTextId),
              "Orvane is installed in C:\\GAMES\\ORVANE.\n\nStart the CD again and press Play.");
    EXPECT_TRUE(Answer(hDone, IDOK));
    DWORD nExitCode = 1;
    ASSERT_TRUE(installer.WaitForExit(&nExitCode));
    EXPECT_EQ(nExitCode, 0u);

    // The game's files and qx.ini in place, the first-run files gone.
    ExpectGameIn(kDefaultFolder);
    std::string strIni;
    ASSERT_TRUE(ReadWholeFile(kIniPath, &strIni));
    EXPECT_TRUE(Contains(strIni, "[Orvane]")) << strIni;
    EXPECT_TRUE(Contains(strIni, "InstallDir=C:\\GAMES\\ORVANE")) << strIni;
    EXPECT_EQ(RecordedFolder(), kDefaultFolder);
    EXPECT_FALSE(FileExists(kBatchPath));
    EXPECT_FALSE(FileExists(kMarkerPath));

    // Play, then Configure: each from a launcher started again, which now
    // offers both and writes no first-run files; the game starts from its
    // folder in the mode asked for.
    static const struct
    {
        const char* pszName;
        int nButton;
        const char* pszRan;
        const char* pszMode;
        const char* pszArguments;
    } kRows[] = {
        {"Play", IDOK, "gostart c c:\\games\\orvane qx.pif", "Orvane was started to play.", ""},
        {"Configure", kLauncherConfigure, "gostart c c:\\games\\orvane qxconfig.pif",
         "Orvane was started to configure its set-up.", " /setup"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        DeleteFileA(kRanPath);
        hLauncher = StartLauncher();
        ASSERT_NE(hLauncher, nullptr);
        EXPECT_EQ(ControlText(hLauncher, IDOK), "&Play");
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(hLauncher, kLauncherConfigure)));
        EXPECT_FALSE(FileExists(kBatchPath));
        EXPECT_FALSE(FileExists(kMarkerPath));

        PressAndConfirm(hLauncher, row.nButton);
        HWND hGame = WaitForDialog(kGameTitle, kGameMode);
        ASSERT_NE(hGame, nullptr) << "the game did not start";
        ForeignProcess game(hGame);
        EXPECT_EQ(RanLines(), std::vector<std::string>{row.pszRan});
        EXPECT_EQ(ControlText(hGame, kGameMode), row.pszMode);
        EXPECT_EQ(Lower(ControlText(hGame, kGameProgramFolder)), "c:\\games\\orvane");
        EXPECT_EQ(Lower(ControlText(hGame, kGameCurrentFolder)), "c:\\games\\orvane");
        std::string strCommandLine = Lower(ControlText(hGame, kGameCommandLine));
        strCommandLine.erase(strCommandLine.find_last_not_of(' ') + 1);
        EXPECT_TRUE(Contains(strCommandLine, "c:\\games\\orvane\\orvane.exe")) << strCommandLine;
        const std::string strTail = std::string("orvane.exe\"") + row.pszArguments;
        EXPECT_EQ(
            strCommandLine.substr(strCommandLine.size() - std::min(strCommandLine.size(), strTail.size())),
            strTail)
            << strCommandLine;

        Click(hGame, IDOK);
        ASSERT_TRUE(game.WaitForExit(&nExitCode)) << "the game did not end";
    }
    EXPECT_EQ(RecordedFolder(), kDefaultFolder);
}

TEST_F(SampleCd, PlayFindsTheGameInAFolderWithBlanks)
{
    // A command line cannot carry the blanks: the launcher hands the batch
    // file the folder's short name, by which the game then runs.
    const std::string strFolder = "C:\\qxtest dir\\or vane";
    HWND hInstaller = StartInstaller();
    ASSERT_NE(hInstaller, nullptr);
    EXPECT_TRUE(Contains(InstallInto(hInstaller, m_installer->Id(), strFolder), "is installed in"));
    DWORD nExitCode = 1;
    ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
    EXPECT_EQ(nExitCode, 0u);
    EXPECT_EQ(RecordedFolder(), strFolder);
    ExpectGameIn(strFolder);
    const std::string strShort = LowerShortName(strFolder);
    ASSERT_FALSE(strShort.empty());

    HWND hLauncher = StartLauncher();
    ASSERT_NE(hLauncher, nullptr);
    PressAndConfirm(hLauncher, IDOK);
    HWND hGame = WaitForDialog(kGameTitle, kGameMode);
    ASSERT_NE(hGame, nullptr) << "the game did not start";
    ForeignProcess game(hGame);
    EXPECT_EQ(RanLines(), std::vector<std::string>{"gostart c " + strShort + " qx.pif"});
    EXPECT_EQ(ControlText(hGame, kGameMode), "Orvane was started to play.");
    EXPECT_EQ(Lower(LongPath(ControlText(hGame, kGameProgramFolder))), "c:\\qxtest dir\\or vane");
    EXPECT_EQ(Lower(LongPath(ControlText(hGame, kGameCurrentFolder))), "c:\\qxtest dir\\or vane");
}

TEST_F(SampleCd, InstallerCancelChangesNothing)
{
    // First-run files as the launcher leaves them; an earlier game's entry.
    ASSERT_TRUE(WriteWholeFile(kBatchPath, "@echo off\r\n"));
    ASSERT_TRUE(WriteWholeFile(kMarkerPath, "win95dir C:\\windows\r\n"));
    SetQxIni("[Orvane]\r\nInstallDir=C:\\qxtest_earlier\r\n");
    std::string strIniBefore;
    ReadWholeFile(kIniPath, &strIniBefore);

    static const struct
    {
        const char* pszName;
        bool bTypeFirst; // a folder typed before Cancel
        bool bEscape;
    } kRows[] = {{"Cancel", false, false}, {"Cancel after typing", true, false}, {"Escape", false, true}};
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        HWND hInstaller = StartInstaller();
        ASSERT_NE(hInstaller, nullptr);
        // The recorded folder is offered again.
        EXPECT_EQ(ControlText(hInstaller, kFolderEdit), "C:\\qxtest_earlier");
        if (row.bTypeFirst)
            SetControlText(hInstaller, kFolderEdit, "C:\\qxtest_typed");
        if (row.bEscape)
            PostMessageA(GetDlgItem(hInstaller, kFolderEdit), WM_KEYDOWN, VK_ESCAPE, 0);
        else
            Click(hInstaller, IDCANCEL);
        DWORD nExitCode = 0;
        ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
        EXPECT_EQ(nExitCode, 1u);

        std::string strIni;
        ReadWholeFile(kIniPath, &strIni);
        EXPECT_EQ(strIni, strIniBefore);
        EXPECT_TRUE(FileExists(kBatchPath));
        EXPECT_TRUE(FileExists(kMarkerPath));
        EXPECT_FALSE(FileExists("C:\\qxtest_typed"));
        EXPECT_FALSE(FileExists("C:\\GAMES"));
    }
}

TEST_F(SampleCd, InstallerRefusesOrUndoesWhatCannotWork)
{
    enum Outcome
    {
        kInstalled, // into pszRecorded
        kRefused,   // by the folder rules, before anything is touched
        kFailed,    // by the system, and undone
    };
    static const std::string kLong = "C:\\" + std::string(247, 'a');
    static const struct
    {
        const char* pszName;
        std::string strTyped;
        Outcome outcome;
        const char* pszMessage; // part of the message box's text
        const char* pszRecorded;
        const char* pszNotThere; // must not exist afterwards
    } kRows[] = {
        {"blanks and a trailing backslash trimmed", "  c:\\qxtest_trim\\orvane\\  ", kInstalled,
         "installed in c:\\qxtest_trim\\orvane.", "c:\\qxtest_trim\\orvane", nullptr},
        {"ampersand", "C:\\qxtest&x\\orvane", kRefused, "may not contain the character &.", nullptr,
         "C:\\qxtest&x"},
        {"percent", "C:\\qxtest%TEMP%\\orvane", kRefused, "may not contain the character %.", nullptr,
         "C:\\qxtest%TEMP%"},
        {"250 characters", kLong.substr(0, 250), kRefused, "too long", nullptr, nullptr},
        {"65 characters", "C:\\qxtest" + std::string(56, 'b'), kRefused, "too long", nullptr, nullptr},
        {"relative", "qxtest\\orvane", kRefused, "full folder name", nullptr, nullptr},
        {"drive root", "C:\\", kRefused, "full folder name", nullptr, nullptr},
        {"network path", "\\\\server\\share\\orvane", kRefused, "full folder name", nullptr, nullptr},
        {"dot dot", "C:\\qxtest\\..\\orvane", kRefused, "Each part", nullptr, "C:\\orvane"},
        {"two blanks", "C:\\qxtest  two", kRefused, "two blanks", nullptr, "C:\\qxtest  two"},
        {"empty", "", kRefused, "Please type the folder", nullptr, nullptr},
        {"read-only drive", "R:\\qxtest\\orvane", kFailed, "Could not create the folder R:\\qxtest", nullptr,
         nullptr},
        {"file in the way of the folder", "C:\\qxtest_file\\orvane", kFailed, "C:\\qxtest_file is in the way",
         nullptr, nullptr},
        {"folder in the way of a file", "C:\\qxtest_clash", kFailed,
         "C:\\qxtest_clash\\orvane.exe is in the way", nullptr, nullptr},
    };
    // What the launcher left for MS-DOS mode stays until the game is recorded.
    ASSERT_TRUE(WriteWholeFile(kBatchPath, "@echo off\r\n"));
    ASSERT_TRUE(WriteWholeFile(kMarkerPath, "win95dir C:\\windows\r\n"));
    ASSERT_TRUE(WriteWholeFile("C:\\qxtest_file", "keep"));
    ASSERT_TRUE(CreateDirectoryA("C:\\qxtest_clash", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\qxtest_clash\\orvane.exe", nullptr));

    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        HWND hInstaller = StartInstaller();
        ASSERT_NE(hInstaller, nullptr);
        const std::string strMessage = InstallInto(hInstaller, m_installer->Id(), row.strTyped);
        EXPECT_TRUE(Contains(strMessage, row.pszMessage)) << strMessage;
        DWORD nExitCode = 0;
        if (row.outcome == kInstalled) {
            ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
            EXPECT_EQ(nExitCode, 0u);
            EXPECT_EQ(RecordedFolder(), row.pszRecorded);
            ExpectGameIn(row.pszRecorded);
            EXPECT_FALSE(FileExists(kBatchPath));
            SetQxIni(nullptr);
            ASSERT_TRUE(WriteWholeFile(kBatchPath, "@echo off\r\n"));
            ASSERT_TRUE(WriteWholeFile(kMarkerPath, "win95dir C:\\windows\r\n"));
            continue;
        }
        // The dialog stays for another try; Cancel ends it.
        EXPECT_TRUE(IsWindowVisible(hInstaller));
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(hInstaller, IDOK)) != FALSE; }));
        Click(hInstaller, IDCANCEL);
        ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
        EXPECT_EQ(nExitCode, 1u);
        EXPECT_EQ(RecordedFolder(), "");
        EXPECT_TRUE(FileExists(kBatchPath));
        EXPECT_TRUE(FileExists(kMarkerPath));
        if (row.pszNotThere) {
            EXPECT_FALSE(FileExists(row.pszNotThere));
        }
    }
    // What stood in the way is untouched, and nothing was added to it.
    std::string strKept;
    EXPECT_TRUE(ReadWholeFile("C:\\qxtest_file", &strKept));
    EXPECT_EQ(strKept, "keep");
    EXPECT_EQ(FolderContent("C:\\qxtest_clash"), std::vector<std::string>{"orvane.exe"});
    EXPECT_FALSE(FileExists("C:\\qxtest"));
}

TEST_F(SampleCd, InstallerTakesASecondClickForNothing)
{
    HWND hInstaller = StartInstaller();
    ASSERT_NE(hInstaller, nullptr);
    Click(hInstaller, IDOK);
    Click(hInstaller, IDOK);
    HWND hBox = WaitForMessageBox(m_installer->Id(), hInstaller, kChainTimeoutMs);
    ASSERT_NE(hBox, nullptr);
    EXPECT_TRUE(Contains(ControlText(hBox, kMessageBoxTextId), "is installed in"))
        << ControlText(hBox, kMessageBoxTextId);
    EXPECT_TRUE(Answer(hBox, IDOK));
    DWORD nExitCode = 1;
    ASSERT_TRUE(m_installer->WaitForExit(&nExitCode)) << "a second box held the installer";
    EXPECT_EQ(nExitCode, 0u);
    EXPECT_EQ(RecordedFolder(), kDefaultFolder);
}

// Run under a file size limit (QX_FILE_SIZE_LIMIT) that the program-information
// files fit in and the game's program does not: a disk that fills up halfway.
TEST_F(SampleCd, FullDiskLeavesNothingInstalled)
{
    char szLimit[32] = "";
    if (!GetEnvironmentVariableA("QX_FILE_SIZE_LIMIT", szLimit, sizeof(szLimit)))
        GTEST_SKIP() << "runs only under a file size limit";
    ASSERT_TRUE(WriteWholeFile(kBatchPath, "@echo off\r\n"));
    ASSERT_TRUE(WriteWholeFile(kMarkerPath, "win95dir C:\\windows\r\n"));

    HWND hInstaller = StartInstaller();
    ASSERT_NE(hInstaller, nullptr);
    const std::string strMessage = InstallInto(hInstaller, m_installer->Id(), kDefaultFolder);
    EXPECT_TRUE(Contains(strMessage, "Could not copy orvane.exe to C:\\GAMES\\ORVANE")) << strMessage;
    EXPECT_TRUE(Contains(strMessage, "not recorded as installed")) << strMessage;
    Click(hInstaller, IDCANCEL);
    DWORD nExitCode = 0;
    ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
    EXPECT_EQ(nExitCode, 1u);

    EXPECT_EQ(RecordedFolder(), "");
    EXPECT_FALSE(FileExists(kIniPath));
    EXPECT_FALSE(FileExists("C:\\GAMES")) << "the folders made for the game stay behind";
    EXPECT_TRUE(FileExists(kBatchPath));
    EXPECT_TRUE(FileExists(kMarkerPath));
}

namespace {

// ---------------------------------------------------------------------------
// The CD's files read back

uint32_t Get16(const std::string& d, size_t at)
{
    return static_cast<unsigned char>(d[at]) | static_cast<unsigned char>(d[at + 1]) << 8;
}

uint32_t Get32(const std::string& d, size_t at)
{
    return Get16(d, at) | Get16(d, at + 2) << 16;
}

// A NUL-terminated text in a field of nSize bytes.
std::string Field(const std::string& d, size_t at, size_t nSize)
{
    std::string s = d.substr(at, nSize);
    return s.substr(0, s.find('\0'));
}

struct PifSection
{
    std::string strName;
    size_t nData, nLength;
};

} // namespace

TEST(SampleCdFiles, ProgramInformationFilesAreForMsDosModeAndNameWhatTheyStart)
{
    static const struct
    {
        const char* pszPath;
        const char* pszTitle;
        const char* pszProgram;
        const char* pszParameters;
    } kRows[] = {
        {"D:\\qxinst.pif", "Orvane Setup", "D:\\INSTALL.EXE", ""},
        {"D:\\qxchk.pif", "Orvane CD check", "C:\\_QXCHKCD.BAT", ""},
        {"D:\\game\\qx.pif", "Orvane", "ORVANE.EXE", ""},
        {"D:\\game\\qxconfig.pif", "Orvane set-up", "ORVANE.EXE", "/SETUP"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszPath);
        std::string d;
        ASSERT_TRUE(ReadWholeFile(row.pszPath, &d));
        ASSERT_GE(d.size(), 545u);

        // The basic section: its checksum over bytes 2 to 0x170, the texts.
        unsigned nSum = 0;
        for (size_t i = 2; i < 0x171; ++i)
            nSum += static_cast<unsigned char>(d[i]);
        EXPECT_EQ(static_cast<unsigned char>(d[1]), nSum & 0xFF) << "checksum";
        std::string strTitle = d.substr(2, 30);
        strTitle.erase(strTitle.find_last_not_of(' ') + 1);
        EXPECT_EQ(strTitle, row.pszTitle);
        EXPECT_EQ(Field(d, 0x24, 63), row.pszProgram);
        EXPECT_EQ(Field(d, 0xA5, 64), row.pszParameters);
        EXPECT_EQ(Get16(d, 0x20), 640u) << "conventional memory";

        // The chain of section headings from 0x171 to the last one.
        std::vector<PifSection> sections;
        size_t nHeading = 0x171;
        while (nHeading != 0xFFFF && sections.size() < 8) {
            ASSERT_LE(nHeading + 22, d.size());
            const size_t nNext = Get16(d, nHeading + 16);
            sections.push_back({Field(d, nHeading, 16), Get16(d, nHeading + 18), Get16(d, nHeading + 20)});
            ASSERT_LE(sections.back().nData + sections.back().nLength, d.size());
            nHeading = nNext;
        }
        ASSERT_EQ(sections.size(), 4u);
        EXPECT_EQ(sections[0].strName, "MICROSOFT PIFEX");
        EXPECT_EQ(sections[0].nData, 0u);
        EXPECT_EQ(sections[0].nLength, 0x171u);
        EXPECT_EQ(sections[1].strName, "WINDOWS 386 3.0");
        EXPECT_EQ(sections[1].nLength, 0x68u);
        EXPECT_EQ(sections[2].strName, "WINDOWS 286 3.0");
        EXPECT_EQ(sections[2].nLength, 6u);
        // Windows 3.1's record ends where the Windows 95 section begins.
        EXPECT_EQ(sections[2].nData + sections[2].nLength, 545u);
        EXPECT_EQ(sections[3].strName, "WINDOWS VMM 4.0");
        EXPECT_EQ(sections[3].nLength, 0x1ACu);
        EXPECT_EQ(sections[3].nData + sections[3].nLength, d.size());

        // MS-DOS mode, without Windows' own second warning.
        const uint32_t nFlags = Get32(d, sections[1].nData + 0x10);
        EXPECT_EQ(nFlags & 0x00800000u, 0x00800000u) << "MS-DOS mode";
        EXPECT_EQ(nFlags & 0x10000000u, 0x10000000u) << "no MS-DOS mode warning";
        EXPECT_EQ(Field(d, sections[1].nData + 0x28, 64), row.pszParameters);
    }
}

TEST(SampleCdFiles, AutoRunStartsTheLauncherWithItsIconAndLabel)
{
    const char kAutoRun[] = "D:\\autorun.inf";
    char sz[MAX_PATH] = "";
    GetPrivateProfileStringA("autorun", "open", "", sz, sizeof(sz), kAutoRun);
    EXPECT_STREQ(sz, "Qxinst95.exe");
    EXPECT_TRUE(FileExists((std::string("D:\\") + sz).c_str()));
    GetPrivateProfileStringA("autorun", "icon", "", sz, sizeof(sz), kAutoRun);
    EXPECT_STREQ(sz, "Qxinst95.exe,0");
    GetPrivateProfileStringA("autorun", "label", "", sz, sizeof(sz), kAutoRun);
    EXPECT_STREQ(sz, "Orvane");
}

TEST(SampleCdFiles, TextFilesEndTheirLinesWithCrLf)
{
    for (const char* pszPath :
         {"D:\\autorun.inf", "D:\\readme.txt", "D:\\instdata\\runcheck.bat", "D:\\instdata\\gostart.bat"}) {
        SCOPED_TRACE(pszPath);
        std::string d;
        ASSERT_TRUE(ReadWholeFile(pszPath, &d));
        ASSERT_FALSE(d.empty());
        size_t nLines = 0;
        for (size_t i = 0; i < d.size(); ++i) {
            if (d[i] == '\n') {
                EXPECT_TRUE(i > 0 && d[i - 1] == '\r') << "bare line feed at byte " << i;
                ++nLines;
            } else if (d[i] == '\r') {
                EXPECT_TRUE(i + 1 < d.size() && d[i + 1] == '\n') << "bare carriage return at byte " << i;
            }
        }
        EXPECT_GT(nLines, 2u);
        EXPECT_EQ(d.back(), '\n') << "the last line has its line end";
    }
}

// From a CD image's tree as drive D: the launcher's first start.
TEST(CdImage, LauncherStartsFromTheCdAndFindsItsInstaller)
{
    SetQxIni(nullptr);
    ScopedCleanup cleanup({kBatchPath, kMarkerPath});
    Process launcher;
    ASSERT_TRUE(launcher.Start(kLauncherPath, "D:\\"));
    HWND hLauncher = WaitForTopLevelWindow(launcher.Id(), "#32770", kChainTimeoutMs);
    ASSERT_NE(hLauncher, nullptr);
    EXPECT_EQ(ControlText(hLauncher, IDOK), "&Install");
    // The CD check that MS-DOS mode runs looks for the installer on this CD.
    std::string strBatch;
    ASSERT_TRUE(WaitFor([&] { return ReadWholeFile(kBatchPath, &strBatch) && !strBatch.empty(); }));
    EXPECT_TRUE(Contains(strBatch, "if exist D:\\install.exe goto found_cd")) << strBatch;
    EXPECT_TRUE(FileExists(kInstallerPath));
    Click(hLauncher, IDCANCEL);
    DWORD nExitCode = 1;
    ASSERT_TRUE(launcher.WaitForExit(&nExitCode));
    EXPECT_EQ(nExitCode, 0u);
}
