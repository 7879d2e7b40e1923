#include "TestSupport.h"

#include "platform/Module.h"
#include "res/CdContract.h"

#include <algorithm>
#include <stdlib.h>
#include <stdio.h>

namespace qxtest {

const char kLauncherPath[] = "D:\\Qxinst95.exe";
const char kIniPath[] = "c:\\windows\\" QX_INI_FILE;
const char kBatchPath[] = QX_CD_CHECK_BATCH_PATH;
const char kMarkerPath[] = QX_MARKER_FILE_DEFAULT;
const char kRanPath[] = "c:\\qxtest_ran.txt";

namespace {

std::string StemOf(const std::string& strPath)
{
    const size_t nDot = strPath.rfind('.');
    const size_t nStem = nDot != std::string::npos && nDot > strPath.rfind('\\') ? nDot : strPath.size();
    return strPath.substr(0, nStem);
}

} // namespace

std::string TemporaryFileOf(const std::string& strPath, int n)
{
    return StemOf(strPath) + ".~" + std::to_string(n);
}

std::string AsideFileOf(const std::string& strPath)
{
    return StemOf(strPath) + ".~ol";
}

void SetQxIni(const char* pszContent)
{
    DeleteFileA(kIniPath);
    // The profile reader caches files: flush before and after the change.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, QX_INI_FILE);
    if (pszContent)
        WriteWholeFile(kIniPath, pszContent);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, QX_INI_FILE);
}

CLauncherModule::CLauncherModule()
    : CHandleT(LoadLibraryExA(kLauncherPath, nullptr, LOAD_LIBRARY_AS_DATAFILE))
{
}

ScopedLauncherResources::ScopedLauncherResources()
{
    if (m_module)
        AfxSetResourceHandle(m_module);
}

ScopedLauncherResources::~ScopedLauncherResources()
{
    AfxSetResourceHandle(nullptr);
}

std::string LauncherString(UINT nId)
{
    const CLauncherModule launcher;
    char sz[1024] = "";
    if (launcher)
        LoadStringA(launcher, nId, sz, sizeof(sz));
    return sz;
}

namespace {

INT_PTR CALLBACK PassiveDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

} // namespace

CHandleT<WindowKind> CreateHiddenDialog(HMODULE hModule, UINT nId)
{
    HRSRC hRes = FindResourceA(hModule, MAKEINTRESOURCEA(nId), reinterpret_cast<LPCSTR>(RT_DIALOG));
    const BYTE* p = hRes ? static_cast<const BYTE*>(LockResource(LoadResource(hModule, hRes))) : nullptr;
    if (!p)
        return CHandleT<WindowKind>();
    // The style is at 12 in an extended template, at 0 in a plain one; its
    // visible bit comes off, so that nothing shows while a test looks.
    std::vector<BYTE> tmpl(p, p + SizeofResource(hModule, hRes));
    const size_t nStyleOffset = tmpl.size() >= 4 && tmpl[2] == 0xFF && tmpl[3] == 0xFF ? 12 : 0;
    DWORD dwStyle;
    memcpy(&dwStyle, tmpl.data() + nStyleOffset, sizeof(dwStyle));
    dwStyle &= ~WS_VISIBLE;
    memcpy(tmpl.data() + nStyleOffset, &dwStyle, sizeof(dwStyle));
    return CHandleT<WindowKind>(CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                           reinterpret_cast<LPCDLGTEMPLATEA>(tmpl.data()),
                                                           nullptr, PassiveDialogProc, 0));
}

std::string ProgramPath()
{
    char sz[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, sz, MAX_PATH);
    return sz;
}

std::string ProgramDirectory()
{
    const std::string strPath = ProgramPath();
    return strPath.substr(0, strPath.rfind('\\'));
}

std::string WindowsDirectory()
{
    char sz[MAX_PATH] = "";
    GetWindowsDirectoryA(sz, MAX_PATH);
    return sz;
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const char* pszDirectory)
{
    GetCurrentDirectoryA(MAX_PATH, m_szPrevious);
    SetCurrentDirectoryA(pszDirectory);
}

ScopedCurrentDirectory::~ScopedCurrentDirectory()
{
    SetCurrentDirectoryA(m_szPrevious);
}

Process::~Process()
{
    if (m_info.hProcess) {
        if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_info.hProcess, 255);
            WaitForSingleObject(m_info.hProcess, 5000);
        }
        CloseHandle(m_info.hProcess);
        CloseHandle(m_info.hThread);
    }
}

bool Process::Start(const std::string& strCommandLine, const char* pszDirectory)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    std::vector<char> cmd(strCommandLine.begin(), strCommandLine.end());
    cmd.push_back('\0');
    return CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, pszDirectory, &si,
                          &m_info) != FALSE;
}

