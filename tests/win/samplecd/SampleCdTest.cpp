// The sample CD under Wine, from outside: the whole loop from a first start
// through the installer to Play and Configure, the installer on its own
// with hostile folders, a full disk and Cancel, the CD's program-information
// files and text files read back, and the launcher started from a CD image.
//
// Runs in a session of its own (private-session.sh): D: is the CD, R: a drive
// that refuses every write. Each test leaves qx.ini, drive C: and the
// processes it started as it found them.
#include "TestSupport.h"
#include "cdprograms/game/resource.h"
#include "cdprograms/install/InstallText.h"
#include "res/CdContract.h"
#include "res/resource.h"

#include <tlhelp32.h>

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
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, QX_INI_FILE);
    char sz[300] = "";
    GetPrivateProfileStringA(QX_INI_SECTION, QX_INI_KEY, "", sz, sizeof(sz), QX_INI_FILE);
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

// The command interpreters running in this session, by process id.
std::vector<DWORD> CommandInterpreters()
{
    std::vector<DWORD> ids;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = Process32First(hSnapshot, &entry); bMore; bMore = Process32Next(hSnapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "cmd.exe") == 0)
            ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(hSnapshot);
    return ids;
}

// What the console window of process nPid shows, line by line without the
// blanks at their ends, read by joining that console for a moment; with
// bPressKey, Enter is typed into it as well. False when there is no console
// to join.
bool ReadConsole(DWORD nPid, std::string* pText, bool bPressKey = false)
{
    FreeConsole();
    if (!AttachConsole(nPid))
        return false;
    HANDLE hOut = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    pText->clear();
    if (hOut != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(hOut, &info)) {
        for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
            char szLine[512] = "";
            DWORD nRead = 0;
            const DWORD nWidth = std::min<DWORD>(info.dwSize.X, sizeof(szLine) - 1);
            ReadConsoleOutputCharacterA(hOut, szLine, nWidth, COORD{0, y}, &nRead);
            std::string strLine(szLine, nRead);
            strLine.erase(strLine.find_last_not_of(' ') + 1);
            *pText += strLine + "\n";
        }
    }
    if (hOut != INVALID_HANDLE_VALUE)
        CloseHandle(hOut);
    if (bPressKey) {
        HANDLE hIn = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        INPUT_RECORD keys[2] = {};
        for (int i = 0; i < 2; ++i) {
            keys[i].EventType = KEY_EVENT;
            keys[i].Event.KeyEvent.bKeyDown = i == 0;
            keys[i].Event.KeyEvent.wRepeatCount = 1;
            keys[i].Event.KeyEvent.wVirtualKeyCode = VK_RETURN;
            keys[i].Event.KeyEvent.uChar.AsciiChar = '\r';
        }
        DWORD nWritten = 0;
        WriteConsoleInputA(hIn, keys, 2, &nWritten);
        CloseHandle(hIn);
    }
    FreeConsole();
    return true;
}

BOOL CALLBACK FindConsoleWindow(HWND hWnd, LPARAM lParam)
{
    if (IsWindowVisible(hWnd) && ClassName(hWnd) == "WineConsoleClass") {
        *reinterpret_cast<bool*>(lParam) = true;
        return FALSE;
    }
    return TRUE;
}

