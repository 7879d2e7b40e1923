// What the MS-DOS installer reads in the marker file that the launcher
// leaves for MS-DOS mode: the one line "win95dir <Windows directory>" and
// CR LF. Without Windows running, it is the only way to find the Windows
// directory, and so qx.ini. Standard C++ only, for the native unit tests.
#pragma once

#include "res/CdContract.h"

#include <stddef.h>

enum
{
    // MS-DOS's own limit for a folder: a longer Windows directory cannot be
    // what Windows 95 itself runs from.
    kMaxMarkerWindowsDir = QX_DOS_MAX_FOLDER,
};

// Reads the Windows directory from the file's nLength bytes into szDir.
// False when the file is not such a line: another keyword, no directory or
// not a full one below a drive's root ("C:\WINDOWS"), characters no path holds, more than
// kMaxMarkerWindowsDir characters, or anything but blank lines (and
// MS-DOS's end-of-file mark, Ctrl+Z) after it. The keyword's case, blanks
// around the directory, backslashes after it and the kind of line end (CR
// LF, LF, none) do not matter: an editor may have touched the file.
bool ReadMarker(const char* pText, size_t nLength, char (&szDir)[kMaxMarkerWindowsDir + 1]);
