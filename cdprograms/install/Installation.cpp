#include "cdprograms/install/Installation.h"

#include "res/CdContract.h"
#include "cdprograms/install/InstallSetting.h"

#include <string.h>

namespace {

const char kLogName[] = "~QXSETUP.TMP";
const char kNewIniName[] = "~QXINI.NEW";
const char kOldIniName[] = "~QXINI.OLD";
// Another program's qx.ini, written while Setup swapped the files.
const char kOtherIniName[] = "~QXINI.OTH";
const char kNewExtension[] = "NEW";
const char kOldExtension[] = "OLD";
// Beside a new file that had no old one, while it is replaced: empty.
const char kNoneExtension[] = "NON";
// What a file's replacing puts aside.
const char* const kAsideExtensions[] = {kNoneExtension, kOldExtension};
// The journal beside qx.ini: "~QXRUN." and how far the run got, in its
// extension; "NEW" while it is written, before it says anything.
const char kJournalNewName[] = "~QXRUN.NEW";
const char kJournalCopying[] = "CPY";
const char kJournalMoving[] = "MOV";
const char kJournalRecording[] = "INI";
const char kJournalEnding[] = "END";
const char kJournalUndoing[] = "BAK";
// "~QX", five digits in base 36, a dot and an extension: an 8.3 name of
// the longest.
const unsigned kTempNameLength = QX_DOS_MAX_NAME;
const unsigned long kMaxFiles = 36UL * 36 * 36 * 36 * 36;
const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

char Upper(char ch)
{
    return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
}

bool IsDots(const char* pszName)
{
    return pszName[0] == '.' && (pszName[1] == '\0' || (pszName[1] == '.' && pszName[2] == '\0'));
}

// A name of the shape Setup gives its temporary files and its log.
bool IsTempName(const char* pszName)
{
    return strlen(pszName) == kTempNameLength && pszName[0] == '~' && Upper(pszName[1]) == 'Q' &&
           Upper(pszName[2]) == 'X' && pszName[QX_DOS_MAX_BASE_NAME] == '.';
}

bool SameText(const char* psz1, const char* psz2)
{
    for (; *psz1 && Upper(*psz1) == Upper(*psz2); ++psz1, ++psz2) {
    }
    return Upper(*psz1) == Upper(*psz2);
}

// A number that a line of the log or journal gives; false when it is none.
bool ParseNumber(const char* psz, unsigned long* pn)
{
    unsigned long n = 0;
    if (!*psz)
        return false;
    for (; *psz; ++psz) {
        if (*psz < '0' || *psz > '9' || n > 400000000UL)
            return false;
        n = n * 10 + static_cast<unsigned long>(*psz - '0');
    }
    *pn = n;
    return true;
}

// Appends a backslash and pszName when the whole fits in kPathSize.
bool Append(char* pszPath, const char* pszName)
{
    const size_t nPath = strlen(pszPath), nName = strlen(pszName);
    if (nPath + 1 + nName >= kPathSize)
        return false;
    pszPath[nPath] = '\\';
    memcpy(pszPath + nPath + 1, pszName, nName + 1);
    return true;
}

// The part of a path after its last backslash.
const char* LastName(const char* pszPath)
{
    const char* pszName = pszPath;
    for (const char* p = pszPath; *p; ++p) {
        if (*p == '\\')
            pszName = p + 1;
    }
    return pszName;
}

void CutName(char* pszPath)
{
    char* pszName = const_cast<char*>(LastName(pszPath));
    if (pszName != pszPath)
        pszName[-1] = '\0';
}

// Copies a path known to fit in kPathSize.
void CopyPath(char* pszTo, const char* pszFrom)
{
    memcpy(pszTo, pszFrom, strlen(pszFrom) + 1);
}

// Copies as much of pszFrom as fits in kPathSize.
void CopyCut(char* pszTo, const char* pszFrom)
{
    size_t n = strlen(pszFrom);
    if (n >= kPathSize)
        n = kPathSize - 1;
    memcpy(pszTo, pszFrom, n);
    pszTo[n] = '\0';
}

// The folder of pszPath with pszName in place of its last name, when it fits.
bool Beside(char* pszTo, const char* pszPath, const char* pszName)
{
    if (strlen(pszPath) >= kPathSize)
        return false;
    CopyPath(pszTo, pszPath);
    CutName(pszTo);
    return Append(pszTo, pszName);
}

// szTo: pszFolder, a backslash and the temporary name of file nIndex, with
// that extension ("~QX" and nIndex in five digits of base 36). pszFolder
// leaves room for the name.
void MakeTempName(char (&szTo)[kPathSize], const char* pszFolder, unsigned long nIndex,
                  const char* pszExtension)
{
    static const char kShape[] = "\\~QX00000.";
    const size_t nFolder = strlen(pszFolder);
    char* p = szTo + nFolder;
    memcpy(szTo, pszFolder, nFolder + 1);
    memcpy(p, kShape, sizeof(kShape));
    for (int i = 8; i >= 4; --i) {
        p[i] = kDigits[nIndex % 36];
        nIndex /= 36;
    }
    memcpy(p + 10, pszExtension, 4);
}

} // namespace