// Under Wine a console is a window of this class on the desktop.
bool ConsoleWindowShown()
{
    bool bFound = false;
    EnumWindows(FindConsoleWindow, reinterpret_cast<LPARAM>(&bFound));
    return bFound;
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
        CloseAllOf(kInstallerTitle, IDC_FOLDER);
        CloseAllOf(kGameTitle, IDC_MODE);
        // A batch file still waiting for its key.
        for (DWORD nPid : CommandInterpreters()) {
            if (HANDLE hProcess = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, nPid)) {
                TerminateProcess(hProcess, 255);
                WaitForSingleObject(hProcess, 5000);
                CloseHandle(hProcess);
            }
        }
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
                    if (GetDlgItem(h, IDC_FOLDER))
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
        SetControlText(hInstaller, IDC_FOLDER, strFolder);
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

    // Installs into strFolder with a new installer, expects a failure whose
    // message holds each of the texts, and ends the installer with Cancel.
    void ExpectInstallFails(const std::string& strFolder, std::initializer_list<std::string> texts)
    {
        HWND hInstaller = StartInstaller();
        ASSERT_NE(hInstaller, nullptr);
        const std::string strMessage = InstallInto(hInstaller, m_installer->Id(), strFolder);
        for (const std::string& strText : texts)
            EXPECT_TRUE(Contains(strMessage, strText)) << strMessage;
        Click(hInstaller, IDCANCEL);
        DWORD nExitCode = 0;
        ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
        EXPECT_EQ(nExitCode, 1u);
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

    // A batch file that says strMessage in a console window and waits for a
    // key; Enter ends it, and nothing else starts.
    void ExpectBatchFileSays(const std::string& strMessage)
    {
        DWORD nPid = 0;
        std::string strText;
        WaitFor(
            [&] {
                for (DWORD nCandidate : CommandInterpreters()) {
                    if (ReadConsole(nCandidate, &strText) && Contains(strText, strMessage)) {
                        nPid = nCandidate;
                        return true;
                    }
                }
                return false;
            },
            kChainTimeoutMs);
        ASSERT_NE(nPid, 0u) << "no console says \"" << strMessage << "\"; the last one read:\n" << strText;
        EXPECT_TRUE(ConsoleWindowShown());
        HANDLE hProcess = OpenProcess(SYNCHRONIZE, FALSE, nPid);
        ASSERT_NE(hProcess, nullptr);
        EXPECT_EQ(WaitForSingleObject(hProcess, 500), static_cast<DWORD>(WAIT_TIMEOUT)) << "it did not wait";
        ASSERT_TRUE(ReadConsole(nPid, &strText, true));
        EXPECT_TRUE(Contains(strText, "Press any key")) << strText;
        EXPECT_EQ(WaitForSingleObject(hProcess, TimeLimit(10000)), static_cast<DWORD>(WAIT_OBJECT_0))
            << "a key did not end it";
        CloseHandle(hProcess);
        EXPECT_EQ(FindDialog(kGameTitle, IDC_MODE), nullptr);
        EXPECT_EQ(FindDialog(kInstallerTitle, IDC_FOLDER), nullptr);
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
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hLauncher, IDC_CONFIGURE)));
    EXPECT_TRUE(FileExists(kBatchPath));
    EXPECT_TRUE(FileExists(kMarkerPath));

    // Install, OK: the batch file runs the installer.
    PressAndConfirm(hLauncher, IDOK);
    HWND hInstaller = WaitForDialog(kInstallerTitle, IDC_FOLDER);
    ASSERT_NE(hInstaller, nullptr) << "the installer did not open";
    EXPECT_EQ(RanLines(), std::vector<std::string>{"runcheck d:\\qxinst.pif d:\\qxchk.pif"});
    EXPECT_EQ(ControlText(hInstaller, IDC_FOLDER), kDefaultFolder);

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
        {"Configure", IDC_CONFIGURE, "gostart c c:\\games\\orvane qxconfig.pif",
         "Orvane was started to configure its set-up.", " /setup"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        DeleteFileA(kRanPath);
        hLauncher = StartLauncher();
        ASSERT_NE(hLauncher, nullptr);
        EXPECT_EQ(ControlText(hLauncher, IDOK), "&Play");
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(hLauncher, IDC_CONFIGURE)));
        EXPECT_FALSE(FileExists(kBatchPath));
        EXPECT_FALSE(FileExists(kMarkerPath));

        PressAndConfirm(hLauncher, row.nButton);
        HWND hGame = WaitForDialog(kGameTitle, IDC_MODE);
        ASSERT_NE(hGame, nullptr) << "the game did not start";
        ForeignProcess game(hGame);
        EXPECT_EQ(RanLines(), std::vector<std::string>{row.pszRan});
        EXPECT_EQ(ControlText(hGame, IDC_MODE), row.pszMode);
        EXPECT_EQ(Lower(ControlText(hGame, IDC_PROGRAM_FOLDER)), "c:\\games\\orvane");
        EXPECT_EQ(Lower(ControlText(hGame, IDC_CURRENT_FOLDER)), "c:\\games\\orvane");
        std::string strCommandLine = Lower(ControlText(hGame, IDC_COMMAND_LINE));
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
    HWND hGame = WaitForDialog(kGameTitle, IDC_MODE);
    ASSERT_NE(hGame, nullptr) << "the game did not start";
    ForeignProcess game(hGame);
    EXPECT_EQ(RanLines(), std::vector<std::string>{"gostart c " + strShort + " qx.pif"});
    EXPECT_EQ(ControlText(hGame, IDC_MODE), "Orvane was started to play.");
    EXPECT_EQ(Lower(LongPath(ControlText(hGame, IDC_PROGRAM_FOLDER))), "c:\\qxtest dir\\or vane");
    EXPECT_EQ(Lower(LongPath(ControlText(hGame, IDC_CURRENT_FOLDER))), "c:\\qxtest dir\\or vane");
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
        EXPECT_EQ(ControlText(hInstaller, IDC_FOLDER), "C:\\qxtest_earlier");
        if (row.bTypeFirst)
            SetControlText(hInstaller, IDC_FOLDER, "C:\\qxtest_typed");
        if (row.bEscape)
            PostMessageA(GetDlgItem(hInstaller, IDC_FOLDER), WM_KEYDOWN, VK_ESCAPE, 0);
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
        {"a device name", "C:\\qxtest\\con\\orvane", kRefused,
         "may not contain con: that is the name of a device.", nullptr, "C:\\qxtest"},
        {"a device name with an extension", "C:\\qxtest\\LPT1.dir", kRefused,
         "may not contain LPT1.dir:", nullptr, "C:\\qxtest"},
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

