#include "cdprograms/install/InstallMessage.h"

#include "cdprograms/install/resource.h"

#include <string.h>

namespace {

// Enough for any one sentence of InstallText.h with a path or two in it.
const unsigned kPartSize = 3 * kPathSize;

// The system's words for nError, or the installer's own when the failure has
// no code (what was read back is not what was written).
void ErrorText(CInstallTexts& texts, InstallError nError, char* pszOut, unsigned nSize)
{
    if (nError)
        texts.DescribeError(nError, pszOut, nSize);
    else
        texts.LoadText(IDS_NOT_AS_WRITTEN, pszOut, nSize);
}

// Text nId with up to three pieces in it.
void Compose(CInstallTexts& texts, char* pszOut, unsigned nSize, unsigned nId, const char* psz1 = nullptr,
             const char* psz2 = nullptr, const char* psz3 = nullptr)
{
    char szFormat[kPartSize];
    texts.LoadText(nId, szFormat, sizeof(szFormat));
    FormatInstallText(pszOut, nSize, szFormat, psz1, psz2, psz3);
}

// What went wrong, in one sentence.
void DescribeFailure(CInstallTexts& texts, const char* pszTarget, const InstallOutcome& outcome, char* pszOut,
                     unsigned nSize)
{
    char szError[kPathSize];
    ErrorText(texts, outcome.nError, szError, sizeof(szError));
    const char* pszPath = outcome.szPath;
    switch (outcome.result) {
    case kResultDone:
    case kResultBadRequest:
        Compose(texts, pszOut, nSize, IDS_BAD_REQUEST, *pszPath ? pszPath : pszTarget);
        break;
    case kResultNoGameFiles:
        Compose(texts, pszOut, nSize, IDS_NO_GAME_FILES, pszPath);
        break;
    case kResultTooLong:
        Compose(texts, pszOut, nSize, IDS_TOO_LONG_IN_GAME, pszPath, pszTarget);
        break;
    case kResultTooManyFiles:
        Compose(texts, pszOut, nSize, IDS_TOO_MANY);
        break;
    case kResultReadGame:
        Compose(texts, pszOut, nSize, IDS_READ_GAME, pszPath, szError);
        break;
    case kResultFileInTheWay:
        Compose(texts, pszOut, nSize, IDS_FILE_IN_THE_WAY, pszPath);
        break;
    case kResultFolderInTheWay:
        Compose(texts, pszOut, nSize, IDS_FOLDER_IN_THE_WAY, pszPath);
        break;
    case kResultNoDrive:
        Compose(texts, pszOut, nSize, IDS_NO_DRIVE, pszPath);
        break;
    case kResultJournal:
        Compose(texts, pszOut, nSize, IDS_JOURNAL, pszPath, szError);
        break;
    case kResultCreateFolder:
        Compose(texts, pszOut, nSize, IDS_CREATE_FOLDER, pszPath, szError);
        break;
    case kResultCopyFile:
        Compose(texts, pszOut, nSize, IDS_COPY_FILE, pszPath, pszTarget, szError);
        break;
    case kResultWriteFolder:
        Compose(texts, pszOut, nSize, IDS_WRITE_FOLDER, pszTarget, szError);
        break;
    case kResultReplaceFile:
        Compose(texts, pszOut, nSize, IDS_REPLACE, pszPath, szError);
        break;
    case kResultReadSetting:
        Compose(texts, pszOut, nSize, IDS_READ_SETTING, szError);
        break;
    case kResultSettingChanged:
        Compose(texts, pszOut, nSize, IDS_SETTING_CHANGED, pszPath);
        break;
    case kResultSettingReadOnly:
        texts.LoadText(IDS_READ_ONLY_FILE, szError, sizeof(szError));
        Compose(texts, pszOut, nSize, IDS_RECORD, szError);
        break;
    case kResultWriteSetting:
    case kResultSettingNotReadBack:
        Compose(texts, pszOut, nSize, IDS_RECORD, szError);
        break;
    }
}

// What the disk holds after the failure: undone or not, recorded or not.
void DescribeState(CInstallTexts& texts, const InstallOutcome& outcome, char* pszOut, unsigned nSize)
{
    const char* pszRecorded = outcome.szRecorded[0] ? outcome.szRecorded : nullptr;
    if (outcome.szLeft[0]) {
        char szError[kPathSize];
        ErrorText(texts, outcome.nLeftError, szError, sizeof(szError));
        Compose(texts, pszOut, nSize, pszRecorded ? IDS_NOT_UNDONE_RECORDED : IDS_NOT_UNDONE, outcome.szLeft,
                szError, pszRecorded);
    } else if (outcome.bChanged) {
        Compose(texts, pszOut, nSize, pszRecorded ? IDS_UNDONE_RECORDED : IDS_UNDONE, pszRecorded);
    } else {
        Compose(texts, pszOut, nSize, pszRecorded ? IDS_NOTHING_CHANGED_RECORDED : IDS_NOTHING_CHANGED,
                pszRecorded);
    }
}

} // namespace

