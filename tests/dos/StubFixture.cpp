// A Windows program with what the CD's stripped programs lack, for the
// tests of dosstub: a COFF symbol table and a debug directory (a build id),
// both of which hold file offsets.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