// Another copy of Setup in the middle of installing (this test holds the
// mutex that copy would hold): this one installs nothing until it is done.
TEST_F(SampleCd, InstallerWaitsForAnotherCopyThatIsInstalling)
{
    HANDLE hOther = CreateMutexA(nullptr, TRUE, "Orvane Setup installing");
    ASSERT_NE(hOther, nullptr);
    HWND hInstaller = StartInstaller();
    ASSERT_NE(hInstaller, nullptr);
    EXPECT_EQ(InstallInto(hInstaller, m_installer->Id(), kDefaultFolder),
              "Setup is already installing Orvane.");
    EXPECT_FALSE(FileExists("C:\\GAMES"));
    EXPECT_EQ(RecordedFolder(), "");
    ReleaseMutex(hOther);
    CloseHandle(hOther);

    // The other copy done, this one installs.
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(hInstaller, IDOK)) != FALSE; }));
    EXPECT_TRUE(Contains(InstallInto(hInstaller, m_installer->Id(), kDefaultFolder), "is installed in"));
    DWORD nExitCode = 1;
    ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
    EXPECT_EQ(nExitCode, 0u);
    ExpectGameIn(kDefaultFolder);
}

// Over an installed game whose files another program holds: the file is
// named, and the game stays whole and recorded.
TEST_F(SampleCd, ReinstallNamesAFileInUseAndKeepsTheGame)
{
    static const struct
    {
        const char* pszName;
        const char* pszHeld; // in the installed folder
        bool bRun;           // held by the game running, else opened by this test
    } kRows[] = {
        {"the game running", "orvane.exe", true},
        {"a file another program has open", "qx.pif", false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        HWND hInstaller = StartInstaller();
        ASSERT_NE(hInstaller, nullptr);
        ASSERT_TRUE(Contains(InstallInto(hInstaller, m_installer->Id(), kDefaultFolder), "is installed in"));
        DWORD nExitCode = 1;
        ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
        ASSERT_TRUE(WriteWholeFile(kBatchPath, "@echo off\r\n"));

        const std::string strHeld = std::string(kDefaultFolder) + "\\" + row.pszHeld;
        Process game;
        HANDLE hHeld = INVALID_HANDLE_VALUE;
        if (row.bRun) {
            ASSERT_TRUE(game.Start(strHeld, kDefaultFolder));
            ASSERT_NE(WaitForDialog(kGameTitle, IDC_MODE), nullptr);
        } else {
            hHeld = CreateFileA(strHeld.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
            ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
        }

        ExpectInstallFails(kDefaultFolder, {"Could not replace " + strHeld + ":",
                                            "is using that file, close it and try again.",
                                            "Orvane is still installed in C:\\GAMES\\ORVANE, as it was."});
        if (hHeld != INVALID_HANDLE_VALUE)
            CloseHandle(hHeld);
        CloseAllOf(kGameTitle, IDC_MODE);

        EXPECT_EQ(RecordedFolder(), kDefaultFolder);
        ExpectGameIn(kDefaultFolder);
        EXPECT_EQ(FolderContent(kDefaultFolder),
                  std::vector<std::string>(std::begin(kGameFiles), std::end(kGameFiles)));
        EXPECT_TRUE(FileExists(kBatchPath)) << "the first-run files go only once a game is installed";
        Clean();
    }
}

// A qx.ini edited by hand: whatever its form, the game is recorded as the
// launcher will read it, or qx.ini stays exactly as it was.
TEST_F(SampleCd, InstallerRecordsAsTheLauncherReads)
{
    const std::string strUnicode("\xFF\xFE[\0A\0]\0\r\0\n\0x\0=\0\x31\0\r\0\n\0", 22);
    static const struct
    {
        const char* pszName;
        std::string strIni;
        bool bRecorded;
    } kRows[] = {
        {"saved as UTF-8 with its mark", "\xEF\xBB\xBF[Orvane]\r\nInstallDir=C:\\OLD\r\n[A]\r\nx=1\r\n",
         true},
        {"saved as Unicode", strUnicode, false},
        {"line feeds alone, blanks and tabs", "[A]\nx=1\n \t[orvane] \n installdir\t= C:\\OLD \n", true},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        ASSERT_TRUE(WriteWholeFile(kIniPath, row.strIni));
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, QX_INI_FILE);
        HWND hInstaller = StartInstaller();
        ASSERT_NE(hInstaller, nullptr);
        const std::string strMessage = InstallInto(hInstaller, m_installer->Id(), kDefaultFolder);
        std::string strIni;
        ReadWholeFile(kIniPath, &strIni);
        if (row.bRecorded) {
            EXPECT_TRUE(Contains(strMessage, "is installed in")) << strMessage;
            EXPECT_EQ(RecordedFolder(), kDefaultFolder);
            ExpectGameIn(kDefaultFolder);
        } else {
            EXPECT_TRUE(Contains(strMessage, "Could not record the folder in qx.ini")) << strMessage;
            EXPECT_TRUE(strIni == row.strIni) << "qx.ini changed";
            EXPECT_FALSE(FileExists("C:\\GAMES"));
            Click(hInstaller, IDCANCEL);
        }
        DWORD nExitCode = 0;
        ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
        EXPECT_EQ(nExitCode, row.bRecorded ? 0u : 1u);
        Clean();
    }
}

// A game of hundreds of files in folders within folders: every one arrives.
TEST_F(SampleCd, InstallerCopiesAWholeTreeOfAnySize)
{
    // A CD of its own on drive C:, with the installer and a larger game.
    const std::string strCd = "C:\\qxtest_cd";
    ASSERT_TRUE(CreateDirectoryA(strCd.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(kInstallerPath, (strCd + "\\install.exe").c_str(), FALSE));
    std::vector<std::string> files = {"orvane.exe"};
    std::string strDeep;
    for (int nLevel = 0; nLevel < 12; ++nLevel) {
        strDeep += (nLevel ? "\\level" : "level") + std::to_string(nLevel);
        files.push_back(strDeep + "\\part" + std::to_string(nLevel) + ".dat");
    }
    for (int i = 0; i < 40; ++i)
        files.push_back("data\\file" + std::to_string(i) + ".dat");
    for (const std::string& strFile : files) {
        const std::string strPath = strCd + "\\game\\" + strFile;
        for (size_t n = strPath.find('\\', 3); n != std::string::npos; n = strPath.find('\\', n + 1))
            CreateDirectoryA(strPath.substr(0, n).c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(strPath.c_str(), strFile + std::string(1000, '.')));
    }

    m_installer.reset(new Process);
    ASSERT_TRUE(m_installer->Start(strCd + "\\install.exe", strCd.c_str()));
    HWND hInstaller = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (HWND h : FindTopLevelWindows(m_installer->Id(), "#32770")) {
                if (GetDlgItem(h, IDC_FOLDER))
                    hInstaller = h;
            }
            return hInstaller != nullptr;
        },
        kChainTimeoutMs));
    const std::string strTarget = "C:\\qxtest_tree\\orvane";
    EXPECT_TRUE(Contains(InstallInto(hInstaller, m_installer->Id(), strTarget), "is installed in"))
        << strTarget;
    DWORD nExitCode = 1;
    ASSERT_TRUE(m_installer->WaitForExit(&nExitCode));
    EXPECT_EQ(nExitCode, 0u);
    for (const std::string& strFile : files) {
        std::string strData;
        EXPECT_TRUE(ReadWholeFile((strTarget + "\\" + strFile).c_str(), &strData)) << strFile;
        EXPECT_EQ(strData, strFile + std::string(1000, '.')) << strFile;
    }
    EXPECT_EQ(FolderContent(strTarget + "\\data").size(), 40u);
    EXPECT_EQ(RecordedFolder(), strTarget);
}

