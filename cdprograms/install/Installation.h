// One installation of the game from the CD, as one transaction: either the
// whole game is in the target folder and recorded in qx.ini, or nothing has
// changed. Portable: the same code runs in the Windows installer and in the
// MS-DOS one, each through its binding of CInstallFileSystem (see
// InstallFileSystem.h for the rules of that interface).
//
// What a run does, in order:
//   1. reads the recorded InstallDir (for the outcome), and lists the CD's
//      game folder, the whole tree, to count its files and to check every
//      path against the limits: nothing is written before this is done;
//   2. creates the target folder and any missing folder above it;
//   3. copies every file of the tree, with progress file by file, into a
//      temporary name beside the file it will become ("~QX00000.NEW" and
//      on: the first characters of the name, then a number in base 36),
//      creating the tree's folders. A log of what it did,
//      "~QXSETUP.TMP" in the target folder, lets it undo all of it
//      without the CD, which may be gone by then;
//   4. once every file has arrived, replaces the old files: each old file
//      is renamed to "~QXnnnnn.OLD" and the new one takes its name. A file
//      in use fails here, and the files already replaced are put back;
//   5. writes InstallDir in qx.ini: the changed copy is written beside it
//      ("~QXINI.NEW"), read back, and then takes the place of the old one
//      (renamed "~QXINI.OLD" until then: the system has no rename that
//      replaces a file); the binding may then confirm it with the system's
//      own reader (CInstallFileSystem::ConfirmSetting);
//   6. removes the old files, the log and the first-run files.
// Between steps 3 and 5, before "installed" is said or InstallDir written,
// every file is read back at its real name: a disk that took the writes and
// lost them at close (a write-behind cache, a network drive) fails there.
// A failure at any step undoes the steps before it: temporary files go,
// old files are put back, the folders it created go, and qx.ini stays as it
// was.
//
// A run that is cut off (a reset, a power loss) is finished or undone by
// the next one, before it does anything else (Recover): each run keeps a
// journal beside qx.ini, "~QXRUN.xxx", whose name says how far it got
// (its extension: CPY while copying, MOV while replacing, INI while
// recording, END while cleaning up, BAK while undoing) and which holds the
// target folder. Every step of a file's replacing leaves a state that the
// disk itself tells apart (a file that had no old one gets an empty
// "~QXnnnnn.NON" instead of an "~QXnnnnn.OLD"), so that undoing it again
// after another cut never takes a file that is the last copy of anything.
// qx.ini missing beside "~QXINI.OLD" is put back first, journal or not. Files and folders of the target that
// the game does not have are never touched. Names of the temporary shape ("~QX", five characters, a dot and
// three more) in the CD's tree are Setup's own and are not copied.
//
// Every name the run makes is an MS-DOS (8.3) name, and every path stays
// within the limits the request gives.
#pragma once

#include "cdprograms/install/InstallFileSystem.h"

enum
{
    // The copy buffer needs room for at least this much; more copies faster.
    kMinBufferSize = 512,
};

struct InstallRequest
{
    const char* pszGameFolder;   // the CD's game folder, "D:\GAME"
    const char* pszTargetFolder; // the folder to install in, as CheckInstallDir gave it
    const char* pszIniPath;      // qx.ini in the Windows directory, "C:\WINDOWS\qx.ini"
    // The launcher's first-run files, removed once the game is recorded.
    // Under MS-DOS the batch file that runs the installer deletes itself.
    const char* const* ppszFirstRunFiles;
    unsigned nFirstRunFiles;
    // The longest folder path and the longest file path the system takes
    // (at most kPathSize - 1). MS-DOS: 64 characters of folder.
    unsigned nMaxFolder;
    unsigned nMaxPath;
    // Room for copying and for reading the log and qx.ini, at least
    // kMinBufferSize bytes.
    char* pBuffer;
    unsigned nBufferSize;
};

