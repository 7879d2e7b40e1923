// A program that imports a function Windows 95 does not have (it came with
// Windows 98 and NT 4.0), for the test that the import check names it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return IsDebuggerPresent() ? 1 : 0;
}