// Play or Install where the program that the batch file would start is not
// there (or does not run): the batch file says so in its window and waits
// for a key, instead of failing unseen.
TEST_F(SampleCd, BatchFilesSayWhenTheirProgramIsMissing)
{
    static const struct
    {
        const char* pszName;
        const char* pszIni; // null: none
        bool bCopyOfCd;     // the launcher from a copy of the CD without its installer
        int nButton;
        const char* pszMessage;
    } kRows[] = {
        {"InstallDir names a file", "[Orvane]\r\nInstallDir=C:\\qxtest_file.txt\r\n", false, IDOK,
         "Orvane cannot start: c:\\qxtest_file.txt\\orvane.exe is not there."},
        {"the folder holds no game", "[Orvane]\r\nInstallDir=C:\\qxtest_nogame\r\n", false, IDC_CONFIGURE,
         "Orvane cannot start: c:\\qxtest_nogame\\orvane.exe is not there."},
        {"the game's program cut short", "[Orvane]\r\nInstallDir=C:\\qxtest_cut\r\n", false, IDOK,
         "Orvane cannot start: c:\\qxtest_cut\\orvane.exe did not run."},
        {"no installer beside the launcher", nullptr, true, IDOK,
         "Orvane Setup cannot start from c:\\qxtest_cd\\install.exe."},
    };
    // Started from the desktop, the launcher has no console, and a batch
    // file it starts gets a window of its own. Started from here it would
    // share this test's console, which is no window.
    FreeConsole();
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        ASSERT_TRUE(WriteWholeFile("C:\\qxtest_file.txt", "not a folder"));
        ASSERT_TRUE(CreateDirectoryA("C:\\qxtest_nogame", nullptr));
        ASSERT_TRUE(CreateDirectoryA("C:\\qxtest_cut", nullptr));
        ASSERT_TRUE(WriteWholeFile("C:\\qxtest_cut\\orvane.exe", "MZ, and then the copy stopped"));
        SetQxIni(row.pszIni);

        m_launcher.reset(new Process);
        if (row.bCopyOfCd) {
            ASSERT_TRUE(CopySampleCd("C:\\qxtest_cd"));
            ASSERT_TRUE(m_launcher->Start("C:\\qxtest_cd\\Qxinst95.exe", "C:\\qxtest_cd"));
        } else {
            ASSERT_TRUE(m_launcher->Start(kLauncherPath, "D:\\"));
        }
        HWND hLauncher = WaitForTopLevelWindow(m_launcher->Id(), "#32770", kChainTimeoutMs);
        ASSERT_NE(hLauncher, nullptr);
        PressAndConfirm(hLauncher, row.nButton);
        ExpectBatchFileSays(row.pszMessage);
        Clean();
    }
}

