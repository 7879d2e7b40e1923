#include "app/MarkerFile.h"

#include <stdio.h>

BOOL WriteMarkerFile(const char* pszPath, const char* pszWindowsDir)
{
    if (!pszPath || !*pszPath)
        return FALSE;
    FILE* pFile = fopen(pszPath, "w");
    if (!pFile)
        return FALSE;

    // Every step is checked here: a C library's fclose need not report a
    // final flush that failed.
    bool bWritten =
        fputs("win95dir ", pFile) >= 0 && fputs(pszWindowsDir, pFile) >= 0 && fputs("\n", pFile) >= 0;
    bWritten = fflush(pFile) == 0 && bWritten;
    bWritten = fclose(pFile) == 0 && bWritten;
    if (!bWritten) {
        remove(pszPath);
        return FALSE;
    }
    return TRUE;
}
