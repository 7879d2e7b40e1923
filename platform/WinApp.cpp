#include "platform/WinApp.h"

#include "platform/FrameworkIds.h"
#include "platform/Module.h"

#include <stdlib.h>
#include <string.h>

namespace {

CWinApp* g_pApp = nullptr;

// F1 in the main window (without Shift, Ctrl or Alt) becomes ID_HELP. The
// modal loops of dialogs run inside the system, so a message filter is the
// one place that sees the key before the dialog does.
LRESULT CALLBACK MsgFilterHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    const MSG* pMsg = reinterpret_cast<const MSG*>(lParam);
    // A key that is down has the sign bit of its state set.
    if (nCode == MSGF_DIALOGBOX && pMsg && pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_F1 &&
        (::GetKeyState(VK_SHIFT) | ::GetKeyState(VK_CONTROL) | ::GetKeyState(VK_MENU)) >= 0) {
        CWnd* pMainWnd = AfxGetMainWnd();
        HWND hMain = pMainWnd ? pMainWnd->m_hWnd : nullptr;
        if (hMain && (pMsg->hwnd == hMain || ::IsChild(hMain, pMsg->hwnd))) {
            ::SendMessageA(hMain, WM_COMMAND, ID_HELP, 0);
            return TRUE;
        }
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// Where the file name in pszPath begins: after its last backslash.
size_t FileNameOffset(const char* pszPath)
{
    const char* pszSlash = strrchr(pszPath, '\\');
    return pszSlash ? static_cast<size_t>(pszSlash + 1 - pszPath) : 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName)
    : m_hInstance(nullptr), m_lpCmdLine(""), m_nCmdShow(SW_SHOWNORMAL), m_strAppName(pszAppName),
      m_pMainWnd(nullptr), m_msgCur()
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitApplication()
{
    return TRUE;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    while (::GetMessageA(&m_msgCur, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageA(&m_msgCur);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    // The quit message's code, when a message loop ran; 0 when none did.
    return static_cast<int>(m_msgCur.wParam);
}

BOOL CWinApp::Enable3dControlsStatic()
{
    // Windows 4.0 and later draw dialogs three-dimensionally by themselves;
    // there is no separate library to register here.
    return FALSE;
}

void CWinApp::OnHelp()
{
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        m_pMainWnd->OnCommandHelp();
}

void CWinApp::SetNames()
{
    char szPath[MAX_PATH];
    const DWORD nLen = ::GetModuleFileNameA(m_hInstance, szPath, MAX_PATH);
    if (nLen == 0 || nLen >= MAX_PATH)
        szPath[0] = '\0'; // failed or cut: the buffer may be unterminated

    // A path too long for the buffer still has a file name, which titles
    // every message box: ask again with room for the longest path there is.
    char* pszLongPath = nullptr;
    if (nLen >= MAX_PATH) {
        const DWORD nLongSize = 32768;
        pszLongPath = static_cast<char*>(malloc(nLongSize));
        const DWORD nLongLen = pszLongPath ? ::GetModuleFileNameA(m_hInstance, pszLongPath, nLongSize) : 0;
        if (pszLongPath && (nLongLen == 0 || nLongLen >= nLongSize))
            pszLongPath[0] = '\0';
    }
    const char* const pszFullPath = pszLongPath ? pszLongPath : szPath;

    const char* pszName = pszFullPath + FileNameOffset(pszFullPath);
    char szExe[MAX_PATH];
    szExe[0] = '\0';
    const size_t nName = strlen(pszName);
    if (nName < sizeof(szExe))
        memcpy(szExe, pszName, nName + 1);
    free(pszLongPath);
    if (char* pszDot = strrchr(szExe, '.'))
        *pszDot = '\0';
    m_strExeName = szExe;

    if (m_strAppName.IsEmpty() && !m_strAppName.LoadString(AFX_IDS_APP_TITLE))
        m_strAppName = m_strExeName;

    // The help file sits beside the program file: the program's path with
    // ".HLP" in place of its file name's extension. Only a path that fit in
    // szPath has one; szPath is empty otherwise.
    if (szPath[0]) {
        const char* const pszFileName = szPath + FileNameOffset(szPath);
        const char* const pszDot = strrchr(pszFileName, '.');
        const size_t nStem = pszDot ? static_cast<size_t>(pszDot - szPath) : strlen(szPath);
        if (nStem + 5 <= MAX_PATH) {
            memcpy(szPath + nStem, ".HLP", 5);
            m_strHelpFilePath = szPath;
        }
    }
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CWnd* AfxGetMainWnd()
{
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;

    // A drive without a medium makes file and volume calls fail quietly
    // instead of asking the user.
    ::SetErrorMode(::SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    AfxSetInstanceHandle(hInstance);
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine ? lpCmdLine : "";
    pApp->m_nCmdShow = nCmdShow;
    pApp->SetNames();

    HHOOK hHook = ::SetWindowsHookExA(WH_MSGFILTER, MsgFilterHook, nullptr, ::GetCurrentThreadId());

    int nReturnCode = -1;
    if (pApp->InitApplication()) {
        if (pApp->InitInstance()) {
            nReturnCode = pApp->Run();
        } else {
            if (pApp->m_pMainWnd && pApp->m_pMainWnd->m_hWnd)
                ::DestroyWindow(pApp->m_pMainWnd->m_hWnd);
            nReturnCode = pApp->ExitInstance();
        }
    }

    if (hHook)
        ::UnhookWindowsHookEx(hHook);
    return nReturnCode;
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString strText;
    strText.LoadString(nIDPrompt);
    return AfxMessageBox(strText, nType, nIDHelp);
}

int AfxMessageBox(const char* pszText, UINT nType, UINT)
{
    if ((nType & MB_ICONMASK) == 0)
        nType |= MB_ICONEXCLAMATION;
    CWinApp* pApp = AfxGetApp();
    CWnd* pMainWnd = AfxGetMainWnd();
    return ::MessageBoxA(pMainWnd ? pMainWnd->m_hWnd : nullptr, pszText,
                         pApp ? static_cast<const char*>(pApp->m_strAppName) : nullptr, nType);
}