// A file size limit (QX_FILE_SIZE_LIMIT) stands in for a disk that fills up.
// These run in sessions of their own, under that limit.
class SampleCdFullDisk : public SampleCd
{
protected:
    void SetUp() override
    {
        char szLimit[32] = "";
        if (!GetEnvironmentVariableA("QX_FILE_SIZE_LIMIT", szLimit, sizeof(szLimit)))
            GTEST_SKIP() << "runs only under a file size limit";
        m_nLimit = strtoul(szLimit, nullptr, 10);
        SampleCd::SetUp();
    }

    // An earlier installation, recorded, of files that fit under the limit.
    static void InstallEarlier(const char* pszFolder)
    {
        DeleteTree(pszFolder);
        std::string strPath = pszFolder;
        for (size_t n = strPath.find('\\', 3); n != std::string::npos; n = strPath.find('\\', n + 1))
            CreateDirectoryA(strPath.substr(0, n).c_str(), nullptr);
        CreateDirectoryA(pszFolder, nullptr);
        for (const char* pszName : kGameFiles)
            ASSERT_TRUE(WriteWholeFile((strPath + "\\" + pszName).c_str(), EarlierContent(pszName)));
    }
    static std::string EarlierContent(const char* pszName)
    {
        return std::string("the earlier version's ") + pszName + ", whole";
    }
    static void ExpectEarlierIn(const char* pszFolder)
    {
        EXPECT_EQ(FolderContent(pszFolder),
                  std::vector<std::string>(std::begin(kGameFiles), std::end(kGameFiles)));
        for (const char* pszName : kGameFiles) {
            std::string strData;
            EXPECT_TRUE(ReadWholeFile((std::string(pszFolder) + "\\" + pszName).c_str(), &strData));
            EXPECT_EQ(strData, EarlierContent(pszName)) << pszName;
        }
    }

