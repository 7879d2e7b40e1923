// Helpers for the tests that run under Wine: the built launcher on drive D:
// and its resources, processes started from it, their windows and message
// boxes, files and folders the tests use, and known Wine gaps.
#pragma once

#include "platform/Handle.h"

#include <windows.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qxtest {

// The launcher on the sample CD.
extern const char kLauncherPath[]; // D:\Qxinst95.exe

// The files the launcher reads and writes in the prefix.
extern const char kIniPath[];    // c:\windows\qx.ini
extern const char kBatchPath[];  // c:\_qxchkcd.bat
extern const char kMarkerPath[]; // c:\qxinst.cfg

// The temporary file that writing strPath whole uses while it writes: its
// name with the extension ~0 (n 0) to ~9.
std::string TemporaryFileOf(const std::string& strPath, int n);
// Where the old file of strPath steps aside while the new one moves in: its
// name with the extension ~ol.
std::string AsideFileOf(const std::string& strPath);

// Gives qx.ini this content (null: no qx.ini at all), past the profile
// reader's cache of this process.
void SetQxIni(const char* pszContent);

struct LibraryKind : afx::HandleKind<HMODULE>
{
    static void Free(HMODULE hModule) { FreeLibrary(hModule); }
};

struct WindowKind : afx::HandleKind<HWND>
{
    static void Free(HWND hWnd) { DestroyWindow(hWnd); }
};

// The launcher's program file, loaded for its resources only; null when it
// cannot be loaded.
class CLauncherModule : public CHandleT<LibraryKind>
{
public:
    CLauncherModule();
};

// The launcher's program file, loaded for its resources. While the object
// lives, strings and dialog templates come from the launcher.
class ScopedLauncherResources
{
public:
    ScopedLauncherResources();
    ~ScopedLauncherResources();

    HMODULE Get() const { return m_module; }

private:
    CLauncherModule m_module;
};

// String nId of the launcher's own string table; empty when there is none.
std::string LauncherString(UINT nId);

// Dialog template nId of hModule made into a window as the system lays it
// out, never shown, with a dialog procedure that handles nothing; null when
// the template is missing. The window goes with the owner.
CHandleT<WindowKind> CreateHiddenDialog(HMODULE hModule, UINT nId);

// This test program's file, its directory, and the Windows directory.
std::string ProgramPath();
std::string ProgramDirectory();
std::string WindowsDirectory();

// Makes pszDirectory the current directory while it lives.
class ScopedCurrentDirectory
{
public:
    explicit ScopedCurrentDirectory(const char* pszDirectory);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    char m_szPrevious[MAX_PATH];
};

// A time limit of nMs for waiting on a real event, stretched by the factor in
// QX_TEST_TIME_SCALE where the tests run on an emulated CPU (two to three
// times slower); nMs as it is elsewhere.
DWORD TimeLimit(DWORD nMs);

// Waits for pred() to hold, polling every 10 ms; false after nTimeoutMs
// (stretched by TimeLimit).
template <class Pred>
bool WaitFor(Pred pred, DWORD nTimeoutMs = 10000)
{
    nTimeoutMs = TimeLimit(nTimeoutMs);
    const DWORD nStart = GetTickCount();
    for (;;) {
        if (pred())
            return true;
        if (GetTickCount() - nStart > nTimeoutMs)
            return false;
        Sleep(10);
    }
}

// A started process; killed and closed when the owner goes.
class Process
{
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    // Starts the command line in szDirectory (null: the current one).
    bool Start(const std::string& strCommandLine, const char* pszDirectory = nullptr);
    // Waits for the end; false on time-out. The exit code goes to *pExitCode.
    bool WaitForExit(DWORD* pExitCode, DWORD nTimeoutMs = 10000);
    DWORD Id() const { return m_info.dwProcessId; }

private:
    PROCESS_INFORMATION m_info = {};
};

// Top-level windows of class szClass ("#32770" for dialogs and message boxes)
// that belong to process nProcessId and are visible.
std::vector<HWND> FindTopLevelWindows(DWORD nProcessId, const char* pszClass);

// The first such window, waiting up to nTimeoutMs for it; null on time-out.
HWND WaitForTopLevelWindow(DWORD nProcessId, const char* pszClass, DWORD nTimeoutMs = 10000);

std::string WindowText(HWND hWnd);
std::string ClassName(HWND hWnd);

// The whole content of a file, or nothing when it cannot be read.
bool ReadWholeFile(const char* pszPath, std::string* pContent);
bool WriteWholeFile(const char* pszPath, const std::string& strContent);
bool FileExists(const char* pszPath);

// Deletes a file, or a folder with everything in it; read-only or not.
void DeleteTree(const std::string& strPath);

// A folder on c: whose full path has exactly nLength characters, made of
// parts of at most 60 characters below c:\qxtest_deep; empty when it cannot
// be made.
std::string DeepDirectory(size_t nLength);

