#include "app/MarkerFile.h"

#include "app/WholeFile.h"
#include "res/CdContract.h"

BOOL WriteMarkerFile(const char* pszPath, const char* pszWindowsDir)
{
    // A cut directory would send the MS-DOS programs to the wrong place.
    const char* const apszText[] = {QX_MARKER_KEYWORD " ", pszWindowsDir, "\n"};
    return ReplaceFileWhole(pszPath, apszText, sizeof(apszText) / sizeof(apszText[0]));
}