    unsigned long m_nLimit = 0;
};

// Run where the program-information files (995 bytes) fit and the game's
// program does not: a disk that fills up half-way through the copy.
TEST_F(SampleCdFullDisk, ACopyThatDoesNotFitHarmsNothing)
{
    static const struct
    {
        const char* pszName;
        bool bEarlier; // an earlier installation in C:\GAMES\ORVANE, recorded
        const char* pszState;
    } kRows[] = {
        {"nothing installed", false,
         "Setup removed what it had copied, and the game is not recorded as installed."},
        {"over a recorded installation", true,
         "Setup removed what it had copied: Orvane is still installed in C:\\GAMES\\ORVANE, as it was."},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        ASSERT_TRUE(WriteWholeFile(kBatchPath, "@echo off\r\n"));
        ASSERT_TRUE(WriteWholeFile(kMarkerPath, "win95dir C:\\windows\r\n"));
        if (row.bEarlier) {
            InstallEarlier(kDefaultFolder);
            SetQxIni("[Orvane]\r\nInstallDir=C:\\GAMES\\ORVANE\r\n");
        }
        std::string strIniBefore;
        ReadWholeFile(kIniPath, &strIniBefore);

        ExpectInstallFails(kDefaultFolder, {"Could not copy orvane.exe to C:\\GAMES\\ORVANE", row.pszState});

        std::string strIni;
        ReadWholeFile(kIniPath, &strIni);
        EXPECT_EQ(strIni, strIniBefore);
        if (row.bEarlier) {
            ExpectEarlierIn(kDefaultFolder);
            EXPECT_EQ(RecordedFolder(), kDefaultFolder);
        } else {
            EXPECT_FALSE(FileExists("C:\\GAMES")) << "the folders made for the game stay behind";
            EXPECT_EQ(RecordedFolder(), "");
        }
        EXPECT_TRUE(FileExists(kBatchPath));
        EXPECT_TRUE(FileExists(kMarkerPath));
        Clean();
    }
}

