#include "app/LauncherApp.h"

#include "app/CdCheckBatch.h"
#include "app/MarkerFile.h"
#include "platform/Dialog.h"
#include "platform/File.h"
#include "platform/FrameworkIds.h"
#include "res/CdContract.h"
#include "res/resource.h"
#include "ui/LauncherDlg.h"

#include <string.h>

namespace {

// Buffer sizes of the start-up queries, terminator included; they set the launcher's limits.
const int kWindowsDirBufferSize = 261; // also the InstallDir value, read whole up to 260 characters
const int kModulePathBufferSize = 260; // MAX_PATH, the longest path the system reports for the program
const int kProbePathBufferSize = 256;  // as a command line: takes a source directory of up to 243 characters

const char kInstallerName[] = "\\install.exe";

} // namespace

BEGIN_MESSAGE_MAP(CLauncherApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CLauncherApp::CLauncherApp() : CWinApp(nullptr) {}

CLauncherApp::~CLauncherApp() = default;

BOOL CLauncherApp::InitInstance()
{
    DiscoverLaunchContext();
    Enable3dControlsStatic();
    m_commands.ExpandCommandTemplates(m_context.m_strSourceDir, m_context.m_strInstalledDir,
                                      m_context.m_strWindowsDir);

    CLauncherDlg dlg(m_context.m_bInstalled, &m_commands, nullptr);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    // The window's end clears the main window; a dialog that never got a
    // window must not stay the main window after it is gone.
    if (m_pMainWnd == &dlg)
        m_pMainWnd = nullptr;
    return FALSE;
}

void CLauncherApp::DiscoverLaunchContext()
{
    char szBuffer[kWindowsDirBufferSize];
    char szModule[kModulePathBufferSize];

    // A failed or cut query leaves the buffer unfilled or unterminated:
    // take an empty string instead.
    UINT nWindowsDir = ::GetWindowsDirectoryA(szBuffer, sizeof(szBuffer));
    if (nWindowsDir == 0 || nWindowsDir >= sizeof(szBuffer))
        szBuffer[0] = '\0';
    m_context.m_strWindowsDir = szBuffer;

    DWORD nModule = ::GetModuleFileNameA(m_hInstance, szModule, sizeof(szModule));
    if (nModule == 0 || nModule >= sizeof(szModule))
        szModule[0] = '\0';
    if (char* pszSlash = strrchr(szModule, '\\'))
        *pszSlash = '\0';

    DWORD nValue =
        ::GetPrivateProfileStringA(QX_INI_SECTION, QX_INI_KEY, "", szBuffer, sizeof(szBuffer), QX_INI_FILE);
    if (nValue == 0) {
        WriteFirstRunFiles(szModule);
    } else {
        // A value that names nothing that exists (any more) counts as not
        // installed, and no files are written.
        CFileStatus status;
        if (CFile::GetStatus(szBuffer, status)) {
            m_context.m_bInstalled = TRUE;
            m_context.m_strInstalledDir = szBuffer;
        }
    }

    m_context.m_strSourceDir = szModule;
}

void CLauncherApp::WriteFirstRunFiles(const char* pszSourceDir)
{
    // The batch file looks for the installer in the launcher's own directory,
    // and runs it from there: as a command line, which takes a folder name
    // only if it holds no blank or such (else its short name, which is also
    // what MS-DOS mode sees). A probe path that does not fit is never cut (it
    // would test another file), and a launcher that does not know its own
    // directory has nothing to probe: the batch file then counts as not
    // written.
    char szProbe[kProbePathBufferSize];
    BOOL bWritten = FALSE;
    if (GetCommandLineDirectory(pszSourceDir, szProbe)) {
        const size_t nSource = strlen(szProbe);
        if (nSource + sizeof(kInstallerName) <= sizeof(szProbe)) {
            memcpy(szProbe + nSource, kInstallerName, sizeof(kInstallerName));
            bWritten = WriteCdCheckBatch(QX_CD_CHECK_BATCH_PATH, szProbe, szProbe);
        }
    }
    if (!bWritten)
        ::MessageBoxA(nullptr, "Could not write out batch file", "Error", MB_OK);

    // The marker file fails without a word.
    CString strMarkerPath;
    strMarkerPath.LoadString(IDS_MARKER_FILE);
    WriteMarkerFile(strMarkerPath, m_context.m_strWindowsDir);
}