void FormatInstallText(char* pszOut, unsigned nSize, const char* pszFormat, const char* psz1,
                       const char* psz2, const char* psz3)
{
    if (nSize == 0)
        return;
    const char* const apszPieces[] = {psz1, psz2, psz3};
    unsigned nPiece = 0, nOut = 0;
    auto put = [&](char ch) {
        if (nOut + 1 < nSize)
            pszOut[nOut++] = ch;
    };
    for (const char* p = pszFormat; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            const char* pszPiece = nPiece < 3 ? apszPieces[nPiece++] : nullptr;
            for (const char* q = pszPiece ? pszPiece : ""; *q; ++q)
                put(*q);
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            put('%');
            ++p;
        } else {
            put(*p);
        }
    }
    pszOut[nOut] = '\0';
}

void DescribeInstallOutcome(CInstallTexts& texts, const char* pszTarget, const InstallOutcome& outcome,
                            char* pszOut, unsigned nSize)
{
    if (outcome.result == kResultDone) {
        char szDone[kPartSize];
        Compose(texts, szDone, sizeof(szDone), IDS_DONE, pszTarget);
        if (!outcome.szLeft[0]) {
            FormatInstallText(pszOut, nSize, "%s", szDone);
            return;
        }
        char szError[kPathSize], szLeft[kPartSize];
        ErrorText(texts, outcome.nLeftError, szError, sizeof(szError));
        Compose(texts, szLeft, sizeof(szLeft), IDS_LEFT_OVER, outcome.szLeft, szError);
        FormatInstallText(pszOut, nSize, "%s\n\n%s", szDone, szLeft);
        return;
    }
    char szFailure[kPartSize], szState[kPartSize];
    DescribeFailure(texts, pszTarget, outcome, szFailure, sizeof(szFailure));
    DescribeState(texts, outcome, szState, sizeof(szState));
    Compose(texts, pszOut, nSize, IDS_FAILED_FRAME, szFailure, szState);
}

void DescribeInstallRecovery(CInstallTexts& texts, const InstallRecoveryOutcome& outcome, char* pszOut,
                             unsigned nSize)
{
    char szDone[kPartSize] = "";
    switch (outcome.recovery) {
    case kRecoveryNone:
        break;
    case kRecoveryFinished:
        Compose(texts, szDone, sizeof(szDone), IDS_RECOVERED_FINISHED, outcome.szPath);
        break;
    case kRecoveryUndone:
        Compose(texts, szDone, sizeof(szDone), IDS_RECOVERED_UNDONE, outcome.szPath);
        break;
    case kRecoverySetting:
        if (outcome.bSettingRestored)
            Compose(texts, szDone, sizeof(szDone), IDS_RECOVERED_SETTING);
        break;
    }
    if (!outcome.szLeft[0]) {
        FormatInstallText(pszOut, nSize, "%s", szDone);
        return;
    }
    char szError[kPathSize], szLeft[kPartSize];
    ErrorText(texts, outcome.nLeftError, szError, sizeof(szError));
    Compose(texts, szLeft, sizeof(szLeft), IDS_RECOVERY_LEFT, outcome.szLeft, szError);
    FormatInstallText(pszOut, nSize, szDone[0] ? "%s\n\n%s" : "%s%s", szDone, szLeft);
}

void DescribeInstallDirCheck(CInstallTexts& texts, const InstallDirCheck& check, char* pszOut, unsigned nSize)
{
    static const unsigned kIds[] = {0,
                                    IDS_EMPTY,
                                    IDS_NOT_FULL,
                                    IDS_TOO_LONG,
                                    IDS_BAD_CHAR,
                                    IDS_BAD_NAME,
                                    IDS_TWO_BLANKS,
                                    IDS_NOT_DOS_NAME,
                                    IDS_DEVICE_NAME};
    static_assert(sizeof(kIds) / sizeof(kIds[0]) == kInstallDirDeviceName + 1, "one text for each verdict");
    const char szBad[] = {check.chBad, '\0'};
    Compose(texts, pszOut, nSize, kIds[check.verdict],
            check.verdict == kInstallDirDeviceName ? check.szPart : szBad);
}

void DescribeInstallProgress(CInstallTexts& texts, unsigned long nFile, unsigned long nFiles,
                             const char* pszName, char* pszOut, unsigned nSize)
{
    char szFile[12], szFiles[12];
    FormatInstallNumber(nFile + 1, szFile);
    FormatInstallNumber(nFiles, szFiles);
    Compose(texts, pszOut, nSize, IDS_PROGRESS, pszName, szFile, szFiles);
}