// Run where every file of the game fits and qx.ini, made as large as the
// limit lets it be, cannot grow: the game is copied, and recording it fails.
TEST_F(SampleCdFullDisk, QxIniThatCannotBeWrittenIsNeverCut)
{
    for (const char* pszName : kGameFiles) {
        std::string strData;
        ASSERT_TRUE(ReadWholeFile((std::string("D:\\game\\") + pszName).c_str(), &strData));
        ASSERT_LT(strData.size(), m_nLimit) << pszName << " must fit under the limit of this session";
    }
    static const struct
    {
        const char* pszName;
        const char* pszEarlier; // an earlier installation, recorded; null for none
        const char* pszState;
    } kRows[] = {
        {"nothing installed", nullptr,
         "Setup removed what it had copied, and the game is not recorded as installed."},
        {"an installation elsewhere", "C:\\ORV",
         "Setup removed what it had copied: Orvane is still installed in C:\\ORV, as it was."},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        ASSERT_TRUE(WriteWholeFile(kBatchPath, "@echo off\r\n"));
        ASSERT_TRUE(WriteWholeFile(kMarkerPath, "win95dir C:\\windows\r\n"));
        // Other programs' settings up to 4 bytes below the limit.
        std::string strIniBefore =
            row.pszEarlier ? std::string("[Orvane]\r\nInstallDir=") + row.pszEarlier + "\r\n" : std::string();
        for (int i = 0; strIniBefore.size() < m_nLimit - 4; ++i)
            strIniBefore += "[Program" + std::to_string(i) + "]\r\nSetting=" + std::string(60, 'v') + "\r\n";
        strIniBefore.resize(m_nLimit - 4);
        if (row.pszEarlier)
            InstallEarlier(row.pszEarlier);
        SetQxIni(strIniBefore.c_str());

        ExpectInstallFails(kDefaultFolder,
                           {"Could not record the folder in qx.ini in the Windows folder", row.pszState});

        std::string strIni;
        ReadWholeFile(kIniPath, &strIni);
        EXPECT_EQ(strIni.size(), strIniBefore.size());
        EXPECT_TRUE(strIni == strIniBefore) << "qx.ini changed";
        EXPECT_EQ(RecordedFolder(), row.pszEarlier ? row.pszEarlier : "");
        if (row.pszEarlier)
            ExpectEarlierIn(row.pszEarlier);
        EXPECT_FALSE(FileExists("C:\\GAMES")) << "the copied game stays behind";
        for (const std::string& strName : FolderContent("C:\\windows"))
            EXPECT_NE(strName.compare(0, 3, "~qx"), 0) << strName << " stays behind";
        EXPECT_TRUE(FileExists(kBatchPath));
        EXPECT_TRUE(FileExists(kMarkerPath));
        if (row.pszEarlier)
            DeleteTree(row.pszEarlier);
        Clean();
    }
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

// The installer's texts are one list, which its string table is made from
// and the installer for MS-DOS mode compiles in: the built program holds
// every text of the list, exactly.
TEST(SampleCdFiles, InstallerStringTableIsTheSharedTextList)
{
    static const struct
    {
        UINT nId;
        const char* pszText;
    } kTexts[] = {
#define QX_TEXT_ROW(id, text) {id, text},
        QX_INSTALL_TEXTS(QX_TEXT_ROW)
#undef QX_TEXT_ROW
    };
    HMODULE hInstaller = LoadLibraryExA(kInstallerPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(hInstaller, nullptr);
    for (const auto& text : kTexts) {
        SCOPED_TRACE(text.nId);
        char sz[1024] = "";
        EXPECT_GT(LoadStringA(hInstaller, text.nId, sz, sizeof(sz)), 0);
        EXPECT_STREQ(sz, text.pszText);
    }
    FreeLibrary(hInstaller);
}

// The installer's two halves say the same before they ask for the folder:
// the dialog's caption, its introduction and its limit on the folder are
// what the MS-DOS half prints, both read back from the built program.
TEST(SampleCdFiles, InstallerDialogSaysWhatItsMsDosHalfPrints)
{
    std::string strProgram;
    ASSERT_TRUE(ReadWholeFile(kInstallerPath, &strProgram));
    ASSERT_GT(strProgram.size(), 0x40u);
    ASSERT_EQ(strProgram.substr(0, 2), "MZ");
    // The MS-DOS half: the image after the MZ header, as far as the header
    // says the program goes.
    const size_t nLastPage = Get16(strProgram, 2), nPages = Get16(strProgram, 4);
    const size_t nDosEnd = (nLastPage ? nPages - 1 : nPages) * 512 + nLastPage;
    const size_t nImage = Get16(strProgram, 8) * 16;
    ASSERT_LT(nImage, nDosEnd);
    ASSERT_LE(nDosEnd, strProgram.size());
    const std::string strDos = strProgram.substr(nImage, nDosEnd - nImage);

    // The dialog as Windows makes it from the template, hidden.
    HMODULE hInstaller = LoadLibraryExA(kInstallerPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(hInstaller, nullptr);
    const auto dialog = CreateHiddenDialog(hInstaller, IDD_INSTALL);
    FreeLibrary(hInstaller);
    ASSERT_NE(dialog, nullptr);

    const std::string strCaption = WindowText(dialog);
    EXPECT_EQ(strCaption, kInstallerTitle);
    EXPECT_TRUE(Contains(strDos, strCaption + "\n\n")) << "the MS-DOS half's caption";
    // The icon, then the introduction.
    const HWND hIcon = GetWindow(dialog, GW_CHILD);
    ASSERT_NE(hIcon, nullptr);
    const std::string strIntro = WindowText(GetWindow(hIcon, GW_HWNDNEXT));
    std::string strLimit = WindowText(GetDlgItem(dialog, IDC_PROGRESS));
    ASSERT_FALSE(strLimit.empty());
    EXPECT_TRUE(Contains(strLimit, "at most " + std::to_string(QX_DOS_MAX_FOLDER) + " characters."))
        << strLimit;
    // The MS-DOS half goes on where the dialog's line ends.
    ASSERT_EQ(strLimit.back(), '.');
    strLimit.pop_back();
    EXPECT_TRUE(Contains(strDos, strIntro + " " + strLimit + ", and each part of the folder"))
        << strIntro << "\n"
        << strLimit;
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
