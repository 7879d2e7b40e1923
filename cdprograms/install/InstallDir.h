// The rules for the folder the game is installed in. Standard library only,
// so that the rules build natively for unit tests.
#pragma once

#include "res/CdContract.h"

#include <stddef.h>

enum
{
    // MS-DOS's limit for a folder; the launcher's command lines are
    // checked to fit with folders this long.
    kMaxInstallDir = QX_DOS_MAX_FOLDER
};

enum InstallDirVerdict
{
    kInstallDirOk,
    kInstallDirEmpty,
    kInstallDirNotFull,    // no drive letter, colon and backslash in front, or a bare drive root
    kInstallDirTooLong,    // more than kMaxInstallDir characters
    kInstallDirBadChar,    // a character that file names or the command lines cannot carry
    kInstallDirBadName,    // an empty, "." or ".." part, or a part ending in a blank or a dot
    kInstallDirTwoBlanks,  // the batch files get the folder back only with single blanks
    kInstallDirNotDosName, // MS-DOS's rules: a part that is no 8.3 name
    kInstallDirDeviceName, // a part that names a device (CON, NUL, LPT1.DIR), in szPart
};

enum InstallDirRules
{
    kWindowsFolderRules,
    // For the installer in MS-DOS mode: the Windows rules, and each part an
    // MS-DOS name (QX_DOS_MAX_BASE_NAME characters, a dot and
    // QX_DOS_MAX_EXTENSION more at most) without blanks or + [ ]. (The
    // length of the folder holds for both.)
    kDosFolderRules,
};

struct InstallDirCheck
{
    InstallDirVerdict verdict;
    char chBad; // the character refused, for kInstallDirBadChar
    // The part refused, as typed, for kInstallDirDeviceName.
    char szPart[kMaxInstallDir + 1];
    // The folder as it will be used and recorded: leading and trailing
    // blanks and trailing backslashes taken off. Empty unless the verdict is
    // kInstallDirOk.
    char szDir[kMaxInstallDir + 1];
};

// Checks the folder as the user typed it (NUL-terminated, any length).
// The launcher passes the folder unquoted to a batch file through the
// command interpreter, so the characters the interpreter treats specially
// (& % ^ and the argument separators other than a single blank) are refused
// along with those that no file name may hold. So are the names that
// MS-DOS and Windows keep for devices in every folder (CON, PRN, AUX, NUL,
// COM1 to COM4, LPT1 to LPT3, CLOCK$), with any extension, in any part: the
// system would make such a folder, and then open the device in its place.
InstallDirCheck CheckInstallDir(const char* pszTyped, InstallDirRules rules = kWindowsFolderRules);