bool Process::WaitForExit(DWORD* pExitCode, DWORD nTimeoutMs)
{
    if (!m_info.hProcess || WaitForSingleObject(m_info.hProcess, TimeLimit(nTimeoutMs)) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(m_info.hProcess, pExitCode) != FALSE;
}

namespace {

struct FindState
{
    DWORD nProcessId;
    const char* pszClass;
    std::vector<HWND>* pFound;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    FindState* pState = reinterpret_cast<FindState*>(lParam);
    DWORD nPid = 0;
    GetWindowThreadProcessId(hWnd, &nPid);
    if (nPid == pState->nProcessId && IsWindowVisible(hWnd) && ClassName(hWnd) == pState->pszClass)
        pState->pFound->push_back(hWnd);
    return TRUE;
}

} // namespace

std::vector<HWND> FindTopLevelWindows(DWORD nProcessId, const char* pszClass)
{
    std::vector<HWND> found;
    FindState state = {nProcessId, pszClass, &found};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&state));
    return found;
}

DWORD TimeLimit(DWORD nMs)
{
    char szScale[16] = "";
    const DWORD nLength = GetEnvironmentVariableA("QX_TEST_TIME_SCALE", szScale, sizeof szScale);
    const unsigned long nScale = nLength > 0 && nLength < sizeof szScale ? strtoul(szScale, nullptr, 10) : 1;
    return nScale > 1 && nScale < 100 ? nMs * nScale : nMs;
}

HWND WaitForTopLevelWindow(DWORD nProcessId, const char* pszClass, DWORD nTimeoutMs)
{
    HWND hFound = nullptr;
    WaitFor(
        [&] {
            std::vector<HWND> windows = FindTopLevelWindows(nProcessId, pszClass);
            hFound = windows.empty() ? nullptr : windows.front();
            return hFound != nullptr;
        },
        nTimeoutMs);
    return hFound;
}

std::string WindowText(HWND hWnd)
{
    char sz[1024] = "";
    GetWindowTextA(hWnd, sz, sizeof(sz));
    return sz;
}

std::string ClassName(HWND hWnd)
{
    char sz[256] = "";
    GetClassNameA(hWnd, sz, sizeof(sz));
    return sz;
}

bool ReadWholeFile(const char* pszPath, std::string* pContent)
{
    pContent->clear();
    HANDLE h = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0)
        pContent->append(buf, n);
    CloseHandle(h);
    return true;
}

