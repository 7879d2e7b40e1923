#include "platform/Wnd.h"

#include "platform/WinApp.h"

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode, UINT nID)
{
    for (; pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* p = pMap->lpEntries; p->pfn; ++p) {
            if (p->nMessage != nMessage)
                continue;
            if (nMessage != WM_COMMAND || (p->nCode == nCode && p->nID == nID))
                return p;
        }
    }
    return nullptr;
}

// The root of every map: no entries, no base.
const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static constexpr AFX_MSGMAP_ENTRY s_entries[] = {{0, 0, 0, nullptr}};
    static constexpr AFX_MSGMAP s_map = {nullptr, &s_entries[0]};
    return &s_map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, UINT nCode)
{
    const AFX_MSGMAP_ENTRY* pEntry = AfxFindMessageEntry(GetMessageMap(), WM_COMMAND, nCode, nID);
    if (!pEntry)
        return FALSE;
    pEntry->pfn(this, 0, 0);
    return TRUE;
}

void AfxGetWorkArea(RECT* pRect)
{
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, pRect, 0))
        ::SetRect(pRect, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
}

CWndHandle CWndHandle::GetDlgItem(int nID) const
{
    return CWndHandle(::GetDlgItem(m_hWnd, nID));
}

void CWndHandle::SetWindowText(const char* pszText) const
{
    ::SetWindowTextA(m_hWnd, pszText);
}

BOOL CWndHandle::ShowWindow(int nCmdShow) const
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWndHandle::GetWindowPlacement(WINDOWPLACEMENT* pPlacement) const
{
    pPlacement->length = sizeof(WINDOWPLACEMENT);
    return ::GetWindowPlacement(m_hWnd, pPlacement);
}

BOOL CWndHandle::SetWindowPlacement(WINDOWPLACEMENT* pPlacement) const
{
    pPlacement->length = sizeof(WINDOWPLACEMENT);
    return ::SetWindowPlacement(m_hWnd, pPlacement);
}

BOOL CWndHandle::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWndHandle::GetClientRect(RECT* pRect) const
{
    ::GetClientRect(m_hWnd, pRect);
}

LRESULT CWndHandle::SendMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, nMessage, wParam, lParam);
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

void CWnd::WinHelp(DWORD_PTR dwData, UINT nCmd)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return;
    ::WinHelpA(m_hWnd, pApp->m_strHelpFilePath, nCmd, dwData);
}

BOOL CWnd::OnCommandHelp()
{
    return FALSE;
}

BOOL CWnd::OnWndMsg(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (nMessage == WM_COMMAND) {
        // Commands the window does not handle go on to the application.
        const UINT nID = LOWORD(wParam);
        const UINT nCode = HIWORD(wParam);
        if (OnCmdMsg(nID, nCode)) {
            *pResult = 0;
            return TRUE;
        }
        CWinApp* pApp = AfxGetApp();
        if (pApp && pApp->OnCmdMsg(nID, nCode)) {
            *pResult = 0;
            return TRUE;
        }
        return FALSE;
    }
    const AFX_MSGMAP_ENTRY* pEntry = AfxFindMessageEntry(GetMessageMap(), nMessage, 0, 0);
    if (!pEntry)
        return FALSE;
    *pResult = pEntry->pfn(this, wParam, lParam);
    return TRUE;
}

void CWnd::OnNcDestroy()
{
    m_hWnd = nullptr;
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
}