enum InstallResult
{
    kResultDone,
    kResultBadRequest,  // a path of the request does not fit, or too small a buffer
    kResultNoGameFiles, // szPath: the game's folder on the CD, which holds no file
    kResultTooLong, // szPath: a file or folder of the game (below its folder) whose path would be too long
    kResultTooManyFiles,   // more files than the temporary names can count
    kResultReadGame,       // szPath: the folder on the CD that could not be listed
    kResultFileInTheWay,   // szPath: a file where a folder belongs
    kResultFolderInTheWay, // szPath: a folder where a file belongs
    kResultNoDrive,        // szPath: the target's drive ("Q:"), which is not there
    kResultCreateFolder,   // szPath: the folder that could not be created
    // szPath: the file of the game (below its folder) that could not be
    // copied, or that did not read back whole at its real name (nError 0)
    kResultCopyFile,
    kResultWriteFolder,  // szPath: the target folder, where Setup's log could not be written
    kResultReplaceFile,  // szPath: the old file that could not be replaced (in use, say)
    kResultReadSetting,  // szPath: qx.ini, which is there but could not be read
    kResultWriteSetting, // szPath: qx.ini, whose new copy could not be written or put in place
    // szPath: qx.ini, which is read-only: the system's profile functions
    // would not change it either, and neither does Setup
    kResultSettingReadOnly,
    // szPath: qx.ini; its new copy did not read back as written, or the
    // system's own reader read it otherwise (ConfirmSetting).
    kResultSettingNotReadBack,
    // szPath: where another program's qx.ini went ("~QXINI.OTH"), written
    // while Setup put its own in place; the user's qx.ini is back
    kResultSettingChanged,
    // szPath: the journal beside qx.ini, which could not be written, or
    // one of an earlier run that could not be finished or undone
    kResultJournal,
};

// The decimal digits of n: a count, a size in the log, an error code in a
// message.
void FormatInstallNumber(unsigned long n, char (&szOut)[12]);

// What Recover found of a run that was cut off.
enum InstallRecovery
{
    kRecoveryNone,     // no run was cut off
    kRecoveryFinished, // szPath: the folder the game was installed in
    kRecoveryUndone,   // szPath: the folder the run was installing in
    kRecoverySetting,  // only qx.ini was put back from ~QXINI.OLD
};

struct InstallRecoveryOutcome
{
    InstallRecovery recovery;
    char szPath[kPathSize];
    // qx.ini was put back from ~QXINI.OLD.
    bool bSettingRestored;
    // What could not be finished or undone; empty when all went as it should.
    char szLeft[kPathSize];
    InstallError nLeftError;
};

struct InstallOutcome
{
    InstallResult result;
    InstallError nError; // the system's code for the failure; 0 when there is none
    char szPath[kPathSize];

    // The InstallDir recorded before the run ("" when none); after a
    // failure it is still the one recorded.
    char szRecorded[kPathSize];

    // The run changed something on the disk before it failed (and undid it).
    bool bChanged;
    // What could not be undone after a failure, or not removed after
    // success (an old file, say); empty when all went as it should.
    char szLeft[kPathSize];
    InstallError nLeftError;
};

// The state of one run: about 3.5 KB, with no constructor, so that it can
// be a static object of a program without static constructors.
class CInstallation
{
public:
    // Installs; true when the game is installed and recorded. *pOutcome says
    // what happened in either case.
    bool Run(CInstallFileSystem& fs, const InstallRequest& request, InstallOutcome* pOutcome);
    // Finishes or undoes a run that was cut off, from the journal beside the
    // request's qx.ini; only pszIniPath, the first-run files and the buffer
    // of the request are used. Called before anything else is done.
    void Recover(CInstallFileSystem& fs, const InstallRequest& request, InstallRecoveryOutcome* pOutcome);

private:
    enum Replay
    {
        kReplayCommit,
        kReplayRollBack,
        kReplayCleanUp,
        kReplayVerify,
    };

