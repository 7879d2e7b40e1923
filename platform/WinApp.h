// The application object and the framework's entry routine.
#pragma once

#include "platform/String.h"
#include "platform/Wnd.h"

class CWinApp : public CCmdTarget
{
public:
    // Records this object as the process's one application object.
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitApplication();
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // Draws dialogs with three-dimensional controls on systems before 4.0;
    // nothing to do on 4.0 and later.
    BOOL Enable3dControlsStatic();

    // ID_HELP: help for the main window in the help file.
    void OnHelp();

    HINSTANCE m_hInstance;
    const char* m_lpCmdLine;
    int m_nCmdShow;
    CString m_strAppName;      // message-box caption
    CString m_strExeName;      // program file name without directory and extension
    CString m_strHelpFilePath; // program file path with the extension ".HLP"
    CWnd* m_pMainWnd;

    DECLARE_MESSAGE_MAP()

private:
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int);
    // Names the application after string AFX_IDS_APP_TITLE or the program file.
    void SetNames();
    MSG m_msgCur;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

// The entry routine: error mode, names, InitApplication, InitInstance, then
// the message loop only if InitInstance asked for one; returns the exit code.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// A message box with the application title as caption and the main window as
// owner; MB_ICONEXCLAMATION is added when nType names no icon.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
// The same with a text of its own instead of a string id.
int AfxMessageBox(const char* pszText, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
