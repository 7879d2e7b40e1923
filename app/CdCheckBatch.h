// The batch file that MS-DOS mode runs to find the CD's installer again.
// Standard library only.
#pragma once

#include "app/Portable.h"
// QX_CD_CHECK_BATCH_PATH: where the batch file lives; its last line deletes
// this very file.
#include "res/CdContract.h"

// The batch file's text, piece by piece in order, with "\n" line ends (text
// mode turns them into CR LF on disk). A null probe or command counts as
// empty.
enum
{
    kCdCheckBatchPieces = 18
};
typedef const char* CdCheckBatchText[kCdCheckBatchPieces];
void GetCdCheckBatchText(const char* pszProbe, const char* pszCommand, CdCheckBatchText& apszText);

// Writes the batch file to pszPath in text mode, replacing any old one whole
// (ReplaceFileWhole). The batch file tests pszProbe and runs pszCommand.
// FALSE when it could not be written whole; the old file, if any, then stays
// as it was, so that MS-DOS mode never runs a short or mixed one.
BOOL WriteCdCheckBatch(const char* pszPath, const char* pszProbe, const char* pszCommand);