    // What a walk through the CD's tree does with each entry.
    enum WalkMode
    {
        kWalkCount, // counts the files and checks every path, writing nothing
        kWalkCopy,  // creates the folders and copies the files, with the log
    };

    bool Prepare();
    bool Walk(WalkMode mode);
    bool WalkFolder(WalkMode mode);
    bool WalkFile(WalkMode mode);
    bool CreateTargetFolders();
    bool CopyFile();
    bool WriteLog(char chKind, const char* pszName);
    bool Record();
    bool Journal(const char* pszExtension);
    InstallError RenameJournal(const char* pszExtension);
    bool ReadJournal();
    void EndJournal();
    void RestoreSetting();
    void Sweep();
    bool VerifyFile(unsigned long nSize);
    void RecoverFile(unsigned long nIndex);
    bool FindTempFile(char (&szTemp)[kPathSize], unsigned long nIndex, const char* pszExtension);
    bool ReplayLog(Replay replay);
    bool ReplayLine(Replay replay, unsigned* pnDepth);
    bool CommitFile(unsigned long nIndex);
    void RollBackFile(unsigned long nIndex);
    void RollBack();
    void CleanUp();

    bool Fail(InstallResult result, const char* pszPath, InstallError nError);
    void Left(const char* pszPath, InstallError nError);
    bool Exists(const char* pszPath);
    // Deletes a file; false, with the file named as left, when it stays.
    bool Remove(const char* pszPath);
    void RemoveFolder(const char* pszPath);
    const char* GameName() const { return m_szSource + m_nSourceRoot + 1; }

    CInstallFileSystem* m_pFs;
    const InstallRequest* m_pRequest;
    InstallOutcome* m_pOutcome;

    // The folder or file being walked, on the CD and in the target; each
    // starts with the root given in the request. While the log is read back,
    // m_szTarget is the folder it is in.
    char m_szSource[kPathSize];
    char m_szTarget[kPathSize];
    unsigned m_nSourceRoot, m_nTargetRoot;
    unsigned m_nMaxFolder, m_nMaxPath;
    // The file of the game that a line of the log names, at its real name in
    // the target: replaced, read back, undone or recovered.
    char m_szFile[kPathSize];
    // A temporary name beside a file ("~QX00000.NEW"), as MakeTempName and
    // FindTempFile give it.
    char m_szTempName[kPathSize];
    // Beside qx.ini: its new copy, and the old one while it is set aside.
    char m_szNewIni[kPathSize];
    char m_szOldIni[kPathSize];
    // The log's path, and one line of the log or the journal, written or
    // read back.
    char m_szLog[kPathSize];
    char m_szLine[kPathSize + 4];
    InstallFindEntry m_entry;

    unsigned long m_nFiles;     // counted in the CD's tree
    unsigned long m_nFile;      // the next file's number
    unsigned long m_nCommitted; // files whose replacing has begun
    unsigned long m_nMoved;     // files whose new copy has its real name
    unsigned m_nFirstCreated;   // length of the first folder of the target created, 0 for none
    InstallHandle m_hLog;
    bool m_bLogOpen, m_bLogMade;
    // The journal's path, with the extension that says how far the run got,
    // and that extension (one of the journal's names); null with no journal.
    char m_szJournal[kPathSize];
    const char* m_pszJournalState;
    // A file the log named waits for its size, while verifying.
    bool m_bSizePending;
    unsigned long m_nCopied;      // bytes of the last file copied
    unsigned long m_nFilesCopied; // files the run copied, which the log must name
    // Recovering: what the disk holds says how far a file got (RecoverFile).
    bool m_bRecovering, m_bCommitBegun, m_bSettingRestored;
    InstallOutcome m_recovered;
    // One bit per folder level while the log is read back: created by the run.
    unsigned char m_abCreated[kPathSize / 16 + 1];
};