bool WriteWholeFile(const char* pszPath, const std::string& strContent)
{
    HANDLE h = CreateFileA(pszPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    BOOL bOk = WriteFile(h, strContent.data(), static_cast<DWORD>(strContent.size()), &n, nullptr);
    CloseHandle(h);
    return bOk && n == strContent.size();
}

bool FileExists(const char* pszPath)
{
    return GetFileAttributesA(pszPath) != INVALID_FILE_ATTRIBUTES;
}

ScopedCleanup::ScopedCleanup(std::initializer_list<const char*> paths)
{
    for (const char* p : paths)
        m_paths.push_back(p);
}

ScopedCleanup::~ScopedCleanup()
{
    for (auto it = m_paths.rbegin(); it != m_paths.rend(); ++it) {
        DWORD nAttr = GetFileAttributesA(it->c_str());
        if (nAttr == INVALID_FILE_ATTRIBUTES)
            continue;
        SetFileAttributesA(it->c_str(), FILE_ATTRIBUTE_NORMAL);
        if (nAttr & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryA(it->c_str());
        else
            DeleteFileA(it->c_str());
    }
}

namespace {

std::wstring Wide(const std::string& str)
{
    std::wstring wstr(str.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, str.c_str(), -1, &wstr[0], static_cast<int>(wstr.size()));
    wstr.resize(n > 0 ? n - 1 : 0);
    return wstr;
}

// Paths past MAX_PATH need the "\\?\" form of the wide functions.
std::wstring LongForm(const std::string& strPath)
{
    const bool bAbsolute = strPath.size() >= 3 && strPath[1] == ':' && strPath[2] == '\\';
    return (bAbsolute ? L"\\\\?\\" : L"") + Wide(strPath);
}

void DeleteTreeW(const std::wstring& wstrPath)
{
    const DWORD nAttributes = GetFileAttributesW(wstrPath.c_str());
    if (nAttributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(wstrPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(nAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(wstrPath.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((wstrPath + L"\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
                DeleteTreeW(wstrPath + L"\\" + data.cFileName);
        } while (FindNextFileW(hFind, &data));
        FindClose(hFind);
    }
    RemoveDirectoryW(wstrPath.c_str());
}

} // namespace

void DeleteTree(const std::string& strPath)
{
    DeleteTreeW(LongForm(strPath));
}

std::string DeepDirectory(size_t nLength)
{
    std::string strPath = "c:\\qxtest_deep";
    CreateDirectoryA(strPath.c_str(), nullptr);
    while (strPath.size() < nLength) {
        size_t nPart = std::min<size_t>(nLength - strPath.size() - 1, 60);
        if (nPart == 0) { // one character left: lengthen the last part
            strPath += "x";
            break;
        }
        strPath += "\\" + std::string(nPart, 'd');
        CreateDirectoryW(LongForm(strPath).c_str(), nullptr);
    }
    if (!CreateDirectoryW(LongForm(strPath).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return "";
    return strPath;
}

bool CopySampleCd(const std::string& strFolder, bool bBatchFiles)
{
    if (!CreateDirectoryA(strFolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    bool bCopied = CopyFileA(kLauncherPath, (strFolder + "\\Qxinst95.exe").c_str(), FALSE) &&
                   CopyFileA("D:\\readme.txt", (strFolder + "\\readme.txt").c_str(), FALSE);
    if (bBatchFiles) {
        const std::string strData = strFolder + "\\instdata";
        bCopied = bCopied && CreateDirectoryA(strData.c_str(), nullptr);
        for (const char* pszName : {"runcheck.bat", "gostart.bat"}) {
            bCopied = bCopied && CopyFileA((std::string("D:\\instdata\\") + pszName).c_str(),
                                           (strData + "\\" + pszName).c_str(), FALSE);
        }
    }
    return bCopied;
}

std::string ShortName(const std::string& strPath)
{
    char sz[MAX_PATH] = "";
    const DWORD n = GetShortPathNameA(strPath.c_str(), sz, MAX_PATH);
    return n != 0 && n < MAX_PATH ? sz : "";
}

std::string LowerShortName(const std::string& strPath)
{
    std::string strShort = ShortName(strPath);
    if (!strShort.empty())
        CharLowerBuffA(&strShort[0], static_cast<DWORD>(strShort.size()));
    return strShort;
}

std::vector<std::string> RanLines()
{
    std::string strContent;
    ReadWholeFile(kRanPath, &strContent);
    std::vector<std::string> lines;
    size_t nStart = 0;
    while (nStart < strContent.size()) {
        size_t nEnd = strContent.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = strContent.size();
        std::string strLine = strContent.substr(nStart, nEnd - nStart);
        while (!strLine.empty() && (strLine.back() == '\r' || strLine.back() == ' '))
            strLine.pop_back();
        lines.push_back(strLine);
        nStart = nEnd + 1;
    }
    return lines;
}

namespace {

const char kBarrierLine[] = "runcheck barrier done";

} // namespace

std::vector<std::string> RanLinesAfterBarrier()
{
    Process barrier;
    DWORD nExitCode = 0;
    if (!barrier.Start("cmd /c D:\\instdata\\runcheck.bat barrier done") ||
        !barrier.WaitForExit(&nExitCode)) {
        ADD_FAILURE() << "the barrier batch file did not run";
        return {};
    }
    std::vector<std::string> lines;
    if (!WaitFor([&] {
            lines = RanLines();
            return std::find(lines.begin(), lines.end(), kBarrierLine) != lines.end();
        }))
        ADD_FAILURE() << "the barrier left no line";
    lines.erase(std::remove(lines.begin(), lines.end(), kBarrierLine), lines.end());
    return lines;
}

bool WaitForRanLine(const std::string& strLine)
{
    return WaitFor([&] {
        std::vector<std::string> lines = RanLines();
        return std::find(lines.begin(), lines.end(), strLine) != lines.end();
    });
}

std::string DecoyProgramPath()
{
    return ProgramDirectory() + "\\qx_decoy.exe";
}

ForeignProcess::ForeignProcess(HWND hWnd)
{
    GetWindowThreadProcessId(hWnd, &m_nPid);
    m_hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, m_nPid);
}

ForeignProcess::~ForeignProcess()
{
    if (!m_hProcess)
        return;
    if (WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_hProcess, 255);
        WaitForSingleObject(m_hProcess, 5000);
    }
    CloseHandle(m_hProcess);
}

bool ForeignProcess::WaitForExit(DWORD* pExitCode, DWORD nTimeoutMs)
{
    return m_hProcess && WaitForSingleObject(m_hProcess, TimeLimit(nTimeoutMs)) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(m_hProcess, pExitCode);
}

namespace {

BOOL CALLBACK CollectForeignDialog(HWND hWnd, LPARAM lParam)
{
    DWORD nPid = 0;
    GetWindowThreadProcessId(hWnd, &nPid);
    if (nPid != GetCurrentProcessId() && IsWindowVisible(hWnd) && ClassName(hWnd) == "#32770")
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

} // namespace

std::vector<HWND> FindForeignDialogs()
{
    std::vector<HWND> found;
    EnumWindows(CollectForeignDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string UnixPath(const std::string& strWindowsPath)
{
    typedef char*(CDECL * UnixFileNameFn)(const WCHAR*);
    const UnixFileNameFn pfnUnixFileName = reinterpret_cast<UnixFileNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!pfnUnixFileName)
        return "";
    char* psz = pfnUnixFileName(LongForm(strWindowsPath).c_str());
    if (!psz)
        return "";
    std::string strPath = psz;
    HeapFree(GetProcessHeap(), 0, psz);
    return strPath;
}

bool StartShell(const std::string& strCommand)
{
    // Wine splits a Unix program's command line as Windows does: the script
    // goes in double quotes, so it holds none itself.
    if (strCommand.find('"') != std::string::npos)
        return false;
    Process shell;
    return shell.Start("/bin/sh -c \"" + strCommand + "\"");
}

std::string ShellQuote(const std::string& strText)
{
    std::string strQuoted = "'";
    for (char ch : strText)
        strQuoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return strQuoted + "'";
}

MessageBoxWatcher::MessageBoxWatcher() : m_thread([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher()
{
    Stop();
}

std::vector<MessageBoxSeen> MessageBoxWatcher::Stop()
{
    m_bStop = true;
    if (m_thread.joinable())
        m_thread.join();
    return m_seen;
}

MessageBoxSeen ReadMessageBox(HWND hBox)
{
    // The icon is a static with id 20 on Windows and 1088 under Wine, where a
    // box without an icon still has an empty one.
    HWND hIconCtl = GetDlgItem(hBox, 1088) ? GetDlgItem(hBox, 1088) : GetDlgItem(hBox, 20);
    MessageBoxSeen seen;
    seen.strCaption = WindowText(hBox);
    seen.strText = WindowText(GetDlgItem(hBox, kMessageBoxTextId));
    seen.hOwner = GetWindow(hBox, GW_OWNER);
    seen.hIcon = hIconCtl ? reinterpret_cast<HICON>(SendMessageA(hIconCtl, STM_GETICON, 0, 0)) : nullptr;
    seen.bTopmost = (GetWindowLongA(hBox, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return seen;
}

HWND WaitForMessageBox(DWORD nProcessId, HWND hBesides, DWORD nTimeoutMs)
{
    HWND hBox = nullptr;
    WaitFor(
        [&] {
            for (HWND h : FindTopLevelWindows(nProcessId, "#32770")) {
                if (h != hBesides && GetDlgItem(h, kMessageBoxTextId))
                    hBox = h;
            }
            return hBox != nullptr;
        },
        nTimeoutMs);
    return hBox;
}

void MessageBoxWatcher::Watch()
{
    while (!m_bStop) {
        for (HWND hBox : FindTopLevelWindows(GetCurrentProcessId(), "#32770")) {
            m_seen.push_back(ReadMessageBox(hBox));
            SendMessageA(hBox, WM_COMMAND, IDOK, 0);
            WaitFor([&] { return !IsWindow(hBox) || !IsWindowVisible(hBox); }, 2000);
        }
        Sleep(10);
    }
}

bool RunningUnderWine()
{
    HMODULE hNtDll = GetModuleHandleA("ntdll.dll");
    return hNtDll && GetProcAddress(hNtDll, "wine_get_version");
}

TodoWine::TodoWine(const char* pszGap, const char* pszFile, int nLine)
    : m_pszGap(pszGap), m_pszFile(pszFile), m_nLine(nLine)
{
    if (RunningUnderWine()) {
        m_pIntercept.reset(new testing::ScopedFakeTestPartResultReporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &m_results));
    }
}

TodoWine::~TodoWine()
{
    if (!m_pIntercept)
        return;
    m_pIntercept.reset();
    int nFailed = 0;
    bool bFatal = false;
    for (int i = 0; i < m_results.size(); ++i) {
        const testing::TestPartResult& result = m_results.GetTestPartResult(i);
        if (result.failed()) {
            ++nFailed;
            bFatal = bFatal || result.fatally_failed();
            printf("todo_wine: %s:%d: %s\n", result.file_name() ? result.file_name() : "?",
                   result.line_number(), result.summary());
        }
    }
    if (bFatal) {
        // An ASSERT ends the test there, and what follows the block would be
        // skipped without a word.
        ADD_FAILURE_AT(m_pszFile, m_nLine)
            << "an ASSERT failed inside TODO_WINE and skipped the rest of the test: "
               "use EXPECT there";
    } else if (nFailed == 0) {
        ADD_FAILURE_AT(m_pszFile, m_nLine) << "marked as a known Wine gap, but passes under Wine now ("
                                           << m_pszGap << "): make the checks strict";
    } else {
        printf("todo_wine: %s:%d: known Wine gap, %d check(s): %s\n", m_pszFile, m_nLine, nFailed, m_pszGap);
    }
    fflush(stdout);
}

} // namespace qxtest
