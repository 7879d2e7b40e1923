// Command targets and windows: the base of everything that has a message map.
#pragma once

#include "platform/MessageMap.h"

#include <windows.h>

class CCmdTarget
{
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // Runs the handler for command nID with notification nCode, if this
    // object's map (or a base map) has one.
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

    DECLARE_MESSAGE_MAP()
};

// A window handle that is borrowed, never owned: what GetDlgItem hands out.
class CWndHandle
{
public:
    explicit CWndHandle(HWND hWnd = nullptr) : m_hWnd(hWnd) {}

    CWndHandle GetDlgItem(int nID) const;
    void SetWindowText(const char* pszText) const;
    BOOL ShowWindow(int nCmdShow) const;
    BOOL GetWindowPlacement(WINDOWPLACEMENT* pPlacement) const;
    BOOL SetWindowPlacement(WINDOWPLACEMENT* pPlacement) const;
    BOOL IsIconic() const;
    void GetClientRect(RECT* pRect) const;
    LRESULT SendMessage(UINT nMessage, WPARAM wParam = 0, LPARAM lParam = 0) const;

    HWND m_hWnd;
};

// The screen's work area: the screen less the taskbar.
void AfxGetWorkArea(RECT* pRect);

class CWnd : public CCmdTarget, public CWndHandle
{
public:
    CWnd() = default;

    // Asks the help viewer for context dwData in the application's help file.
    void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT);

    // Shows the help for this window (F1); FALSE when it has none.
    virtual BOOL OnCommandHelp();

protected:
    // Handles a message through the map; TRUE and *pResult when handled.
    BOOL OnWndMsg(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // The window is gone: forget the handle; if it was the application's main
    // window, the application has no main window any more and is told to quit.
    virtual void OnNcDestroy();

    DECLARE_MESSAGE_MAP()
};
