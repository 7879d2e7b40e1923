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
//      replaces a file);
//   6. removes the old files, the log and the first-run files.
// A failure at any step undoes the steps before it: temporary files go,
// old files are put back, the folders it created go, and qx.ini stays as it
// was. Files and folders of the target that the game does not have are
// never touched. Names of the temporary shape ("~QX", five characters, a
// dot and three more) in the CD's tree are Setup's own and are not copied.
//
// Every name the run makes is an MS-DOS (8.3) name, and every path stays
// within the limits the request gives.
#pragma once

#include "InstallFileSystem.h"

enum
{
    // The copy buffer needs room for at least this much; more copies faster.
    kInstallMinBuffer = 512,
};

struct CInstallRequest
{
    const char* pszGameFolder;   // the CD's game folder, "D:\GAME"
    const char* pszTargetFolder; // the folder to install in, as CheckInstallDir gave it
    const char* pszIniPath;      // qx.ini in the Windows directory, "C:\WINDOWS\qx.ini"
    // The launcher's first-run files, removed once the game is recorded.
    // Under MS-DOS the batch file that runs the installer deletes itself.
    const char* const* ppszFirstRunFiles;
    unsigned nFirstRunFiles;
    // The longest folder path and the longest file path the system takes
    // (at most kInstallPathSize - 1). MS-DOS: 64 characters of folder.
    unsigned nMaxFolder;
    unsigned nMaxPath;
    // Room for copying and for reading the log and qx.ini, at least
    // kInstallMinBuffer bytes.
    char* pBuffer;
    unsigned nBufferSize;
};

enum InstallResult
{
    kInstallDone,
    kInstallBadRequest,  // a path of the request does not fit, or too small a buffer
    kInstallNoGameFiles, // szPath: the game's folder on the CD, which holds no file
    kInstallTooLong, // szPath: a file or folder of the game (below its folder) whose path would be too long
    kInstallTooManyFiles,       // more files than the temporary names can count
    kInstallReadGame,           // szPath: the folder on the CD that could not be listed
    kInstallInTheWay,           // szPath: a file where a folder belongs, or a folder where a file belongs
    kInstallCreateFolder,       // szPath: the folder that could not be created
    kInstallCopyFile,           // szPath: the file of the game (below its folder) that could not be copied
    kInstallWriteFolder,        // szPath: the target folder, where Setup's log could not be written
    kInstallReplaceFile,        // szPath: the old file that could not be replaced (in use, say)
    kInstallReadSetting,        // szPath: qx.ini, which is there but could not be read
    kInstallWriteSetting,       // szPath: qx.ini, whose new copy could not be written or put in place
    kInstallSettingNotReadBack, // szPath: qx.ini; its new copy did not read back as written
};

struct CInstallOutcome
{
    InstallResult result;
    InstallError nError; // the system's code for the failure; 0 when there is none
    char szPath[kInstallPathSize];

    // The InstallDir recorded before the run ("" when none); after a
    // failure it is still the one recorded.
    char szRecorded[kInstallPathSize];

    // The run changed something on the disk before it failed (and undid it).
    bool bChanged;
    // What could not be undone after a failure, or not removed after
    // success (an old file, say); empty when all went as it should.
    char szLeft[kInstallPathSize];
    InstallError nLeftError;
};

// The state of one run: about 1.6 KB, with no constructor, so that it can
// be a static object of a program without static constructors.
class CInstallation
{
public:
    // Installs; true when the game is installed and recorded. *pOutcome says
    // what happened in either case.
    bool Run(CInstallFileSystem& fs, const CInstallRequest& request, CInstallOutcome* pOutcome);

private:
    enum Replay
    {
        kReplayCommit,
        kReplayRollBack,
        kReplayCleanUp,
    };

    bool Prepare();
    bool Walk(bool bCount);
    bool WalkFolder(bool bCount);
    bool WalkFile(bool bCount);
    bool CreateTargetFolders();
    bool CopyFile();
    bool WriteLog(char chKind, const char* pszName);
    bool Record();
    bool ReplayLog(Replay replay);
    bool ReplayLine(Replay replay, unsigned* pnDepth);
    bool CommitFile(unsigned long nIndex);
    void RollBackFile(unsigned long nIndex);
    void RollBack();
    void CleanUp();

    bool Fail(InstallResult result, const char* pszPath, InstallError nError);
    void Left(const char* pszPath, InstallError nError);
    bool Exists(const char* pszPath);
    void Remove(const char* pszPath);
    void RemoveFolder(const char* pszPath);
    void MakeTempName(const char* pszFolder, unsigned long nIndex, const char* pszExtension);
    const char* GameName() const { return m_szSource + m_nSourceRoot + 1; }

    CInstallFileSystem* m_pFs;
    const CInstallRequest* m_pRequest;
    CInstallOutcome* m_pOutcome;

    // The folder or file being worked on, on the CD and in the target; each
    // starts with the root given in the request.
    char m_szSource[kInstallPathSize];
    char m_szTarget[kInstallPathSize];
    unsigned m_nSourceRoot, m_nTargetRoot;
    unsigned m_nMaxFolder, m_nMaxPath;
    // A file's own path and the temporary path beside it.
    char m_szPath[kInstallPathSize];
    char m_szTemp[kInstallPathSize];
    // The log's path, and one line of it read back.
    char m_szLog[kInstallPathSize];
    char m_szLine[kInstallPathSize + 4];
    CInstallFindEntry m_entry;

    unsigned long m_nFiles;     // counted in the CD's tree
    unsigned long m_nFile;      // the next file's number
    unsigned long m_nCommitted; // files whose replacing has begun
    unsigned m_nFirstCreated;   // length of the first folder of the target created, 0 for none
    InstallHandle m_hLog;
    bool m_bLogOpen, m_bLogMade;
    // One bit per folder level while the log is read back: created by the run.
    unsigned char m_abCreated[kInstallPathSize / 16 + 1];
};
