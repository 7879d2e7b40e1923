#include "Installation.h"

#include "InstallSetting.h"

#include <string.h>

namespace {

const char kLogName[] = "~QXSETUP.TMP";
const char kNewIniName[] = "~QXINI.NEW";
const char kOldIniName[] = "~QXINI.OLD";
const char kNewExtension[] = "NEW";
const char kOldExtension[] = "OLD";
// "~QX", five digits in base 36, a dot and an extension.
const unsigned kTempNameLength = 12;
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
           Upper(pszName[2]) == 'X' && pszName[8] == '.';
}

// Appends a backslash and pszName when the whole fits in kInstallPathSize.
bool Append(char* pszPath, const char* pszName)
{
    const size_t nPath = strlen(pszPath), nName = strlen(pszName);
    if (nPath + 1 + nName >= kInstallPathSize)
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

// Copies as much of pszFrom as fits in kInstallPathSize.
void CopyCut(char* pszTo, const char* pszFrom)
{
    size_t n = strlen(pszFrom);
    if (n >= kInstallPathSize)
        n = kInstallPathSize - 1;
    memcpy(pszTo, pszFrom, n);
    pszTo[n] = '\0';
}

// The folder of pszPath with pszName in place of its last name, when it fits.
bool Beside(char* pszTo, const char* pszPath, const char* pszName)
{
    if (strlen(pszPath) >= kInstallPathSize)
        return false;
    strcpy(pszTo, pszPath);
    CutName(pszTo);
    return Append(pszTo, pszName);
}

} // namespace

bool CInstallation::Run(CInstallFileSystem& fs, const CInstallRequest& request, CInstallOutcome* pOutcome)
{
    m_pFs = &fs;
    m_pRequest = &request;
    m_pOutcome = pOutcome;
    memset(pOutcome, 0, sizeof(*pOutcome));
    m_nFiles = m_nFile = m_nCommitted = 0;
    m_nFirstCreated = 0;
    m_bLogOpen = m_bLogMade = false;

    if (!Prepare())
        return false;
    bool bDone = CreateTargetFolders();
    if (bDone) {
        m_pOutcome->bChanged = true;
        m_bLogMade = true;
        const InstallError nError = fs.CreateToWrite(m_szLog, &m_hLog);
        m_bLogOpen = nError == 0;
        bDone = m_bLogOpen || Fail(kInstallWriteFolder, m_pRequest->pszTargetFolder, nError);
    }
    bDone = bDone && Walk(false);
    if (bDone) {
        m_bLogOpen = false;
        const InstallError nError = fs.Close(m_hLog);
        bDone = nError == 0 || Fail(kInstallWriteFolder, m_pRequest->pszTargetFolder, nError);
    }
    bDone = bDone && ReplayLog(kReplayCommit) && Record();
    if (!bDone) {
        RollBack();
        return false;
    }
    CleanUp();
    return true;
}

// Checks the request, reads what is recorded, and goes through the CD's
// tree once without writing anything: every path must fit before the first
// file is copied.
bool CInstallation::Prepare()
{
    const CInstallRequest& request = *m_pRequest;
    const char* pszTarget = request.pszTargetFolder;
    m_nMaxFolder = request.nMaxFolder < kInstallPathSize ? request.nMaxFolder : kInstallPathSize - 1;
    m_nMaxPath = request.nMaxPath < kInstallPathSize ? request.nMaxPath : kInstallPathSize - 1;
    if (request.nBufferSize < kInstallMinBuffer || strlen(request.pszGameFolder) >= kInstallPathSize ||
        !Beside(m_szPath, request.pszIniPath, kNewIniName))
        return Fail(kInstallBadRequest, "", 0);
    // A full path below a drive's root, as the folder rules give it, with
    // room for the log.
    m_nTargetRoot = static_cast<unsigned>(strlen(pszTarget));
    if (m_nTargetRoot < 4 || pszTarget[1] != ':' || pszTarget[2] != '\\' || m_nTargetRoot > m_nMaxFolder ||
        m_nTargetRoot + 1 + kTempNameLength > m_nMaxPath)
        return Fail(kInstallBadRequest, pszTarget, 0);
    strcpy(m_szLog, pszTarget);
    Append(m_szLog, kLogName);
    strcpy(m_szSource, request.pszGameFolder);
    strcpy(m_szTarget, pszTarget);
    m_nSourceRoot = static_cast<unsigned>(strlen(m_szSource));

    m_pFs->FlushSettings(request.pszIniPath);
    InstallError nError =
        ReadInstallDirSetting(*m_pFs, request.pszIniPath, request.pBuffer, request.nBufferSize,
                              m_pOutcome->szRecorded, kInstallPathSize);
    if (nError)
        return Fail(kInstallReadSetting, request.pszIniPath, nError);

    InstallFileKind kind;
    nError = m_pFs->GetKind(m_szSource, &kind);
    if (nError)
        return Fail(kInstallReadGame, m_szSource, nError);
    if (kind != kInstallFolder)
        return Fail(kInstallNoGameFiles, m_szSource, 0);
    if (!Walk(true))
        return false;
    return m_nFiles != 0 || Fail(kInstallNoGameFiles, m_szSource, 0);
}

