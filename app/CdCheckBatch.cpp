#include "app/CdCheckBatch.h"

#include "app/WholeFile.h"

#include <stdio.h>

bool EmitCdCheckBatch(const char* pszProbe, const char* pszCommand, CdCheckBatchSink pfnPiece, void* pContext)
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
    for (const char* pszPiece : apszPieces) {
        if (!pfnPiece(pszPiece ? pszPiece : "", pContext))
            return false;
    }
    return true;
}

namespace {

struct CdCheckBatch
{
    const char* pszProbe;
    const char* pszCommand;
};

bool PutPiece(const char* pszPiece, void* pContext)
{
    return fputs(pszPiece, static_cast<FILE*>(pContext)) >= 0;
}

bool WriteText(FILE* pFile, void* pContext)
{
    const CdCheckBatch* const pBatch = static_cast<const CdCheckBatch*>(pContext);
    return EmitCdCheckBatch(pBatch->pszProbe, pBatch->pszCommand, PutPiece, pFile);
}

} // namespace

BOOL WriteCdCheckBatch(const char* pszPath, const char* pszProbe, const char* pszCommand)
{
    // A short or mixed batch file would run half its lines in MS-DOS mode.
    CdCheckBatch batch = {pszProbe, pszCommand};
    return ReplaceFileWhole(pszPath, WriteText, &batch);
}
