// The sample game stands in for the real one: a window that shows the folder
// it was started from, the current folder, and whether its command line asks
// it to play (no arguments) or to configure its set-up ("/setup").
//
// Plain Win32 and our own small run-time library, no C run-time DLL: the
// program ships on a Windows 95 CD.
#include "cdprograms/game/GameMode.h"
#include "cdprograms/ProgramDir_win.h"
#include "cdprograms/game/resource.h"

#include <string.h>
#include <windows.h>

namespace {

// pszArguments: the command line after the program's name and the blanks
// that follow it, as WinMain has it.
void ShowHowStarted(HWND hDlg, const char* pszArguments)
{
    static const UINT kModeIds[] = {IDS_MODE_PLAY, IDS_MODE_SETUP, IDS_MODE_UNKNOWN};
    static_assert(sizeof(kModeIds) / sizeof(kModeIds[0]) == kGameUnknown + 1, "one text for each mode");
    const UINT nMode = kModeIds[ReadGameMode(pszArguments)];
    char szText[MAX_PATH + 1];
    if (LoadStringA(GetModuleHandleA(nullptr), nMode, szText, sizeof(szText)) <= 0)
        szText[0] = '\0';
    SetDlgItemTextA(hDlg, IDC_MODE, szText);

    char szDir[MAX_PATH];
    GetProgramDir(szDir);
    SetDlgItemTextA(hDlg, IDC_PROGRAM_FOLDER, szDir);

    const DWORD nCurrent = GetCurrentDirectoryA(sizeof(szText), szText);
    if (nCurrent == 0 || nCurrent >= sizeof(szText))
        szText[0] = '\0';
    SetDlgItemTextA(hDlg, IDC_CURRENT_FOLDER, szText);

    SetDlgItemTextA(hDlg, IDC_COMMAND_LINE, GetCommandLineA());
}

INT_PTR CALLBACK GameDialogProc(HWND hDlg, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    switch (nMessage) {
    case WM_INITDIALOG: {
        HICON hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_GAME));
        SendMessageA(hDlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
        SendMessageA(hDlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
        ShowHowStarted(hDlg, reinterpret_cast<const char*>(lParam));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(hDlg, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR pszArguments, int)
{
    DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_GAME), nullptr, GameDialogProc,
                    reinterpret_cast<LPARAM>(pszArguments));
    return 0;
}