// Goes through the folder m_szSource, whose place in the target is
// m_szTarget: counting (and checking) or copying.
bool CInstallation::Walk(bool bCount)
{
    CInstallFind find;
    InstallError nError = m_pFs->FindFirst(m_szSource, &find, &m_entry);
    if (nError)
        return Fail(kInstallReadGame, m_szSource, nError);
    bool bOk = true;
    while (bOk && m_entry.szName[0]) {
        if (!IsDots(m_entry.szName) && !IsTempName(m_entry.szName)) {
            const bool bFolder = m_entry.bFolder;
            const bool bSource = Append(m_szSource, m_entry.szName);
            const bool bTarget = bSource && Append(m_szTarget, m_entry.szName);
            if (!bTarget)
                bOk = Fail(kInstallTooLong, bSource ? GameName() : m_entry.szName, 0);
            else if (bFolder)
                bOk = WalkFolder(bCount);
            else
                bOk = WalkFile(bCount);
            if (bSource)
                CutName(m_szSource);
            if (bTarget)
                CutName(m_szTarget);
        }
        if (bOk) {
            nError = m_pFs->FindNext(&find, &m_entry);
            if (nError)
                bOk = Fail(kInstallReadGame, m_szSource, nError);
        }
    }
    m_pFs->FindClose(&find);
    return bOk;
}

bool CInstallation::WalkFolder(bool bCount)
{
    if (strlen(m_szTarget) > m_nMaxFolder)
        return Fail(kInstallTooLong, GameName(), 0);
    if (bCount)
        return Walk(true);

    InstallFileKind kind;
    const InstallError nError = m_pFs->GetKind(m_szTarget, &kind);
    if (nError)
        return Fail(kInstallCreateFolder, m_szTarget, nError);
    if (kind == kInstallFile)
        return Fail(kInstallInTheWay, m_szTarget, 0);
    // Logged first: whatever the log names is undone, whether it happened
    // or not.
    const bool bCreate = kind == kInstallNothing;
    if (!WriteLog(bCreate ? 'C' : 'D', LastName(m_szTarget)))
        return false;
    if (bCreate) {
        const InstallError nCreateError = m_pFs->CreateFolder(m_szTarget);
        if (nCreateError)
            return Fail(kInstallCreateFolder, m_szTarget, nCreateError);
    }
    return Walk(false) && WriteLog('U', nullptr);
}

