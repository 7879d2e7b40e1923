// The sample CD's installer in MS-DOS mode, the MS-DOS half of install.exe.
// Windows 95 and 98 restart in MS-DOS mode and run it from the launcher's
// c:\_qxchkcd.bat. It does what the Windows half does, with the same
// installation and the same words: it asks for a folder in text mode,
// copies the CD's game folder there, file by file, and records the folder
// in qx.ini in the Windows directory, which c:\qxinst.cfg names, since
// Windows is not running to say where it is. Then it removes
// c:\qxinst.cfg; the batch file deletes itself.
//
// Exit code 0 once installed, 1 when cancelled (after a failed try too), 2
// when it cannot start (no or a garbled c:\qxinst.cfg): nothing is written
// then.
#include "res/CdContract.h"
#include "cdprograms/dos/DosRuntime.h"
#include "cdprograms/install/InstallDir.h"
#include "cdprograms/install/InstallFileSystem_dos.h"
#include "cdprograms/install/InstallMessage.h"
#include "cdprograms/install/InstallSetting.h"
#include "cdprograms/install/InstallText.h"
#include "cdprograms/install/Installation.h"
#include "cdprograms/install/MarkerRead.h"
#include "cdprograms/install/PromptLine.h"

#include <string.h>

namespace {

const char kMarkerPath[] = QX_MARKER_FILE_DEFAULT;
const char kIniName[] = "\\" QX_INI_FILE;
const char kGameFolder[] = "\\GAME";

// The introduction of the Windows half, and what only the MS-DOS half says.
const char kIntro[] = QX_INSTALL_INTRO " " QX_INSTALL_LIMIT ", and each part of the folder a name of at most "
                                       "eight characters, then a dot and at most three more.";
static_assert(QX_DOS_MAX_BASE_NAME == 8 && QX_DOS_MAX_EXTENSION == 3,
              "the introduction spells the limits out");
const char kKeys[] = "Enter installs, Escape cancels.";
const char kLabel[] = "Install to: ";
const char kCancelled[] = "Setup was cancelled. Nothing was changed.";
// After a try that could not undo all it had done, which its message named.
const char kCancelledAfterLeft[] = "Setup was cancelled.";
const char kNoProgramPath[] = "Setup needs MS-DOS 3.0 or later: it cannot find its own folder on the CD.";
const char kMarkerMissing[] =
    "Setup cannot find " QX_MARKER_FILE_DEFAULT ", which tells it where Windows is. Start Windows, "
    "then Install from the CD's window again: it writes that file before the "
    "computer restarts in MS-DOS mode.";
const char kMarkerGarbled[] = QX_MARKER_FILE_DEFAULT
    " does not name the Windows folder: it should hold one line, " QX_MARKER_KEYWORD
    " and the folder, as in " QX_MARKER_KEYWORD " C:\\WINDOWS. Start Windows, then Install "
    "from the CD's window again: it writes that file anew.";
const char kMarkerUnread[] =
    "Setup could not read " QX_MARKER_FILE_DEFAULT ", which tells it where Windows is: %s";
const char kNoWindowsDir[] =
    "The Windows folder that " QX_MARKER_FILE_DEFAULT " names, %s, is not there. Start Windows, "
    "then Install from the CD's window again: it writes that file anew.";
const char kNothingInstalled[] = "Nothing was installed.";

enum
{
    kExitInstalled = 0,
    kExitCancelled = 1,
    kExitCannotStart = 2,
    // A message with a path or two in it.
    kMessageSize = 1024,
};

// The installation's state and its buffer: too large for the stack.
CInstallation g_installation;
InstallOutcome g_outcome;
InstallRecoveryOutcome g_recovered;
char g_abBuffer[8192];

// The screen as the BIOS keeps it, 80 or 40 columns wide; what is printed
// goes to the standard output, so that a file can stand in for it.
class CDosScreen : public CTextScreen
{
public:
    unsigned Columns() override { return DosScreenColumns(); }
    void Print(const char* pText, size_t nLength) override
    {
        DosWrite(1, pText, static_cast<uint16_t>(nLength));
    }
    void GetCursor(unsigned* pnRow, unsigned* pnColumn) override
    {
        uint8_t nRow, nColumn;
        DosGetCursor(&nRow, &nColumn);
        *pnRow = nRow;
        *pnColumn = nColumn;
    }
    void SetCursor(unsigned nRow, unsigned nColumn) override
    {
        DosSetCursor(static_cast<uint8_t>(nRow), static_cast<uint8_t>(nColumn));
    }
};

void PrintMessage(const char* pszText)
{
    CDosScreen screen;
    PrintWrapped(screen, pszText);
    DosPrint("\n");
}

// Asks for the folder, szTyped filled in; false when the user cancels. The
// line is drawn again after each key, over as many rows as it takes.
bool AskForFolder(char (&szTyped)[CPromptLine::kMaxLength + 1])
{
    CDosScreen screen;
    CPromptLine line(szTyped);
    CPromptView view;
    view.Start(screen);
    view.Draw(screen, kLabel, line);
    for (;;) {
        switch (line.OnKey(DosReadKey())) {
        case CPromptLine::kAccepted:
            memcpy(szTyped, line.Text(), line.Length() + 1);
            view.Finish(screen);
            return true;
        case CPromptLine::kCancelled:
            view.Finish(screen);
            return false;
        case CPromptLine::kRefused:
            DosPrintChar('\a');
            break;
        case CPromptLine::kEditing:
            view.Draw(screen, kLabel, line);
            break;
        }
    }
}

// The CD's game folder, from this program's own path: "D:\INSTALL.EXE"
// gives "D:\GAME".
bool FindGameFolder(char (&szFolder)[kPathSize])
{
    char szProgram[kPathSize];
    if (!DosGetProgramPath(szProgram, sizeof(szProgram)))
        return false;
    char* pLastSlash = strrchr(szProgram, '\\');
    if (!pLastSlash)
        return false;
    *pLastSlash = '\0';
    szFolder[0] = '\0';
    return AppendText(szFolder, sizeof(szFolder), szProgram) &&
           AppendText(szFolder, sizeof(szFolder), kGameFolder);
}

// The Windows directory, as c:\qxinst.cfg names it; false, with the
// message said, when the file is missing, unreadable or garbled.
bool ReadWindowsDir(CDosTexts& texts, char (&szDir)[kMaxMarkerWindowsDir + 1])
{
    char szMessage[kMessageSize];
    uint16_t hFile = 0;
    uint16_t nError = DosOpen(kMarkerPath, kDosReadAccess, &hFile);
    if (nError == kDosFileNotFound || nError == kDosPathNotFound) {
        PrintMessage(kMarkerMissing);
        return false;
    }
    // One line: a file this long is not what the launcher wrote.
    char abText[256];
    uint16_t nRead = 0;
    if (nError == kDosOk) {
        nError = DosRead(hFile, abText, sizeof(abText), &nRead);
        DosClose(hFile);
    }
    if (nError != kDosOk) {
        char szError[128];
        texts.DescribeError(nError, szError, sizeof(szError));
        FormatInstallText(szMessage, sizeof(szMessage), kMarkerUnread, szError);
        PrintMessage(szMessage);
        return false;
    }
    if (nRead == sizeof(abText) || !ReadMarker(abText, nRead, szDir)) {
        PrintMessage(kMarkerGarbled);
        return false;
    }
    return true;
}

int Install()
{
    CDosFileSystem fs;
    CDosTexts texts;
    char szMessage[kMessageSize];

    char szGameFolder[kPathSize];
    if (!FindGameFolder(szGameFolder)) {
        PrintMessage(kNoProgramPath);
        return kExitCannotStart;
    }
    char szWindowsDir[kMaxMarkerWindowsDir + 1];
    if (!ReadWindowsDir(texts, szWindowsDir)) {
        PrintMessage(kNothingInstalled);
        return kExitCannotStart;
    }
    InstallFileKind kind = kKindNothing;
    if (fs.GetKind(szWindowsDir, &kind) != 0 || kind != kKindFolder) {
        FormatInstallText(szMessage, sizeof(szMessage), kNoWindowsDir, szWindowsDir);
        PrintMessage(szMessage);
        PrintMessage(kNothingInstalled);
        return kExitCannotStart;
    }
    char szIniPath[kMaxMarkerWindowsDir + sizeof(kIniName)] = "";
    AppendText(szIniPath, sizeof(szIniPath), szWindowsDir);
    AppendText(szIniPath, sizeof(szIniPath), kIniName);

    // A run that was cut off is finished or undone before anything else.
    static const char* const kFirstRunFiles[] = {kMarkerPath, QX_CD_CHECK_BATCH_ASIDE, QX_MARKER_FILE_ASIDE};
    InstallRequest recovery = {};
    recovery.pszIniPath = szIniPath;
    recovery.ppszFirstRunFiles = kFirstRunFiles;
    recovery.nFirstRunFiles = sizeof(kFirstRunFiles) / sizeof(kFirstRunFiles[0]);
    recovery.pBuffer = g_abBuffer;
    recovery.nBufferSize = sizeof(g_abBuffer);
    g_installation.Recover(fs, recovery, &g_recovered);
    DescribeInstallRecovery(texts, g_recovered, szMessage, sizeof(szMessage));
    if (*szMessage) {
        PrintMessage(szMessage);
        DosPrint("\n");
    }

    // A game recorded already is offered its own folder again.
    char szRecorded[kPathSize] = "";
    const InstallError nError =
        ReadInstallDirSetting(fs, szIniPath, g_abBuffer, sizeof(g_abBuffer), szRecorded, sizeof(szRecorded));
    if (nError != 0) {
        char szError[128], szFormat[256];
        texts.DescribeError(nError, szError, sizeof(szError));
        texts.LoadText(IDS_READ_SETTING, szFormat, sizeof(szFormat));
        FormatInstallText(szMessage, sizeof(szMessage), szFormat, szError);
        PrintMessage(szMessage);
        PrintMessage(kNothingInstalled);
        return kExitCannotStart;
    }
    char szTyped[CPromptLine::kMaxLength + 1] = "";
    if (*szRecorded)
        AppendText(szTyped, sizeof(szTyped), szRecorded);
    else
        texts.LoadText(IDS_DEFAULT_FOLDER, szTyped, sizeof(szTyped));

    PrintMessage(kIntro);
    PrintMessage(kKeys);
    for (;;) {
        if (!AskForFolder(szTyped)) {
            DosPrint("\n");
            PrintMessage(g_outcome.szLeft[0] || g_recovered.szLeft[0] ? kCancelledAfterLeft : kCancelled);
            return kExitCancelled;
        }
        const InstallDirCheck check = CheckInstallDir(szTyped, kDosFolderRules);
        if (check.verdict != kInstallDirOk) {
            DescribeInstallDirCheck(texts, check, szMessage, sizeof(szMessage));
            PrintMessage(szMessage);
            continue;
        }
        InstallRequest request = {};
        request.pszGameFolder = szGameFolder;
        request.pszTargetFolder = check.szDir;
        request.pszIniPath = szIniPath;
        // The batch file that runs Setup deletes itself as it ends.
        request.ppszFirstRunFiles = kFirstRunFiles;
        request.nFirstRunFiles = sizeof(kFirstRunFiles) / sizeof(kFirstRunFiles[0]);
        // MS-DOS's own limits: a folder as long as the rules allow holds a
        // file of an 8.3 name.
        request.nMaxFolder = kMaxInstallDir;
        request.nMaxPath = kMaxInstallDir + 1 + QX_DOS_MAX_NAME;
        request.pBuffer = g_abBuffer;
        request.nBufferSize = sizeof(g_abBuffer);
        const bool bInstalled = g_installation.Run(fs, request, &g_outcome);
        DescribeInstallOutcome(texts, check.szDir, g_outcome, szMessage, sizeof(szMessage));
        DosPrint("\n");
        PrintMessage(szMessage);
        if (bInstalled)
            return kExitInstalled;
    }
}

} // namespace

int DosMain(const char*)
{
    DosPrint(QX_INSTALL_CAPTION "\n\n");
    return Install();
}
