#include "platform/Dialog.h"

#include "platform/Module.h"

namespace {

// Help contexts of dialogs start here, followed by the template id.
const DWORD kHelpContextResourceBase = 0x20000;

// Reads the style and position from a dialog template, plain or extended.
void ReadTemplateHeader(const void* pTemplate, DWORD* pStyle, short* pX, short* pY)
{
    const WORD* pw = static_cast<const WORD*>(pTemplate);
    const BYTE* pb = static_cast<const BYTE*>(pTemplate);
    if (pw[0] == 1 && pw[1] == 0xFFFF) {
        // dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y
        CopyMemory(pStyle, pb + 12, sizeof(DWORD));
        CopyMemory(pX, pb + 18, sizeof(short));
        CopyMemory(pY, pb + 20, sizeof(short));
    } else {
        // style, dwExtendedStyle, cdit, x, y
        CopyMemory(pStyle, pb, sizeof(DWORD));
        CopyMemory(pX, pb + 10, sizeof(short));
        CopyMemory(pY, pb + 12, sizeof(short));
    }
}

} // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, CDialog::OnOK)
    ON_COMMAND(IDCANCEL, CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd), m_bCenter(FALSE)
{
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE hResource = AfxGetResourceHandle();
    HRSRC hFound =
        ::FindResourceA(hResource, MAKEINTRESOURCEA(m_nIDTemplate), reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (!hFound)
        return -1;
    const void* pTemplate = ::LockResource(::LoadResource(hResource, hFound));
    if (!pTemplate || ::SizeofResource(hResource, hFound) < 24)
        return -1;

    // A template at 0,0 that does not place itself is centred once it is set up.
    DWORD dwStyle = 0;
    short x = 0, y = 0;
    ReadTemplateHeader(pTemplate, &dwStyle, &x, &y);
    m_bCenter = !(dwStyle & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)) && x == 0 && y == 0;

    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    return ::DialogBoxIndirectParamA(AfxGetInstanceHandle(), static_cast<LPCDLGTEMPLATEA>(pTemplate), hOwner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage == WM_INITDIALOG) {
        CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pDlg->m_hWnd = hWnd;
        BOOL bSetFocus = pDlg->OnInitDialog();
        if (pDlg->m_bCenter)
            pDlg->CenterInWorkArea();
        return bSetFocus;
    }

    // Messages that come before WM_INITDIALOG (WM_SETFONT) find no object yet.
    CDialog* pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (!pDlg)
        return FALSE;

    if (nMessage == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        pDlg->OnNcDestroy();
        return FALSE;
    }

    LRESULT lResult = 0;
    if (!pDlg->OnWndMsg(nMessage, wParam, lParam, &lResult))
        return FALSE;

    // A dialog procedure returns TRUE for "handled" and leaves the message's
    // result in DWLP_MSGRESULT, except for these, whose result is returned.
    switch (nMessage) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(lResult);
    default:
        ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, lResult);
        return TRUE;
    }
}

void CDialog::CenterInWorkArea()
{
    RECT rcWork, rcWindow;
    AfxGetWorkArea(&rcWork);
    ::GetWindowRect(m_hWnd, &rcWindow);
    const int cx = rcWindow.right - rcWindow.left;
    const int cy = rcWindow.bottom - rcWindow.top;
    int x = rcWork.left + (rcWork.right - rcWork.left - cx) / 2;
    int y = rcWork.top + (rcWork.bottom - rcWork.top - cy) / 2;
    // A window larger than the work area keeps its top-left corner on it.
    if (x < rcWork.left)
        x = rcWork.left;
    if (y < rcWork.top)
        y = rcWork.top;
    // Not shown yet: nothing to repaint.
    ::MoveWindow(m_hWnd, x, y, cx, cy, FALSE);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnCommandHelp()
{
    WinHelp(kHelpContextResourceBase + m_nIDHelp);
    return TRUE;
}
