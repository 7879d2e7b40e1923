#include "app/CdCheckBatch.h"

#include "app/WholeFile.h"

#include <string.h>

void GetCdCheckBatchText(const char* pszProbe, const char* pszCommand, CdCheckBatchText& apszText)
{
    // One line of the batch file to a line here, as it reads on disk:
    // clang-format off
    const char* const apszPieces[] = {
        "@echo off\n",
        "if exist ", pszProbe, " goto found_cd\n",
        "echo The Orvane Win95 installer can't find a cdrom drive installed\n",
        "echo  when in MS-DOS mode. Please try going to a MS-DOS prompt and\n",
        "echo  switch to your cdrom drive (usually D: [enter]), then type\n",
        "echo  \"install\" (minus the quotes, of course) and press enter.\n",
        "goto post_install\n",
        ":found_cd\n",
        pszCommand, " %1 %2 %3 %4 %5 %6\n",
        ":post_install\n",
        "echo Trying to return to Windows 95.\n",
        "pause\n",
        "echo please ignore the 'batch file missing' message you are about to see\n",
        // The last line has no line end: the file ends with its last character.
        "del ", QX_CD_CHECK_BATCH_PATH,
    };
    // clang-format on
    static_assert(sizeof(apszPieces) == sizeof(apszText), "every piece has its place");
    memcpy(apszText, apszPieces, sizeof(apszPieces));
}

BOOL WriteCdCheckBatch(const char* pszPath, const char* pszProbe, const char* pszCommand)
{
    // A short or mixed batch file would run half its lines in MS-DOS mode.
    CdCheckBatchText apszText;
    GetCdCheckBatchText(pszProbe, pszCommand, apszText);
    return ReplaceFileWhole(pszPath, apszText, kCdCheckBatchPieces);
}