void FormatInstallNumber(unsigned long n, char (&szOut)[12])
{
    char szReversed[12];
    unsigned nDigits = 0;
    do {
        szReversed[nDigits++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n);
    for (unsigned i = 0; i < nDigits; ++i)
        szOut[i] = szReversed[nDigits - 1 - i];
    szOut[nDigits] = '\0';
}

bool CInstallation::Run(CInstallFileSystem& fs, const InstallRequest& request, InstallOutcome* pOutcome)
{
    m_pFs = &fs;
    m_pRequest = &request;
    m_pOutcome = pOutcome;
    memset(pOutcome, 0, sizeof(*pOutcome));
    m_nFiles = m_nFile = m_nCommitted = m_nMoved = 0;
    m_nFirstCreated = 0;
    m_bLogOpen = m_bLogMade = false;
    m_pszJournalState = nullptr;
    m_bRecovering = m_bCommitBegun = false;

    if (!Prepare())
        return false;
    // The journal first: a run cut off from here on is finished or undone
    // by the next one.
    bool bDone = Journal(kJournalCopying);
    bDone = bDone && CreateTargetFolders();
    if (bDone) {
        m_pOutcome->bChanged = true;
        m_bLogMade = true;
        const InstallError nError = fs.CreateToWrite(m_szLog, &m_hLog);
        m_bLogOpen = nError == 0;
        bDone = m_bLogOpen || Fail(kResultWriteFolder, m_pRequest->pszTargetFolder, nError);
    }
    bDone = bDone && Walk(kWalkCopy);
    if (bDone) {
        m_bLogOpen = false;
        m_nFilesCopied = m_nFile;
        const InstallError nError = fs.Close(m_hLog);
        bDone = nError == 0 || Fail(kResultWriteFolder, m_pRequest->pszTargetFolder, nError);
    }
    bDone = bDone && Journal(kJournalMoving) && ReplayLog(kReplayCommit) && ReplayLog(kReplayVerify) &&
            Journal(kJournalRecording) && Record();
    if (!bDone) {
        // Once files are being replaced, a cut-off undoing is undone again
        // from what the disk holds.
        if (m_pszJournalState && m_pszJournalState != kJournalCopying)
            Journal(kJournalUndoing);
        RollBack();
        EndJournal();
        return false;
    }
    // The game is recorded: a journal that still says so much is enough.
    const InstallError nError = RenameJournal(kJournalEnding);
    if (nError)
        Left(m_szJournal, nError);
    CleanUp();
    EndJournal();
    return true;
}

// Checks the request, reads what is recorded, and goes through the CD's
// tree once without writing anything: every path must fit before the first
// file is copied.
bool CInstallation::Prepare()
{
    const InstallRequest& request = *m_pRequest;
    const char* pszTarget = request.pszTargetFolder;
    m_nMaxFolder = request.nMaxFolder < kPathSize ? request.nMaxFolder : kPathSize - 1;
    m_nMaxPath = request.nMaxPath < kPathSize ? request.nMaxPath : kPathSize - 1;
    if (request.nBufferSize < kMinBufferSize || strlen(request.pszGameFolder) >= kPathSize ||
        !Beside(m_szNewIni, request.pszIniPath, kNewIniName) ||
        !Beside(m_szOldIni, request.pszIniPath, kOldIniName))
        return Fail(kResultBadRequest, "", 0);
    // A full path below a drive's root, as the folder rules give it, with
    // room for the log.
    m_nTargetRoot = static_cast<unsigned>(strlen(pszTarget));
    if (m_nTargetRoot < 4 || pszTarget[1] != ':' || pszTarget[2] != '\\' || m_nTargetRoot > m_nMaxFolder ||
        m_nTargetRoot + 1 + kTempNameLength > m_nMaxPath)
        return Fail(kResultBadRequest, pszTarget, 0);
    CopyPath(m_szLog, pszTarget);
    Append(m_szLog, kLogName);
    CopyPath(m_szSource, request.pszGameFolder);
    CopyPath(m_szTarget, pszTarget);
    m_nSourceRoot = static_cast<unsigned>(strlen(m_szSource));

    m_pFs->FlushSettings(request.pszIniPath);
    InstallError nError = ReadInstallDirSetting(*m_pFs, request.pszIniPath, request.pBuffer,
                                                request.nBufferSize, m_pOutcome->szRecorded, kPathSize);
    if (nError)
        return Fail(kResultReadSetting, request.pszIniPath, nError);
    // A read-only qx.ini is not Setup's to change, as it is not the system's
    // profile functions': refused before anything is written.
    unsigned nAttributes = 0;
    nError = m_pFs->GetAttributes(request.pszIniPath, &nAttributes);
    if (nError || (nAttributes & kAttributeReadOnly))
        return Fail(nError ? kResultReadSetting : kResultSettingReadOnly, request.pszIniPath, nError);

    InstallFileKind kind;
    nError = m_pFs->GetKind(m_szSource, &kind);
    if (nError)
        return Fail(kResultReadGame, m_szSource, nError);
    if (kind != kKindFolder)
        return Fail(kResultNoGameFiles, m_szSource, 0);
    if (!Walk(kWalkCount))
        return false;
    return m_nFiles != 0 || Fail(kResultNoGameFiles, m_szSource, 0);
}

// Writes the journal beside qx.ini the first time, whole (the target folder
// and how much of it the run creates), then renames it to say how far the
// run got: a rename is one change of a folder entry.
bool CInstallation::Journal(const char* pszExtension)
{
    if (m_pszJournalState) {
        const InstallError nError = RenameJournal(pszExtension);
        return nError == 0 || Fail(kResultJournal, m_szJournal, nError);
    }
    const char* pszTarget = m_pRequest->pszTargetFolder;
    Beside(m_szJournal, m_pRequest->pszIniPath, kJournalNewName);
    // The first folder of the target that is not there yet; m_szTarget is
    // the target folder until the tree is copied.
    unsigned nFirstMissing = 0;
    for (unsigned i = 3; nFirstMissing == 0; ++i) {
        const char ch = m_szTarget[i];
        if (ch != '\\' && ch != '\0')
            continue;
        m_szTarget[i] = '\0';
        InstallFileKind kind;
        if (m_pFs->GetKind(m_szTarget, &kind) == 0 && kind == kKindNothing)
            nFirstMissing = i;
        m_szTarget[i] = ch;
        if (ch == '\0')
            break;
    }
    InstallHandle hJournal;
    InstallError nError = m_pFs->CreateToWrite(m_szJournal, &hJournal);
    if (nError) {
        Remove(m_szJournal);
        return Fail(kResultJournal, m_szJournal, nError);
    }
    // "target\r\nnumber\r\n"
    char szDigits[12], szNumber[12 + 2];
    FormatInstallNumber(nFirstMissing, szDigits);
    memcpy(szNumber, szDigits, sizeof(szDigits));
    memcpy(szNumber + strlen(szNumber), "\r\n", 3);
    nError = m_pFs->Write(hJournal, pszTarget, static_cast<unsigned>(strlen(pszTarget)));
    if (!nError)
        nError = m_pFs->Write(hJournal, "\r\n", 2);
    if (!nError)
        nError = m_pFs->Write(hJournal, szNumber, static_cast<unsigned>(strlen(szNumber)));
    const InstallError nCloseError = m_pFs->Close(hJournal);
    if (!nError)
        nError = nCloseError;
    if (!nError) {
        nError = RenameJournal(pszExtension);
        if (!nError)
            return true;
    }
    Remove(m_szJournal);
    return Fail(kResultJournal, m_szJournal, nError);
}

// Gives the journal the extension that says how far the run got.
InstallError CInstallation::RenameJournal(const char* pszExtension)
{
    char szRenamed[kPathSize];
    CopyPath(szRenamed, m_szJournal);
    memcpy(szRenamed + strlen(szRenamed) - 3, pszExtension, 4);
    const InstallError nError = m_pFs->Rename(m_szJournal, szRenamed);
    if (!nError) {
        CopyPath(m_szJournal, szRenamed);
        m_pszJournalState = pszExtension;
    }
    return nError;
}

// The journal of a run that was cut off: its target folder, and the log
// and the first folder it creates that follow from it.
bool CInstallation::ReadJournal()
{
    InstallHandle hJournal;
    if (m_pFs->OpenToRead(m_szJournal, &hJournal) != 0)
        return false;
    unsigned nRead = 0;
    const InstallError nError = m_pFs->Read(hJournal, m_pRequest->pBuffer, kPathSize + 16, &nRead);
    m_pFs->Close(hJournal);
    if (nError)
        return false;
    // "target\r\nnumber\r\n"
    const char* p = m_pRequest->pBuffer;
    const char* pEnd = p + nRead;
    unsigned nLine = 0, nLines = 0;
    char szNumber[13] = "";
    for (; p < pEnd && nLines < 2; ++p) {
        if (*p == '\n') {
            if (nLine && m_szLine[nLine - 1] == '\r')
                --nLine;
            m_szLine[nLine] = '\0';
            if (nLines++ == 0)
                CopyCut(m_szTarget, m_szLine);
            else if (nLine < sizeof(szNumber))
                memcpy(szNumber, m_szLine, nLine + 1);
            nLine = 0;
        } else if (nLine + 1 < kPathSize) {
            m_szLine[nLine++] = *p;
        } else {
            return false;
        }
    }
    unsigned long nFirst = 0;
    m_nTargetRoot = static_cast<unsigned>(strlen(m_szTarget));
    if (nLines != 2 || !ParseNumber(szNumber, &nFirst) || nFirst > m_nTargetRoot || m_nTargetRoot < 4 ||
        m_szTarget[1] != ':' || m_szTarget[2] != '\\' || m_nTargetRoot + 1 + kTempNameLength >= kPathSize)
        return false;
    m_nFirstCreated = static_cast<unsigned>(nFirst);
    CopyPath(m_szLog, m_szTarget);
    Append(m_szLog, kLogName);
    return true;
}

// The run is over: its journal goes.
void CInstallation::EndJournal()
{
    if (m_pszJournalState)
        Remove(m_szJournal);
    m_pszJournalState = nullptr;
}

// qx.ini missing beside ~QXINI.OLD: a run was cut off while it swapped
// them, and the old one is the user's file.
void CInstallation::RestoreSetting()
{
    const char* pszIni = m_pRequest->pszIniPath;
    InstallFileKind kind, kindOld;
    if (m_pFs->GetKind(pszIni, &kind) != 0 || kind != kKindNothing ||
        m_pFs->GetKind(m_szOldIni, &kindOld) != 0 || kindOld != kKindFile)
        return;
    const InstallError nError = m_pFs->Rename(m_szOldIni, pszIni);
    if (nError)
        Left(m_szOldIni, nError);
    else
        m_bSettingRestored = true;
    m_pFs->FlushSettings(pszIni);
}

void CInstallation::Recover(CInstallFileSystem& fs, const InstallRequest& request,
                            InstallRecoveryOutcome* pOutcome)
{
    m_pFs = &fs;
    m_pRequest = &request;
    m_pOutcome = &m_recovered;
    memset(&m_recovered, 0, sizeof(m_recovered));
    memset(pOutcome, 0, sizeof(*pOutcome));
    m_bSettingRestored = false;
    m_bLogOpen = false;
    m_pszJournalState = nullptr;
    const char* pszIni = request.pszIniPath;
    // The journal's name and the copies' are as long as each other.
    if (request.nBufferSize < kMinBufferSize || !Beside(m_szJournal, pszIni, kJournalNewName))
        return;
    Beside(m_szNewIni, pszIni, kNewIniName);
    Beside(m_szOldIni, pszIni, kOldIniName);
    RestoreSetting();
    // A journal never written whole: the run had not begun.
    Remove(m_szJournal);
    static const char* const kStates[] = {kJournalCopying, kJournalMoving, kJournalRecording, kJournalEnding,
                                          kJournalUndoing};
    for (const char* pszExtension : kStates) {
        memcpy(m_szJournal + strlen(m_szJournal) - 3, pszExtension, 4);
        InstallFileKind kind;
        if (fs.GetKind(m_szJournal, &kind) == 0 && kind == kKindFile) {
            m_pszJournalState = pszExtension;
            break;
        }
    }
    const char* const pszState = m_pszJournalState;
    if (pszState) {
        if (!ReadJournal()) {
            Left(m_szJournal, 0);
        } else {
            // A cut while recording: the setting says which way it went.
            bool bForward = pszState == kJournalEnding;
            if (pszState == kJournalRecording) {
                bForward = ReadInstallDirSetting(fs, pszIni, request.pBuffer, request.nBufferSize,
                                                 m_recovered.szRecorded, kPathSize) == 0 &&
                           strcmp(m_recovered.szRecorded, m_szTarget) == 0;
            }
            m_bCommitBegun = pszState != kJournalCopying;
            if (bForward) {
                CleanUp();
                // qx.ini holds the user's other settings now: the old copy is
                // not the last one.
                InstallFileKind kind;
                if (fs.GetKind(pszIni, &kind) == 0 && kind == kKindFile && Exists(m_szOldIni))
                    Remove(m_szOldIni);
            } else {
                if (m_bCommitBegun && pszState != kJournalUndoing)
                    Journal(kJournalUndoing);
                m_bLogMade = true;
                m_bRecovering = true;
                RollBack();
                m_bRecovering = false;
            }
            pOutcome->recovery = bForward ? kRecoveryFinished : kRecoveryUndone;
            CopyPath(pOutcome->szPath, m_szTarget);
            // A new copy of qx.ini that was not put in place.
            Remove(m_szNewIni);
        }
        if (!m_recovered.szLeft[0])
            EndJournal();
    } else if (m_bSettingRestored) {
        pOutcome->recovery = kRecoverySetting;
    }
    pOutcome->bSettingRestored = m_bSettingRestored;
    CopyPath(pOutcome->szLeft, m_recovered.szLeft);
    pOutcome->nLeftError = m_recovered.nLeftError;
}

// Goes through the folder m_szSource, whose place in the target is
// m_szTarget: counting (and checking) or copying.
bool CInstallation::Walk(WalkMode mode)
{
    InstallFind find;
    InstallError nError = m_pFs->FindFirst(m_szSource, &find, &m_entry);
    if (nError)
        return Fail(kResultReadGame, m_szSource, nError);
    bool bOk = true;
    while (bOk && m_entry.szName[0]) {
        if (!IsDots(m_entry.szName) && !IsTempName(m_entry.szName)) {
            const bool bFolder = m_entry.bFolder;
            const bool bSource = Append(m_szSource, m_entry.szName);
            const bool bTarget = bSource && Append(m_szTarget, m_entry.szName);
            if (!bTarget)
                bOk = Fail(kResultTooLong, bSource ? GameName() : m_entry.szName, 0);
            else if (bFolder)
                bOk = WalkFolder(mode);
            else
                bOk = WalkFile(mode);
            if (bSource)
                CutName(m_szSource);
            if (bTarget)
                CutName(m_szTarget);
        }
        if (bOk) {
            nError = m_pFs->FindNext(&find, &m_entry);
            if (nError)
                bOk = Fail(kResultReadGame, m_szSource, nError);
        }
    }
    m_pFs->FindClose(&find);
    return bOk;
}

bool CInstallation::WalkFolder(WalkMode mode)
{
    if (strlen(m_szTarget) > m_nMaxFolder)
        return Fail(kResultTooLong, GameName(), 0);
    if (mode == kWalkCount)
        return Walk(kWalkCount);

    InstallFileKind kind;
    const InstallError nError = m_pFs->GetKind(m_szTarget, &kind);
    if (nError)
        return Fail(kResultCreateFolder, m_szTarget, nError);
    if (kind == kKindFile)
        return Fail(kResultFileInTheWay, m_szTarget, 0);
    // Logged first: whatever the log names is undone, whether it happened
    // or not.
    const bool bCreate = kind == kKindNothing;
    if (!WriteLog(bCreate ? 'C' : 'D', LastName(m_szTarget)))
        return false;
    if (bCreate) {
        const InstallError nCreateError = m_pFs->CreateFolder(m_szTarget);
        if (nCreateError)
            return Fail(kResultCreateFolder, m_szTarget, nCreateError);
    }
    return Walk(kWalkCopy) && WriteLog('U', nullptr);
}

bool CInstallation::WalkFile(WalkMode mode)
{
    const size_t nFolder = strlen(m_szTarget) - strlen(LastName(m_szTarget)) - 1;
    if (strlen(m_szTarget) > m_nMaxPath || nFolder + 1 + kTempNameLength > m_nMaxPath)
        return Fail(kResultTooLong, GameName(), 0);
    if (mode == kWalkCount) {
        if (m_nFiles == kMaxFiles)
            return Fail(kResultTooManyFiles, "", 0);
        ++m_nFiles;
        return true;
    }
    // The tree may have changed since it was counted.
    if (m_nFile == kMaxFiles)
        return Fail(kResultTooManyFiles, "", 0);

    InstallFileKind kind;
    const InstallError nError = m_pFs->GetKind(m_szTarget, &kind);
    if (nError)
        return Fail(kResultCopyFile, GameName(), nError);
    if (kind == kKindFolder)
        return Fail(kResultFolderInTheWay, m_szTarget, 0);
    if (!WriteLog('F', LastName(m_szTarget)))
        return false;
    m_pFs->OnProgress(m_nFile, m_nFiles, GameName());
    // The new copy goes beside the file, under a temporary name.
    m_szTarget[nFolder] = '\0';
    MakeTempName(m_szTempName, m_szTarget, m_nFile++, kNewExtension);
    m_szTarget[nFolder] = '\\';
    if (!CopyFile())
        return false;
    // The size it must have at its real name.
    char szSize[12];
    FormatInstallNumber(m_nCopied, szSize);
    return WriteLog('S', szSize);
}

// Creates the target folder and every missing folder above it.
bool CInstallation::CreateTargetFolders()
{
    // Past "X:\": each backslash ends a folder, and so does the end.
    for (unsigned i = 3;; ++i) {
        const char ch = m_szTarget[i];
        if (ch != '\\' && ch != '\0')
            continue;
        m_szTarget[i] = '\0';
        InstallFileKind kind;
        InstallError nError = m_pFs->GetKind(m_szTarget, &kind);
        bool bOk = true;
        if (nError) {
            bOk = Fail(kResultCreateFolder, m_szTarget, nError);
        } else if (kind == kKindFile) {
            bOk = Fail(kResultFileInTheWay, m_szTarget, 0);
        } else if (kind == kKindNothing) {
            nError = m_pFs->CreateFolder(m_szTarget);
            if (nError) {
                // Not a folder the drive lacks, when the drive is not there.
                const char szDrive[] = {m_szTarget[0], ':', '\0'};
                bool bDrive = true;
                if (m_nFirstCreated == 0) {
                    InstallFind find;
                    bDrive = m_pFs->FindFirst(szDrive, &find, &m_entry) == 0;
                    if (bDrive)
                        m_pFs->FindClose(&find);
                }
                bOk = bDrive ? Fail(kResultCreateFolder, m_szTarget, nError)
                             : Fail(kResultNoDrive, szDrive, nError);
            } else {
                m_pOutcome->bChanged = true;
                if (!m_nFirstCreated)
                    m_nFirstCreated = i;
            }
        }
        m_szTarget[i] = ch;
        if (!bOk || ch == '\0')
            return bOk;
    }
}

bool CInstallation::CopyFile()
{
    char* pBuffer = m_pRequest->pBuffer;
    InstallHandle hFrom, hTo;
    InstallError nError = m_pFs->OpenToRead(m_szSource, &hFrom);
    if (nError)
        return Fail(kResultCopyFile, GameName(), nError);
    m_nCopied = 0;
    nError = m_pFs->CreateToWrite(m_szTempName, &hTo);
    if (!nError) {
        for (;;) {
            unsigned nRead = 0;
            nError = m_pFs->Read(hFrom, pBuffer, m_pRequest->nBufferSize, &nRead);
            if (nError || nRead == 0)
                break;
            m_nCopied += nRead;
            nError = m_pFs->Write(hTo, pBuffer, nRead);
            if (nError)
                break;
        }
        const InstallError nCloseError = m_pFs->Close(hTo);
        if (!nError)
            nError = nCloseError;
    }
    m_pFs->Close(hFrom);
    return nError == 0 || Fail(kResultCopyFile, GameName(), nError);
}

// One line of the log: a kind and a name ("C name" a folder created, "D name"
// a folder that was there, "F name" a file, "S size" the size of the file
// before it once copied), or "U" for the end of a folder.
bool CInstallation::WriteLog(char chKind, const char* pszName)
{
    char* p = m_szLine;
    *p++ = chKind;
    if (pszName) {
        *p++ = ' ';
        const size_t n = strlen(pszName);
        memcpy(p, pszName, n + 1);
        p += n;
    }
    *p++ = '\r';
    *p++ = '\n';
    const InstallError nError = m_pFs->Write(m_hLog, m_szLine, static_cast<unsigned>(p - m_szLine));
    return nError == 0 || Fail(kResultWriteFolder, m_pRequest->pszTargetFolder, nError);
}

// Writes InstallDir into qx.ini: a changed copy beside it, read back, then
// put in the old one's place.
bool CInstallation::Record()
{
    const InstallRequest& request = *m_pRequest;
    const char* pszIni = request.pszIniPath;
    const char* pszFolder = request.pszTargetFolder;

    CIniScanner scan;
    scan.Start(nullptr, 0);
    m_pFs->FlushSettings(pszIni);
    InstallError nError = ScanIniFile(*m_pFs, pszIni, request.pBuffer, request.nBufferSize, &scan);
    if (nError)
        return Fail(kResultReadSetting, pszIni, nError);

    InstallHandle hNew;
    nError = m_pFs->CreateToWrite(m_szNewIni, &hNew);
    if (nError) {
        Remove(m_szNewIni);
        return Fail(kResultWriteSetting, pszIni, nError);
    }
    unsigned long nWritten = 0;
    IniCopyResult copied = CopyIniWithInstallDir(*m_pFs, pszIni, scan, pszFolder, hNew, request.pBuffer,
                                                 request.nBufferSize, &nWritten, &nError);
    const InstallError nCloseError = m_pFs->Close(hNew);
    if (copied == kIniCopied && nCloseError) {
        copied = kIniWriteFailed;
        nError = nCloseError;
    }
    if (copied != kIniCopied) {
        Remove(m_szNewIni);
        const InstallResult result = copied == kIniReadFailed ? kResultReadSetting
                                     : copied == kIniChanged  ? kResultSettingNotReadBack
                                                              : kResultWriteSetting;
        return Fail(result, pszIni, nError);
    }

    // What the disk holds now, not what the writes said: the whole text, and
    // the folder as the value that counts.
    CIniScanner check;
    char szReadBack[kPathSize + 4];
    check.Start(szReadBack, sizeof(szReadBack));
    nError = ScanIniFile(*m_pFs, m_szNewIni, request.pBuffer, request.nBufferSize, &check);
    if (nError || !check.HasKey() || check.Size() != nWritten || strcmp(szReadBack, pszFolder) != 0) {
        Remove(m_szNewIni);
        return Fail(kResultSettingNotReadBack, pszIni, nError);
    }
    // The new file keeps the old one's hidden and system attributes; one
    // that became read-only meanwhile is still refused.
    unsigned nAttributes = 0;
    nError = m_pFs->GetAttributes(pszIni, &nAttributes);
    if (!nError && (nAttributes & kAttributeReadOnly)) {
        Remove(m_szNewIni);
        return Fail(kResultSettingReadOnly, pszIni, 0);
    }
    nAttributes &= kAttributeHidden | kAttributeSystem;
    if (!nError && nAttributes)
        nError = m_pFs->SetAttributes(m_szNewIni, nAttributes | kAttributeArchive);
    if (nError) {
        Remove(m_szNewIni);
        return Fail(kResultWriteSetting, pszIni, nError);
    }

    // The old file steps aside under a name of its own, so that it is never
    // lost: there is no rename that replaces a file.
    InstallFileKind kind;
    nError = m_pFs->GetKind(pszIni, &kind);
    if (!nError && kind != kKindNothing) {
        if (Exists(m_szOldIni))
            nError = m_pFs->Delete(m_szOldIni);
        if (!nError)
            nError = m_pFs->Rename(pszIni, m_szOldIni);
    }
    if (nError) {
        Remove(m_szNewIni);
        return Fail(kResultWriteSetting, pszIni, nError);
    }
    const bool bOld = kind != kKindNothing;
    nError = m_pFs->Rename(m_szNewIni, pszIni);
    if (nError) {
        if (bOld) {
            InstallError nBackError = m_pFs->Rename(m_szOldIni, pszIni);
            // Another program wrote a qx.ini of its own in between: that one
            // steps aside under a name the message gives, and the user's
            // file comes back under its own.
            char szOther[kPathSize];
            Beside(szOther, pszIni, kOtherIniName);
            if (nBackError && Exists(pszIni) && !Exists(szOther) && m_pFs->Rename(pszIni, szOther) == 0) {
                nBackError = m_pFs->Rename(m_szOldIni, pszIni);
                if (!nBackError) {
                    Remove(m_szNewIni);
                    m_pFs->FlushSettings(pszIni);
                    return Fail(kResultSettingChanged, szOther, 0);
                }
            }
            // The user's file, where it is.
            if (nBackError)
                Left(m_szOldIni, nBackError);
        }
        Remove(m_szNewIni);
        return Fail(kResultWriteSetting, pszIni, nError);
    }
    m_pFs->FlushSettings(pszIni);
    // What the launcher will read, where the system reads it its own way.
    if (!m_pFs->ConfirmSetting(pszIni, pszFolder)) {
        nError = m_pFs->Delete(pszIni);
        if (!nError && bOld)
            nError = m_pFs->Rename(m_szOldIni, pszIni);
        if (nError)
            Left(pszIni, nError);
        m_pFs->FlushSettings(pszIni);
        return Fail(kResultSettingNotReadBack, pszIni, 0);
    }
    if (bOld)
        Remove(m_szOldIni);
    return true;
}

// Reads the log back and does what the replay asks for each line: replaces
// the files, undoes the run, or removes the old files after success.
bool CInstallation::ReplayLog(Replay replay)
{
    InstallHandle hLog;
    InstallError nError = m_pFs->OpenToRead(m_szLog, &hLog);
    // Replacing and verifying fail the run; undoing and cleaning up go on.
    const bool bMustRead = replay == kReplayCommit || replay == kReplayVerify;
    if (nError) {
        if (bMustRead)
            return Fail(kResultWriteFolder, m_pRequest->pszTargetFolder, nError);
        // A log that was never written had nothing to undo.
        if (Exists(m_szLog))
            Left(m_szLog, nError);
        return false;
    }
    m_szTarget[m_nTargetRoot] = '\0';
    m_nFile = 0;
    m_bSizePending = false;
    unsigned nDepth = 0, nLine = 0;
    bool bOk = true;
    while (bOk) {
        unsigned nRead = 0;
        // The first half of the buffer: verifying reads files into the other.
        nError = m_pFs->Read(hLog, m_pRequest->pBuffer, m_pRequest->nBufferSize / 2, &nRead);
        if (nError || nRead == 0)
            break;
        for (unsigned i = 0; bOk && i < nRead; ++i) {
            const char ch = m_pRequest->pBuffer[i];
            if (ch == '\n') {
                if (nLine && m_szLine[nLine - 1] == '\r')
                    --nLine;
                m_szLine[nLine] = '\0';
                nLine = 0;
                bOk = ReplayLine(replay, &nDepth);
            } else if (nLine + 1 < sizeof(m_szLine)) {
                m_szLine[nLine++] = ch;
            } else {
                bOk = ReplayLine(replay, nullptr);
            }
        }
    }
    m_pFs->Close(hLog);
    // A line cut short by a failed write is the log's last one, and the run
    // did not do what it names.
    if (nError) {
        bOk = false;
        if (bMustRead)
            Fail(kResultWriteFolder, m_pRequest->pszTargetFolder, nError);
        else
            Left(m_szLog, nError);
    }
    // A log cut short leaves folders it entered and never left.
    for (; nDepth > 0; --nDepth) {
        if (replay == kReplayRollBack && (m_abCreated[(nDepth - 1) / 8] & (1u << ((nDepth - 1) % 8))))
            RemoveFolder(m_szTarget);
        CutName(m_szTarget);
    }
    m_szTarget[m_nTargetRoot] = '\0';
    // The log names every file copied, each with its size: a log whose
    // writes the disk lost names fewer.
    if (bOk && bMustRead && (m_nFile != m_nFilesCopied || m_bSizePending))
        return Fail(kResultWriteFolder, m_pRequest->pszTargetFolder, 0);
    return bOk;
}

// One line of the log; pnDepth null for a line that is not the log's own.
bool CInstallation::ReplayLine(Replay replay, unsigned* pnDepth)
{
    const char chKind = m_szLine[0];
    const char* pszName = m_szLine + 2;
    bool bOk = pnDepth != nullptr;
    if (bOk && chKind == 'U' && m_szLine[1] == '\0' && *pnDepth > 0) {
        const unsigned nLevel = --*pnDepth;
        if (replay == kReplayRollBack && (m_abCreated[nLevel / 8] & (1u << (nLevel % 8))))
            RemoveFolder(m_szTarget);
        CutName(m_szTarget);
        return true;
    }
    bOk = bOk && m_szLine[1] == ' ' && *pszName;
    unsigned long nSize = 0;
    if (bOk && chKind == 'S' && ParseNumber(pszName, &nSize)) {
        if (replay != kReplayVerify)
            return true;
        if (m_bSizePending) {
            m_bSizePending = false;
            return VerifyFile(nSize);
        }
        bOk = false;
    }
    if (bOk && (chKind == 'C' || chKind == 'D')) {
        const unsigned nLevel = *pnDepth;
        if (nLevel < sizeof(m_abCreated) * 8 && Append(m_szTarget, pszName)) {
            const unsigned char bit = static_cast<unsigned char>(1u << (nLevel % 8));
            if (chKind == 'C')
                m_abCreated[nLevel / 8] |= bit;
            else
                m_abCreated[nLevel / 8] &= static_cast<unsigned char>(~bit);
            ++*pnDepth;
            return true;
        }
        bOk = false;
    }
    // Room for the name and for a temporary name beside it.
    if (bOk && chKind == 'F' && strlen(m_szTarget) + 1 + kTempNameLength < kPathSize) {
        CopyPath(m_szFile, m_szTarget);
        if (Append(m_szFile, pszName)) {
            const unsigned long nIndex = m_nFile++;
            switch (replay) {
            case kReplayCommit:
                return CommitFile(nIndex);
            case kReplayRollBack:
                if (m_bRecovering)
                    RecoverFile(nIndex);
                else
                    RollBackFile(nIndex);
                return true;
            case kReplayCleanUp:
                for (const char* pszExtension : kAsideExtensions) {
                    MakeTempName(m_szTempName, m_szTarget, nIndex, pszExtension);
                    Remove(m_szTempName);
                }
                return true;
            case kReplayVerify:
                if (m_bSizePending)
                    break;
                m_bSizePending = true;
                return true;
            }
        }
    }
    // Not a line the run wrote.
    if (replay == kReplayCommit || replay == kReplayVerify)
        return Fail(kResultWriteFolder, m_pRequest->pszTargetFolder, 0);
    Left(m_szLog, 0);
    return false;
}

// Puts file nIndex's new copy in its place: the old file, if any, steps
// aside as ~QXnnnnn.OLD.
bool CInstallation::CommitFile(unsigned long nIndex)
{
    // Ones of an earlier run that stopped half-way are not ours to keep.
    for (const char* pszExtension : kAsideExtensions) {
        MakeTempName(m_szTempName, m_szTarget, nIndex, pszExtension);
        if (Exists(m_szTempName)) {
            const InstallError nError = m_pFs->Delete(m_szTempName);
            if (nError)
                return Fail(kResultReplaceFile, m_szFile, nError);
        }
    }
    m_nCommitted = nIndex + 1;
    InstallFileKind kind;
    InstallError nError = m_pFs->GetKind(m_szFile, &kind);
    if (nError)
        return Fail(kResultReplaceFile, m_szFile, nError);
    if (kind == kKindFolder)
        return Fail(kResultFolderInTheWay, m_szFile, 0);
    if (kind == kKindFile) {
        nError = m_pFs->Rename(m_szFile, m_szTempName);
    } else {
        // An empty file says that there was no old one, to a run that finds
        // this one cut off.
        MakeTempName(m_szTempName, m_szTarget, nIndex, kNoneExtension);
        InstallHandle hNone;
        nError = m_pFs->CreateToWrite(m_szTempName, &hNone);
        if (!nError)
            nError = m_pFs->Close(hNone);
    }
    if (nError)
        return Fail(kResultReplaceFile, m_szFile, nError);
    MakeTempName(m_szTempName, m_szTarget, nIndex, kNewExtension);
    nError = m_pFs->Rename(m_szTempName, m_szFile);
    if (nError)
        return Fail(kResultReplaceFile, m_szFile, nError);
    m_nMoved = nIndex + 1;
    return true;
}

void CInstallation::RollBackFile(unsigned long nIndex)
{
    // The run knows how far replacing went, and asks the disk nothing it
    // could answer wrongly: a new copy that was moved is the file at the real
    // name, and only a file whose replacing began may have an old one aside.
    MakeTempName(m_szTempName, m_szTarget, nIndex, kNewExtension);
    Remove(nIndex < m_nMoved ? m_szFile : m_szTempName);
    if (nIndex >= m_nCommitted)
        return;
    MakeTempName(m_szTempName, m_szTarget, nIndex, kOldExtension);
    if (Exists(m_szTempName)) {
        const InstallError nError = m_pFs->Rename(m_szTempName, m_szFile);
        if (!nError)
            return;
        if (Exists(m_szTempName)) {
            Left(m_szTempName, nError);
            return;
        }
    }
    MakeTempName(m_szTempName, m_szTarget, nIndex, kNoneExtension);
    if (Exists(m_szTempName))
        Remove(m_szTempName);
}

// Undoes file nIndex of a run that was cut off, from what the disk holds
// (see Installation.h): each step leaves a state that the next look tells
// apart, so that a cut here too is undone by the next run.
void CInstallation::RecoverFile(unsigned long nIndex)
{
    const bool bNew = FindTempFile(m_szTempName, nIndex, kNewExtension);
    if ((bNew && !Remove(m_szTempName)) || !m_bCommitBegun)
        return;
    InstallFileKind kind;
    const InstallError nError = m_pFs->GetKind(m_szFile, &kind);
    if (nError) {
        Left(m_szFile, nError);
        return;
    }
    const bool bOld = FindTempFile(m_szTempName, nIndex, kOldExtension);
    if (!bOld && !FindTempFile(m_szTempName, nIndex, kNoneExtension))
        return;
    // The old file, still at its name: what is aside is some earlier run's.
    if (bNew && kind == kKindFile)
        return;
    if (kind == kKindFile) {
        const InstallError nDeleteError = m_pFs->Delete(m_szFile);
        if (nDeleteError) {
            Left(m_szFile, nDeleteError);
            return;
        }
    }
    if (!bOld) {
        Remove(m_szTempName);
        return;
    }
    const InstallError nRenameError = m_pFs->Rename(m_szTempName, m_szFile);
    if (nRenameError)
        Left(m_szTempName, nRenameError);
}

// szTemp: the temporary name of file nIndex with that extension; true when
// a file is there. One the system cannot look at is named as left.
bool CInstallation::FindTempFile(char (&szTemp)[kPathSize], unsigned long nIndex, const char* pszExtension)
{
    MakeTempName(szTemp, m_szTarget, nIndex, pszExtension);
    InstallFileKind kind;
    const InstallError nError = m_pFs->GetKind(szTemp, &kind);
    if (nError)
        Left(szTemp, nError);
    return nError == 0 && kind == kKindFile;
}

// Reads back the file at m_szFile, which must hold nSize bytes.
bool CInstallation::VerifyFile(unsigned long nSize)
{
    const char* pszName = m_szFile + m_nTargetRoot + 1;
    InstallHandle hFile;
    InstallError nError = m_pFs->OpenToRead(m_szFile, &hFile);
    if (nError)
        return Fail(kResultCopyFile, pszName, nError);
    unsigned long nTotal = 0;
    for (;;) {
        unsigned nRead = 0;
        const unsigned nHalf = m_pRequest->nBufferSize / 2;
        nError = m_pFs->Read(hFile, m_pRequest->pBuffer + nHalf, m_pRequest->nBufferSize - nHalf, &nRead);
        if (nError || nRead == 0)
            break;
        nTotal += nRead;
    }
    m_pFs->Close(hFile);
    if (nError || nTotal != nSize)
        return Fail(kResultCopyFile, pszName, nError);
    return true;
}

// Removes the temporary copies in the target's tree that the log may not
// name: a log whose last lines never reached the disk.
void CInstallation::Sweep()
{
    InstallFind find;
    if (m_pFs->FindFirst(m_szTarget, &find, &m_entry) != 0)
        return;
    while (m_entry.szName[0]) {
        if (!IsDots(m_entry.szName) && Append(m_szTarget, m_entry.szName)) {
            if (m_entry.bFolder)
                Sweep();
            else if (IsTempName(m_entry.szName) &&
                     SameText(m_szTarget + strlen(m_szTarget) - 3, kNewExtension))
                Remove(m_szTarget);
            CutName(m_szTarget);
        }
        if (m_pFs->FindNext(&find, &m_entry) != 0)
            break;
    }
    m_pFs->FindClose(&find);
}

void CInstallation::RollBack()
{
    if (m_bLogOpen) {
        m_pFs->Close(m_hLog);
        m_bLogOpen = false;
    }
    if (m_bLogMade) {
        ReplayLog(kReplayRollBack);
        Remove(m_szLog);
        m_szTarget[m_nTargetRoot] = '\0';
        Sweep();
    }
    // The folders made for the target folder, deepest first: the run's own
    // target, which a run recovering another one's was not asked for.
    if (m_nFirstCreated) {
        char szFolder[kPathSize];
        m_szTarget[m_nTargetRoot] = '\0';
        CopyPath(szFolder, m_szTarget);
        for (size_t n = strlen(szFolder); n >= m_nFirstCreated; n = strlen(szFolder)) {
            RemoveFolder(szFolder);
            CutName(szFolder);
            if (strlen(szFolder) == n)
                break;
        }
    }
}

// After success: the old files go, then the log (kept when it could not be
// read back, with the old files it names), then the first-run files.
void CInstallation::CleanUp()
{
    if (ReplayLog(kReplayCleanUp))
        Remove(m_szLog);
    for (unsigned i = 0; i < m_pRequest->nFirstRunFiles; ++i)
        Remove(m_pRequest->ppszFirstRunFiles[i]);
}

bool CInstallation::Fail(InstallResult result, const char* pszPath, InstallError nError)
{
    if (m_pOutcome->result == kResultDone) {
        m_pOutcome->result = result;
        m_pOutcome->nError = nError;
        CopyCut(m_pOutcome->szPath, pszPath);
    }
    return false;
}

void CInstallation::Left(const char* pszPath, InstallError nError)
{
    if (!m_pOutcome->szLeft[0]) {
        CopyCut(m_pOutcome->szLeft, pszPath);
        m_pOutcome->nLeftError = nError;
    }
}

// Something is at pszPath, or the system cannot tell.
bool CInstallation::Exists(const char* pszPath)
{
    InstallFileKind kind;
    return m_pFs->GetKind(pszPath, &kind) != 0 || kind != kKindNothing;
}

bool CInstallation::Remove(const char* pszPath)
{
    const InstallError nError = m_pFs->Delete(pszPath);
    if (nError && Exists(pszPath)) {
        Left(pszPath, nError);
        return false;
    }
    return true;
}

void CInstallation::RemoveFolder(const char* pszPath)
{
    const InstallError nError = m_pFs->RemoveFolder(pszPath);
    if (nError && Exists(pszPath))
        Left(pszPath, nError);
}