// Copies the files of the sample CD that starting the launcher needs (its
// program, the read-me and, if bBatchFiles, the batch files in instdata) to
// strFolder, which is made first.
bool CopySampleCd(const std::string& strFolder, bool bBatchFiles = true);

// The short (8.3) name the file system gives strPath, as it gives it or
// lower-cased as the launcher lowers its command lines; empty when there is
// none.
std::string ShortName(const std::string& strPath);
std::string LowerShortName(const std::string& strPath);

// Removes the files and directories named when it goes out of scope.
class ScopedCleanup
{
public:
    explicit ScopedCleanup(std::initializer_list<const char*> paths);
    ~ScopedCleanup();
    void Add(const char* pszPath) { m_paths.push_back(pszPath); }

private:
    std::vector<std::string> m_paths;
};

// The sample CD's batch files add a line here for each start (QX_TEST_RAN);
// so does the decoy program (qx_decoy.exe beside the tests).
extern const char kRanPath[]; // c:\qxtest_ran.txt

// The lines recorded, without line ends and trailing blanks.
std::vector<std::string> RanLines();

// The lines recorded so far and by a batch file that we start ourselves,
// without our own line. Batch files started earlier have had a head start on
// ours, so one that the launcher should not have started is very likely among
// them; there is no stronger way to see that something did not run.
std::vector<std::string> RanLinesAfterBarrier();

// Waits for a batch file started by the launcher to record strLine.
bool WaitForRanLine(const std::string& strLine);

// The decoy program: records "decoy" and its command line, then ends. Copied
// to where a wrong reading of a command line would find a program.
std::string DecoyProgramPath();

// A process that this test did not start itself, found by one of its
// windows; ended when the owner goes.
class ForeignProcess
{
public:
    explicit ForeignProcess(HWND hWnd);
    ForeignProcess(const ForeignProcess&) = delete;
    ForeignProcess& operator=(const ForeignProcess&) = delete;
    ~ForeignProcess();
    DWORD Id() const { return m_nPid; }
    bool WaitForExit(DWORD* pExitCode, DWORD nTimeoutMs = 10000);

private:
    HANDLE m_hProcess = nullptr;
    DWORD m_nPid = 0;
};

// Visible top-level dialogs ("#32770") of processes other than this one.
std::vector<HWND> FindForeignDialogs();

// Under Wine: the Unix path of a Windows path; empty when there is none.
std::string UnixPath(const std::string& strWindowsPath);

// Under Wine: starts strCommand with /bin/sh as a Unix process beside this
// one, and does not wait for it. Wine started from there joins this prefix.
bool StartShell(const std::string& strCommand);

// strText in single quotes for the shell.
std::string ShellQuote(const std::string& strText);

// A message box is a dialog ("#32770") whose text is in this static control.
const int kMessageBoxTextId = 0xFFFF;

// What a message box shows.
struct MessageBoxSeen
{
    std::string strCaption, strText;
    HWND hOwner;
    HICON hIcon;   // null: the box shows no icon
    bool bTopmost; // system-modal boxes stay on top
};
MessageBoxSeen ReadMessageBox(HWND hBox);

// A message box of process nProcessId: a visible dialog with the text
// control, other than hBesides (the program's own window), waiting up to
// nTimeoutMs; null on time-out.
HWND WaitForMessageBox(DWORD nProcessId, HWND hBesides = nullptr, DWORD nTimeoutMs = 10000);

// Watches this process for message boxes while a scenario runs on another
// thread: records what each showed and answers it with OK.
class MessageBoxWatcher
{
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Stops watching and returns what was seen, in order.
    std::vector<MessageBoxSeen> Stop();

private:
    void Watch();

    std::atomic<bool> m_bStop{false};
    std::vector<MessageBoxSeen> m_seen;
    std::thread m_thread;
};

// True when this process runs under Wine (its ntdll has wine_get_version).
bool RunningUnderWine();

// Marks checks that fail only because of a known gap in Wine, as Wine's own
// todo_wine does; the checks inside always run:
//     TODO_WINE("what Wine does differently") { EXPECT_...; }
// Elsewhere they are strict. Under Wine their failures are printed as the
// known gap and fail nothing, while a block that passes fails the test: the
// gap has closed, and the mark comes off. Inside, use EXPECT, not ASSERT.
class TodoWine
{
public:
    TodoWine(const char* pszGap, const char* pszFile, int nLine);
    ~TodoWine();
    TodoWine(const TodoWine&) = delete;
    TodoWine& operator=(const TodoWine&) = delete;

    // True the first time only: the block runs once.
    bool Once()
    {
        const bool bFirst = !m_bDone;
        m_bDone = true;
        return bFirst;
    }

private:
    const char* m_pszGap;
    const char* m_pszFile;
    int m_nLine;
    bool m_bDone = false;
    testing::TestPartResultArray m_results;
    std::unique_ptr<testing::ScopedFakeTestPartResultReporter> m_pIntercept; // under Wine only
};

#define TODO_WINE(pszGap) for (qxtest::TodoWine todoWine(pszGap, __FILE__, __LINE__); todoWine.Once();)

} // namespace qxtest
