// The sample CD's installer: asks for a folder, copies the game's files from
// the CD's game folder into it, records the folder as InstallDir in section
// Orvane of qx.ini in the Windows folder, and removes the two files that the
// launcher writes for MS-DOS mode while the game is not installed.
//
// Plain Win32 and nothing of the C run-time library: the program ships on a
// Windows 95 CD. Exit code 0 once installed, 1 when cancelled.
#include "InstallDir.h"
#include "ProgramDir.h"
#include "resource.h"

#include <windows.h>

namespace {

const char kIniFile[] = "qx.ini";
const char kIniSection[] = "Orvane";
const char kIniKey[] = "InstallDir";
const char kGameFolder[] = "\\game";
// What the launcher writes while the game is not installed.
const char* const kFirstRunFiles[] = {"c:\\_qxchkcd.bat", "c:\\qxinst.cfg"};

const int kMaxGameFiles = 32;
const int kMessageSize = 1024; // wsprintfA's own limit

struct GameFile
{
    char szName[MAX_PATH];
    bool bCopied;  // this run copied it
    bool bExisted; // it was there before this run
};

// What went wrong, as one sentence for the user.
struct Failure
{
    char szText[kMessageSize];
};

void LoadText(UINT nId, char* pszOut, int nSize)
{
    if (LoadStringA(GetModuleHandleA(nullptr), nId, pszOut, nSize) <= 0)
        pszOut[0] = '\0';
}

// The system's text for an error code, without its line end.
void SystemText(DWORD nError, char* pszOut, int nSize)
{
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, nError, 0,
                             pszOut, nSize, nullptr);
    while (n > 0 && (pszOut[n - 1] == '\r' || pszOut[n - 1] == '\n' || pszOut[n - 1] == ' '))
        --n;
    if (n == 0)
        wsprintfA(pszOut, "error %lu", nError);
    else
        pszOut[n] = '\0';
}

// Fills in the format of string nId with what it names (none, one or two
// pieces, in that order) and then the system's text for nError.
void Describe(Failure* pFailure, UINT nId, const char* psz1, const char* psz2 = nullptr, DWORD nError = 0)
{
    char szFormat[512];
    char szSystem[256];
    LoadText(nId, szFormat, sizeof(szFormat));
    SystemText(nError, szSystem, sizeof(szSystem));
    if (!psz1)
        wsprintfA(pFailure->szText, szFormat, szSystem);
    else if (!psz2)
        wsprintfA(pFailure->szText, szFormat, psz1, szSystem);
    else
        wsprintfA(pFailure->szText, szFormat, psz1, psz2, szSystem);
}

bool Join(char* pszOut, const char* pszDir, const char* pszName)
{
    const int nDir = lstrlenA(pszDir);
    if (nDir + 1 + lstrlenA(pszName) >= MAX_PATH)
        return false;
    lstrcpyA(pszOut, pszDir);
    pszOut[nDir] = '\\';
    lstrcpyA(pszOut + nDir + 1, pszName);
    return true;
}

bool IsDirectory(const char* pszPath)
{
    const DWORD nAttributes = GetFileAttributesA(pszPath);
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const char* pszPath)
{
    return GetFileAttributesA(pszPath) != INVALID_FILE_ATTRIBUTES;
}

// One installation into a checked folder. Whatever it creates is undone
// unless the whole installation succeeds.
class CInstallation
{
public:
    CInstallation(const char* pszSourceDir, const char* pszTargetDir)
    {
        lstrcpynA(m_szSourceDir, pszSourceDir, MAX_PATH);
        lstrcpynA(m_szTargetDir, pszTargetDir, MAX_PATH);
    }

    bool Run(Failure* pFailure)
    {
        if (!ListGameFiles(pFailure) || !CreateFolders(pFailure) || !CopyGameFiles(pFailure) ||
            !Record(pFailure)) {
            Undo();
            return false;
        }
        // The game is recorded: the files for MS-DOS mode have served.
        for (const char* pszPath : kFirstRunFiles)
            DeleteFileA(pszPath);
        return true;
    }

private:
    bool ListGameFiles(Failure* pFailure)
    {
        char szFrom[MAX_PATH], szPattern[MAX_PATH];
        lstrcpyA(szFrom, m_szSourceDir);
        lstrcatA(szFrom, kGameFolder);
        WIN32_FIND_DATAA data;
        HANDLE hFind =
            Join(szPattern, szFrom, "*.*") ? FindFirstFileA(szPattern, &data) : INVALID_HANDLE_VALUE;
        if (hFind != INVALID_HANDLE_VALUE) {
            do {
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    continue;
                if (m_nFiles == kMaxGameFiles)
                    break;
                GameFile& file = m_files[m_nFiles++];
                lstrcpynA(file.szName, data.cFileName, MAX_PATH);
                file.bCopied = file.bExisted = false;
            } while (FindNextFileA(hFind, &data));
            FindClose(hFind);
        }
        if (m_nFiles == 0) {
            Describe(pFailure, IDS_NO_GAME_FILES, szFrom);
            return false;
        }
        return true;
    }

    // Creates the target folder and every missing folder above it.
    bool CreateFolders(Failure* pFailure)
    {
        char szPath[MAX_PATH];
        lstrcpyA(szPath, m_szTargetDir);
        // Past "X:\": each backslash ends a folder, and so does the end.
        for (int i = 3;; ++i) {
            const char ch = szPath[i];
            if (ch != '\\' && ch != '\0')
                continue;
            szPath[i] = '\0';
            if (CreateDirectoryA(szPath, nullptr)) {
                m_folderEnds[m_nFolders++] = i;
            } else {
                const DWORD nError = GetLastError();
                if (!IsDirectory(szPath)) {
                    if (Exists(szPath))
                        Describe(pFailure, IDS_FILE_IN_THE_WAY, szPath);
                    else
                        Describe(pFailure, IDS_CREATE_FOLDER, szPath, nullptr, nError);
                    return false;
                }
            }
            if (ch == '\0')
                return true;
            szPath[i] = ch;
        }
    }

