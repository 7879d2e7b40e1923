// The sample CD's installer: asks for a folder and installs the game from the
// CD's game folder into it, as one transaction (Installation.h): the whole
// game in place and recorded as InstallDir in section [Orvane] of qx.ini in
// the Windows folder, and the launcher's first-run files removed; or, after
// any failure, everything as it was, and a message that says what is so.
//
// Plain Win32 and our own small run-time library, no C run-time DLL: the
// program ships on a Windows 95 CD. Exit code 0 once installed, 1 when cancelled.
#include "res/CdContract.h"
#include "cdprograms/install/InstallDir.h"
#include "cdprograms/install/InstallFileSystem_win.h"
#include "cdprograms/install/Installation.h"
#include "cdprograms/ProgramDir_win.h"
#include "cdprograms/install/resource.h"

#include <string.h>
#include <windows.h>

namespace {

const char kGameFolder[] = "\\game";
const char kIniName[] = "\\" QX_INI_FILE;
const char* const kFirstRunFiles[] = {QX_CD_CHECK_BATCH_PATH, QX_MARKER_FILE_DEFAULT, QX_CD_CHECK_BATCH_ASIDE,
                                      QX_MARKER_FILE_ASIDE};
const char kBusyMutex[] = "Orvane Setup installing";
const int kMessageSize = 2048;
// Copying reads and writes this much at a time.
const unsigned kCopyBufferSize = 32 * 1024;

// pszFirst then pszSecond, in a buffer that takes both.
void Join(char* pszOut, const char* pszFirst, const char* pszSecond)
{
    const size_t nFirst = strlen(pszFirst);
    memcpy(pszOut, pszFirst, nFirst + 1);
    memcpy(pszOut + nFirst, pszSecond, strlen(pszSecond) + 1);
}

void Show(HWND hOwner, const char* pszText, UINT nIcon)
{
    char szCaption[64];
    CWin32Texts().LoadText(IDS_CAPTION, szCaption, sizeof(szCaption));
    MessageBoxA(hOwner, pszText, szCaption, MB_OK | nIcon);
}

// One installation into a checked folder, with its message shown; true once
// the game is installed.
bool Install(HWND hDlg, const char* pszFolder, char (&szText)[kMessageSize])
{
    CWin32Texts texts;
    // A second copy of Setup must not install at the same time: both would
    // use the same temporary names and qx.ini.
    HANDLE hBusy = CreateMutexA(nullptr, TRUE, kBusyMutex);
    if (!hBusy || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (hBusy)
            CloseHandle(hBusy);
        texts.LoadText(IDS_BUSY, szText, sizeof(szText));
        Show(hDlg, szText, MB_ICONEXCLAMATION);
        return false;
    }

    char szDir[MAX_PATH], szGame[MAX_PATH + sizeof(kGameFolder)];
    GetProgramDir(szDir);
    Join(szGame, szDir, kGameFolder);
    char szWindows[MAX_PATH], szIni[MAX_PATH + sizeof(kIniName)];
    const UINT nWindows = GetWindowsDirectoryA(szWindows, MAX_PATH);
    if (nWindows == 0 || nWindows >= MAX_PATH)
        szWindows[0] = '\0';
    Join(szIni, szWindows, kIniName);

    InstallRequest request = {};
    request.pszGameFolder = szGame;
    request.pszTargetFolder = pszFolder;
    request.pszIniPath = szIni;
    request.ppszFirstRunFiles = kFirstRunFiles;
    request.nFirstRunFiles = sizeof(kFirstRunFiles) / sizeof(kFirstRunFiles[0]);
    // CreateDirectory leaves room for an 8.3 name in a folder: the folder
    // and its terminator take at most MAX_PATH - 12.
    request.nMaxFolder = MAX_PATH - QX_DOS_MAX_NAME - 1;
    request.nMaxPath = MAX_PATH - 1;
    char abBuffer[kCopyBufferSize];
    request.pBuffer = abBuffer;
    request.nBufferSize = sizeof(abBuffer);

    HWND hProgress = GetDlgItem(hDlg, IDC_PROGRESS);
    char szHint[256];
    GetWindowTextA(hProgress, szHint, sizeof(szHint));
    HCURSOR hOldCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    CWin32FileSystem fs(hDlg, hProgress);
    CInstallation installation;
    // A run that was cut off is finished or undone before anything else.
    InstallRecoveryOutcome recovered;
    installation.Recover(fs, request, &recovered);
    DescribeInstallRecovery(texts, recovered, szText, sizeof(szText));
    if (szText[0])
        Show(hDlg, szText, recovered.szLeft[0] ? MB_ICONEXCLAMATION : MB_ICONINFORMATION);
    InstallOutcome outcome;
    const bool bDone = installation.Run(fs, request, &outcome);
    ReleaseMutex(hBusy);
    CloseHandle(hBusy);
    SetCursor(hOldCursor);
    SetWindowTextA(hProgress, szHint);

    DescribeInstallOutcome(texts, pszFolder, outcome, szText, sizeof(szText));
    Show(hDlg, szText, bDone ? MB_ICONINFORMATION : MB_ICONSTOP);
    return bDone;
}

struct DialogState
{
    bool bBusy; // an installation is running: a second click waits for nothing
};

void OnInstall(HWND hDlg, DialogState* pState)
{
    if (pState->bBusy)
        return;
    pState->bBusy = true;
    EnableWindow(GetDlgItem(hDlg, IDOK), FALSE);
    EnableWindow(GetDlgItem(hDlg, IDCANCEL), FALSE);

    // Room for more than any folder allowed; a longer text is too long as it stands.
    char szTyped[4 * kMaxInstallDir];
    InstallDirCheck check = {};
    if (GetWindowTextLengthA(GetDlgItem(hDlg, IDC_FOLDER)) >= static_cast<int>(sizeof(szTyped))) {
        check.verdict = kInstallDirTooLong;
    } else {
        GetDlgItemTextA(hDlg, IDC_FOLDER, szTyped, sizeof(szTyped));
        check = CheckInstallDir(szTyped);
    }
    char szText[kMessageSize];
    bool bDone = false;
    if (check.verdict != kInstallDirOk) {
        CWin32Texts texts;
        DescribeInstallDirCheck(texts, check, szText, sizeof(szText));
        Show(hDlg, szText, MB_ICONEXCLAMATION);
    } else {
        bDone = Install(hDlg, check.szDir, szText);
    }
    if (bDone) {
        EndDialog(hDlg, IDOK);
        return;
    }
    EnableWindow(GetDlgItem(hDlg, IDOK), TRUE);
    EnableWindow(GetDlgItem(hDlg, IDCANCEL), TRUE);
    HWND hEdit = GetDlgItem(hDlg, IDC_FOLDER);
    SetFocus(hEdit);
    SendMessageA(hEdit, EM_SETSEL, 0, -1);
    pState->bBusy = false;
}

INT_PTR CALLBACK InstallDialogProc(HWND hDlg, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    DialogState* pState = reinterpret_cast<DialogState*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    switch (nMessage) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        HICON hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_INSTALL));
        SendMessageA(hDlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
        SendMessageA(hDlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
        // A game already recorded is offered its own folder again.
        char szFolder[MAX_PATH + 1];
        if (GetPrivateProfileStringA(QX_INI_SECTION, QX_INI_KEY, "", szFolder, sizeof(szFolder),
                                     QX_INI_FILE) == 0)
            CWin32Texts().LoadText(IDS_DEFAULT_FOLDER, szFolder, sizeof(szFolder));
        HWND hEdit = GetDlgItem(hDlg, IDC_FOLDER);
        SendMessageA(hEdit, EM_LIMITTEXT, MAX_PATH, 0);
        SetWindowTextA(hEdit, szFolder);
        return TRUE;
    }
    case WM_SETCURSOR:
        // The wait cursor, wherever the mouse goes, while installing.
        if (pState && pState->bBusy) {
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
            SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case WM_COMMAND:
        if (!pState) // no state before WM_INITDIALOG
            break;
        switch (LOWORD(wParam)) {
        case IDOK:
            OnInstall(hDlg, pState);
            return TRUE;
        case IDCANCEL:
            if (!pState->bBusy)
                EndDialog(hDlg, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    DialogState state = {false};
    const INT_PTR nResult = DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_INSTALL), nullptr,
                                            InstallDialogProc, reinterpret_cast<LPARAM>(&state));
    return nResult == IDOK ? 0 : 1;
}
