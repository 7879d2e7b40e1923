// The one-line file that tells the MS-DOS-mode programs where Windows is.
// Standard library only.
#pragma once

#include "app/Portable.h"

// Writes "win95dir <Windows directory>" and a line end, in text mode, to
// pszPath, replacing any old file whole (ReplaceFileWhole). FALSE when it
// could not be written whole; the old file, if any, then stays as it was.
BOOL WriteMarkerFile(const char* pszPath, const char* pszWindowsDir);
