// The one-line file that tells the MS-DOS-mode programs where Windows is.
// Standard library only.
#pragma once

#include "app/Portable.h"

// Writes "win95dir <Windows directory>" and a line end, in text mode, to
// pszPath, replacing any old file. FALSE when the file could not be opened or
// written; a partly written file is removed, since a cut directory would
// send the MS-DOS programs to the wrong place.
BOOL WriteMarkerFile(const char* pszPath, const char* pszWindowsDir);
