// The run script's hand on the launcher window, a small console program run
// in the same Wine prefix: "wait" prints the window's rectangle once it is up
// and painted; "close" ends it as the Quit button would.
#include "res/resource.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

BOOL CALLBACK FindLauncher(HWND hWnd, LPARAM lParam)
{
    char szClass[64] = "";
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    // The launcher dialog: a visible dialog with the backdrop frame and the
    // View Readme button.
    if (strcmp(szClass, "#32770") == 0 && IsWindowVisible(hWnd) && GetDlgItem(hWnd, IDC_BACKDROP_FRAME) &&
        GetDlgItem(hWnd, IDC_VIEW_README)) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForLauncher(DWORD nTimeoutMs)
{
    const DWORD nStart = GetTickCount();
    for (;;) {
        HWND hFound = nullptr;
        EnumWindows(FindLauncher, reinterpret_cast<LPARAM>(&hFound));
        if (hFound)
            return hFound;
        if (GetTickCount() - nStart > nTimeoutMs)
            return nullptr;
        Sleep(10);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: qx_driver wait|close\n");
        return 2;
    }
    HWND hDlg = WaitForLauncher(20000);
    if (!hDlg) {
        fprintf(stderr, "qx_driver: no launcher window\n");
        return 1;
    }
    if (strcmp(argv[1], "wait") == 0) {
        // Once the window has answered a sent message its first paint is
        // queued; give it a moment to draw.
        DWORD_PTR nResult = 0;
        SendMessageTimeoutA(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &nResult);
        Sleep(500);
        RECT rcWindow, rcClient;
        GetWindowRect(hDlg, &rcWindow);
        GetClientRect(hDlg, &rcClient);
        POINT ptClient = {0, 0};
        ClientToScreen(hDlg, &ptClient);
        printf("window %ld %ld %ld %ld client %ld %ld %ld %ld\n", rcWindow.left, rcWindow.top,
               rcWindow.right - rcWindow.left, rcWindow.bottom - rcWindow.top, ptClient.x, ptClient.y,
               rcClient.right, rcClient.bottom);
        return 0;
    }
    if (strcmp(argv[1], "close") == 0) {
        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    fprintf(stderr, "qx_driver: unknown command %s\n", argv[1]);
    return 2;
}