    bool CopyGameFiles(Failure* pFailure)
    {
        for (int i = 0; i < m_nFiles; ++i) {
            GameFile& file = m_files[i];
            char szFrom[MAX_PATH], szTo[MAX_PATH], szFolder[MAX_PATH];
            lstrcpyA(szFolder, m_szSourceDir);
            lstrcatA(szFolder, kGameFolder);
            if (!Join(szFrom, szFolder, file.szName) || !Join(szTo, m_szTargetDir, file.szName)) {
                Describe(pFailure, IDS_COPY_FILE, file.szName, m_szTargetDir, ERROR_FILENAME_EXCED_RANGE);
                return false;
            }
            const DWORD nAttributes = GetFileAttributesA(szTo);
            file.bExisted = nAttributes != INVALID_FILE_ATTRIBUTES;
            if (file.bExisted && (nAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                Describe(pFailure, IDS_FILE_IN_THE_WAY, szTo);
                return false;
            }
            // An earlier copy from the CD is read-only; it is replaced all the same.
            if (file.bExisted && (nAttributes & FILE_ATTRIBUTE_READONLY))
                SetFileAttributesA(szTo, nAttributes & ~FILE_ATTRIBUTE_READONLY);
            if (!CopyFileA(szFrom, szTo, FALSE)) {
                const DWORD nError = GetLastError();
                // A copy cut short by a full disk must not stay behind.
                if (!file.bExisted)
                    DeleteFileA(szTo);
                Describe(pFailure, IDS_COPY_FILE, file.szName, m_szTargetDir, nError);
                return false;
            }
            file.bCopied = true;
            // Files on a CD are read-only, and their copies would be too.
            SetFileAttributesA(szTo, FILE_ATTRIBUTE_NORMAL);
        }
        return true;
    }

    // Written only once every file is in place, so that the launcher never
    // offers Play for a game that is not all there.
    bool Record(Failure* pFailure)
    {
        if (!WritePrivateProfileStringA(kIniSection, kIniKey, m_szTargetDir, kIniFile)) {
            Describe(pFailure, IDS_RECORD, nullptr, nullptr, GetLastError());
            return false;
        }
        // Windows 95 keeps profile writes in a cache; this writes them out.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, kIniFile);
        return true;
    }

    // Removes what this run created: new files and new folders, newest first.
    // Files that were there before are left, replaced or not.
    void Undo()
    {
        for (int i = m_nFiles - 1; i >= 0; --i) {
            char szTo[MAX_PATH];
            if (m_files[i].bCopied && !m_files[i].bExisted && Join(szTo, m_szTargetDir, m_files[i].szName))
                DeleteFileA(szTo);
        }
        for (int i = m_nFolders - 1; i >= 0; --i) {
            char szPath[MAX_PATH];
            lstrcpynA(szPath, m_szTargetDir, m_folderEnds[i] + 1);
            RemoveDirectoryA(szPath);
        }
    }

    char m_szSourceDir[MAX_PATH];
    char m_szTargetDir[MAX_PATH];
    GameFile m_files[kMaxGameFiles];
    int m_nFiles = 0;
    int m_folderEnds[kMaxInstallDir]; // lengths of the folders this run created
    int m_nFolders = 0;
};

// The message for a folder that the rules refuse.
void DescribeVerdict(const InstallDirCheck& check, char (&szText)[kMessageSize])
{
    static const UINT kIds[] = {
        0, IDS_EMPTY, IDS_NOT_FULL, IDS_TOO_LONG, IDS_BAD_CHAR, IDS_BAD_NAME, IDS_TWO_BLANKS};
    char szFormat[512];
    LoadText(kIds[check.verdict], szFormat, sizeof(szFormat));
    wsprintfA(szText, szFormat, check.chBad);
}

void Show(HWND hOwner, const char* pszText, UINT nIcon)
{
    char szCaption[64];
    LoadText(IDS_CAPTION, szCaption, sizeof(szCaption));
    MessageBoxA(hOwner, pszText, szCaption, MB_OK | nIcon);
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
        DescribeVerdict(check, szText);
        Show(hDlg, szText, MB_ICONEXCLAMATION);
    } else {
        char szSourceDir[MAX_PATH];
        GetProgramDir(szSourceDir);
        Failure failure;
        CInstallation installation(szSourceDir, check.szDir);
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514))); // IDC_WAIT
        if (installation.Run(&failure)) {
            char szFormat[256];
            LoadText(IDS_DONE, szFormat, sizeof(szFormat));
            wsprintfA(szText, szFormat, check.szDir);
            Show(hDlg, szText, MB_ICONINFORMATION);
            bDone = true;
        } else {
            char szFrame[256];
            LoadText(IDS_FAILED_FRAME, szFrame, sizeof(szFrame));
            wsprintfA(szText, szFrame, failure.szText);
            Show(hDlg, szText, MB_ICONSTOP);
        }
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
        if (GetPrivateProfileStringA(kIniSection, kIniKey, "", szFolder, sizeof(szFolder), kIniFile) == 0)
            LoadText(IDS_DEFAULT_FOLDER, szFolder, sizeof(szFolder));
        HWND hEdit = GetDlgItem(hDlg, IDC_FOLDER);
        SendMessageA(hEdit, EM_LIMITTEXT, MAX_PATH, 0);
        SetWindowTextA(hEdit, szFolder);
        return TRUE;
    }
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
