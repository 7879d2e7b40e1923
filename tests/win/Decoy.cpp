// A program put where a wrongly read command line would find one (C:\MY.EXE
// beside a CD folder C:\MY CD, say). When started it adds "decoy" and its
// command line to the file that QX_TEST_RAN names, as the sample CD's batch
// files do, and ends without a window.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char szPath[MAX_PATH];
    const DWORD nPath = GetEnvironmentVariableA("QX_TEST_RAN", szPath, sizeof(szPath));
    if (nPath == 0 || nPath >= sizeof(szPath))
        return 1;
    HANDLE hFile = CreateFileA(szPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 1;
    const char* const pszCommandLine = GetCommandLineA();
    DWORD nWritten = 0;
    WriteFile(hFile, "decoy ", 6, &nWritten, nullptr);
    WriteFile(hFile, pszCommandLine, lstrlenA(pszCommandLine), &nWritten, nullptr);
    WriteFile(hFile, "\r\n", 2, &nWritten, nullptr);
    CloseHandle(hFile);
    return 0;
}