bool CInstallation::WalkFile(bool bCount)
{
    const size_t nFolder = strlen(m_szTarget) - strlen(LastName(m_szTarget)) - 1;
    if (strlen(m_szTarget) > m_nMaxPath || nFolder + 1 + kTempNameLength > m_nMaxPath)
        return Fail(kInstallTooLong, GameName(), 0);
    if (bCount) {
        if (m_nFiles == kMaxFiles)
            return Fail(kInstallTooManyFiles, "", 0);
        ++m_nFiles;
        return true;
    }
    // The tree may have changed since it was counted.
    if (m_nFile == kMaxFiles)
        return Fail(kInstallTooManyFiles, "", 0);

    InstallFileKind kind;
    const InstallError nError = m_pFs->GetKind(m_szTarget, &kind);
    if (nError)
        return Fail(kInstallCopyFile, GameName(), nError);
    if (kind == kInstallFolder)
        return Fail(kInstallInTheWay, m_szTarget, 0);
    if (!WriteLog('F', LastName(m_szTarget)))
        return false;
    m_pFs->OnProgress(m_nFile, m_nFiles, GameName());
    memcpy(m_szPath, m_szTarget, nFolder);
    m_szPath[nFolder] = '\0';
    MakeTempName(m_szPath, m_nFile++, kNewExtension);
    return CopyFile();
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
            bOk = Fail(kInstallCreateFolder, m_szTarget, nError);
        } else if (kind == kInstallFile) {
            bOk = Fail(kInstallInTheWay, m_szTarget, 0);
        } else if (kind == kInstallNothing) {
            nError = m_pFs->CreateFolder(m_szTarget);
            if (nError) {
                bOk = Fail(kInstallCreateFolder, m_szTarget, nError);
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
        return Fail(kInstallCopyFile, GameName(), nError);
    nError = m_pFs->CreateToWrite(m_szTemp, &hTo);
    if (!nError) {
        for (;;) {
            unsigned nRead = 0;
            nError = m_pFs->Read(hFrom, pBuffer, m_pRequest->nBufferSize, &nRead);
            if (nError || nRead == 0)
                break;
            nError = m_pFs->Write(hTo, pBuffer, nRead);
            if (nError)
                break;
        }
        const InstallError nCloseError = m_pFs->Close(hTo);
        if (!nError)
            nError = nCloseError;
    }
    m_pFs->Close(hFrom);
    return nError == 0 || Fail(kInstallCopyFile, GameName(), nError);
}

// One line of the log: a kind and a name ("C name" a folder created, "D name"
// a folder that was there, "F name" a file), or "U" for the end of a folder.
bool CInstallation::WriteLog(char chKind, const char* pszName)
{
    char* p = m_szLine;
    *p++ = chKind;
    if (pszName) {
        *p++ = ' ';
        const size_t n = strlen(pszName);
        memcpy(p, pszName, n);
        p += n;
    }
    *p++ = '\r';
    *p++ = '\n';
    const InstallError nError = m_pFs->Write(m_hLog, m_szLine, static_cast<unsigned>(p - m_szLine));
    return nError == 0 || Fail(kInstallWriteFolder, m_pRequest->pszTargetFolder, nError);
}

// Writes InstallDir into qx.ini: a changed copy beside it, read back, then
// put in the old one's place.
bool CInstallation::Record()
{
    const CInstallRequest& request = *m_pRequest;
    const char* pszIni = request.pszIniPath;
    const char* pszFolder = request.pszTargetFolder;
    Beside(m_szPath, pszIni, kNewIniName);
    Beside(m_szTemp, pszIni, kOldIniName);

    CIniScanner scan;
    scan.Start(nullptr, 0);
    m_pFs->FlushSettings(pszIni);
    InstallError nError = ScanIniFile(*m_pFs, pszIni, request.pBuffer, request.nBufferSize, &scan);
    if (nError)
        return Fail(kInstallReadSetting, pszIni, nError);

    InstallHandle hNew;
    nError = m_pFs->CreateToWrite(m_szPath, &hNew);
    if (nError) {
        Remove(m_szPath);
        return Fail(kInstallWriteSetting, pszIni, nError);
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
        Remove(m_szPath);
        const InstallResult result = copied == kIniReadFailed ? kInstallReadSetting
                                     : copied == kIniChanged  ? kInstallSettingNotReadBack
                                                              : kInstallWriteSetting;
        return Fail(result, pszIni, nError);
    }

    // What the disk holds now, not what the writes said: the whole text, and
    // the folder as the value that counts.
    CIniScanner check;
    check.Start(m_szLine, sizeof(m_szLine));
    nError = ScanIniFile(*m_pFs, m_szPath, request.pBuffer, request.nBufferSize, &check);
    if (nError || !check.HasKey() || check.Size() != nWritten || strcmp(m_szLine, pszFolder) != 0) {
        Remove(m_szPath);
        return Fail(kInstallSettingNotReadBack, pszIni, nError);
    }

    // The old file steps aside under a name of its own, so that it is never
    // lost: there is no rename that replaces a file.
    InstallFileKind kind;
    nError = m_pFs->GetKind(pszIni, &kind);
    if (!nError && kind != kInstallNothing) {
        if (Exists(m_szTemp))
            nError = m_pFs->Delete(m_szTemp);
        if (!nError)
            nError = m_pFs->Rename(pszIni, m_szTemp);
    }
    if (nError) {
        Remove(m_szPath);
        return Fail(kInstallWriteSetting, pszIni, nError);
    }
    const bool bOld = kind != kInstallNothing;
    nError = m_pFs->Rename(m_szPath, pszIni);
    if (nError) {
        if (bOld) {
            const InstallError nBackError = m_pFs->Rename(m_szTemp, pszIni);
            if (nBackError)
                Left(pszIni, nBackError);
        }
        Remove(m_szPath);
        return Fail(kInstallWriteSetting, pszIni, nError);
    }
    if (bOld)
        Remove(m_szTemp);
    m_pFs->FlushSettings(pszIni);
    return true;
}

// Reads the log back and does what the replay asks for each line: replaces
// the files, undoes the run, or removes the old files after success.
bool CInstallation::ReplayLog(Replay replay)
{
    InstallHandle hLog;
    InstallError nError = m_pFs->OpenToRead(m_szLog, &hLog);
    if (nError) {
        if (replay == kReplayCommit)
            return Fail(kInstallWriteFolder, m_pRequest->pszTargetFolder, nError);
        // A log that was never written had nothing to undo.
        if (Exists(m_szLog))
            Left(m_szLog, nError);
        return false;
    }
    m_szTarget[m_nTargetRoot] = '\0';
    m_nFile = 0;
    unsigned nDepth = 0, nLine = 0;
    bool bOk = true;
    while (bOk) {
        unsigned nRead = 0;
        nError = m_pFs->Read(hLog, m_pRequest->pBuffer, m_pRequest->nBufferSize, &nRead);
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
        if (replay == kReplayCommit)
            Fail(kInstallWriteFolder, m_pRequest->pszTargetFolder, nError);
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
    if (bOk && chKind == 'F' && strlen(m_szTarget) + 1 + kTempNameLength < kInstallPathSize) {
        strcpy(m_szPath, m_szTarget);
        if (Append(m_szPath, pszName)) {
            const unsigned long nIndex = m_nFile++;
            switch (replay) {
            case kReplayCommit:
                return CommitFile(nIndex);
            case kReplayRollBack:
                RollBackFile(nIndex);
                return true;
            case kReplayCleanUp:
                MakeTempName(m_szTarget, nIndex, kOldExtension);
                if (Exists(m_szTemp))
                    Remove(m_szTemp);
                return true;
            }
        }
    }
    // Not a line the run wrote.
    if (replay == kReplayCommit)
        return Fail(kInstallWriteFolder, m_pRequest->pszTargetFolder, 0);
    Left(m_szLog, 0);
    return false;
}

// Puts file nIndex's new copy in its place: the old file, if any, steps
// aside as ~QXnnnnn.OLD.
bool CInstallation::CommitFile(unsigned long nIndex)
{
    MakeTempName(m_szTarget, nIndex, kOldExtension);
    // One of an earlier run that stopped half-way is not ours to keep.
    if (Exists(m_szTemp)) {
        const InstallError nError = m_pFs->Delete(m_szTemp);
        if (nError)
            return Fail(kInstallReplaceFile, m_szPath, nError);
    }
    m_nCommitted = nIndex + 1;
    InstallFileKind kind;
    InstallError nError = m_pFs->GetKind(m_szPath, &kind);
    if (nError)
        return Fail(kInstallReplaceFile, m_szPath, nError);
    if (kind == kInstallFolder)
        return Fail(kInstallInTheWay, m_szPath, 0);
    if (kind == kInstallFile) {
        nError = m_pFs->Rename(m_szPath, m_szTemp);
        if (nError)
            return Fail(kInstallReplaceFile, m_szPath, nError);
    }
    MakeTempName(m_szTarget, nIndex, kNewExtension);
    nError = m_pFs->Rename(m_szTemp, m_szPath);
    return nError == 0 || Fail(kInstallReplaceFile, m_szPath, nError);
}

void CInstallation::RollBackFile(unsigned long nIndex)
{
    MakeTempName(m_szTarget, nIndex, kNewExtension);
    if (nIndex >= m_nCommitted) {
        Remove(m_szTemp);
        return;
    }
    // Once the new copy has left its temporary name, it is the file at the
    // real name.
    InstallFileKind kind;
    if (m_pFs->GetKind(m_szTemp, &kind) == 0 && kind == kInstallNothing)
        Remove(m_szPath);
    else
        Remove(m_szTemp);
    MakeTempName(m_szTarget, nIndex, kOldExtension);
    if (Exists(m_szTemp)) {
        const InstallError nError = m_pFs->Rename(m_szTemp, m_szPath);
        if (nError)
            Left(m_szPath, nError);
    }
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
    }
    // The folders made for the target folder, deepest first.
    if (m_nFirstCreated) {
        strcpy(m_szPath, m_pRequest->pszTargetFolder);
        for (size_t n = strlen(m_szPath); n >= m_nFirstCreated; n = strlen(m_szPath)) {
            RemoveFolder(m_szPath);
            CutName(m_szPath);
            if (strlen(m_szPath) == n)
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
    if (m_pOutcome->result == kInstallDone) {
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
    return m_pFs->GetKind(pszPath, &kind) != 0 || kind != kInstallNothing;
}

void CInstallation::Remove(const char* pszPath)
{
    const InstallError nError = m_pFs->Delete(pszPath);
    if (nError && Exists(pszPath))
        Left(pszPath, nError);
}

void CInstallation::RemoveFolder(const char* pszPath)
{
    const InstallError nError = m_pFs->RemoveFolder(pszPath);
    if (nError && Exists(pszPath))
        Left(pszPath, nError);
}

// m_szTemp: pszFolder, a backslash and the temporary name of file nIndex.
void CInstallation::MakeTempName(const char* pszFolder, unsigned long nIndex, const char* pszExtension)
{
    const size_t nFolder = strlen(pszFolder);
    char* p = m_szTemp + nFolder;
    memcpy(m_szTemp, pszFolder, nFolder);
    memcpy(p, "\\~QX", 4);
    for (int i = 8; i >= 4; --i) {
        p[i] = kDigits[nIndex % 36];
        nIndex /= 36;
    }
    p[9] = '.';
    memcpy(p + 10, pszExtension, 4);
}
