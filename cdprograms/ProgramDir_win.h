// What both of the CD's programs need to know of themselves.
#pragma once

#include <windows.h>

// The directory of this program without a trailing backslash ("D:" on a
// CD's root); empty when the system cannot report the program's path.
inline void GetProgramDir(char (&szDir)[MAX_PATH])
{
    const DWORD n = GetModuleFileNameA(nullptr, szDir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        szDir[0] = '\0';
    // CharNextA: a trail byte of a double-byte character may look like '\'.
    char* pLastSlash = nullptr;
    for (char* p = szDir; *p; p = CharNextA(p)) {
        if (*p == '\\')
            pLastSlash = p;
    }
    if (pLastSlash)
        *pLastSlash = '\0';
}
