#include "app/MarkerFile.h"

#include "app/WholeFile.h"

namespace {

bool WriteText(FILE* pFile, void* pContext)
{
    return fputs("win95dir ", pFile) >= 0 && fputs(*static_cast<const char* const*>(pContext), pFile) >= 0 &&
           fputs("\n", pFile) >= 0;
}

} // namespace

BOOL WriteMarkerFile(const char* pszPath, const char* pszWindowsDir)
{
    // A cut directory would send the MS-DOS programs to the wrong place.
    return ReplaceFileWhole(pszPath, WriteText, &pszWindowsDir);
}
