#include "ui/LauncherDlg.h"

#include "commands/LaunchCommands.h"
#include "platform/GdiHandles.h"
#include "platform/Module.h"
#include "platform/WinApp.h"
#include "res/resource.h"
#include "ui/Dib.h"
#include "ui/WindowLayout.h"

#include <utility>

// There is no WM_PALETTECHANGED handler: when another window changes the
// system palette, the backdrop keeps its colours until its next paint or
// until the launcher comes to the foreground again.
BEGIN_MESSAGE_MAP(CLauncherDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_COMMAND(IDC_VIEW_README, CLauncherDlg::OnViewReadme)
    ON_COMMAND(IDC_CONFIGURE, CLauncherDlg::OnConfigure)
    ON_WM_QUERYNEWPALETTE()
END_MESSAGE_MAP()

CLauncherDlg::CLauncherDlg(BOOL bInstalled, CLaunchCommands* pCommands, CWnd* pParentWnd)
    : CDialog(IDD_LAUNCHER, pParentWnd), m_bInstalled(bInstalled), m_pCommands(pCommands), m_bBusy(FALSE)
{
    // Like the texts, the icon follows the resource module; the large picture stays in the program.
    m_hIcon = CIconHandle(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_LAUNCHER)));
    HPALETTE hPalette = nullptr;
    // Stored size, as 96 dots per inch shows it; away from 96 the set-up, knowing the client area, scales it.
    m_hBitmap = CBitmap(LoadDibResource(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_BACKDROP), &hPalette));
    m_hPalette = CPalette(hPalette);
}

CLauncherDlg::~CLauncherDlg() = default;

void CLauncherDlg::DoDataExchange(CDataExchange*) {}

BOOL CLauncherDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    FitInWorkArea();
    SetUpBackdrop();

    const LPARAM lIcon = reinterpret_cast<LPARAM>(static_cast<HICON>(m_hIcon));
    SendMessage(WM_SETICON, ICON_BIG, lIcon);
    SendMessage(WM_SETICON, ICON_SMALL, lIcon);

    m_strInstallCaption.LoadString(IDS_INSTALL);
    m_strPlayCaption.LoadString(IDS_PLAY);

    CWndHandle playButton = GetDlgItem(IDOK);
    if (m_bInstalled) {
        playButton.SetWindowText(m_strPlayCaption);
    } else {
        playButton.SetWindowText(m_strInstallCaption);
        // Install takes Configure's place. The placement carries the show
        // state, so it is read while Configure is still visible, and
        // Configure is hidden last.
        CWndHandle configureButton = GetDlgItem(IDC_CONFIGURE);
        WINDOWPLACEMENT placement = {};
        if (configureButton.GetWindowPlacement(&placement))
            playButton.SetWindowPlacement(&placement);
        configureButton.ShowWindow(SW_HIDE);
    }
    // The focus goes to the first tab stop, button 1.
    return TRUE;
}

BOOL CLauncherDlg::ConfirmDosMode()
{
    // Only OK goes on: a box that could not open (0) has not warned anyone.
    return AfxMessageBox(IDS_CONFIRM_DOS_MODE, MB_OKCANCEL) == IDOK;
}

BOOL CLauncherDlg::RunChosenCommand(CommandSlot nSlot)
{
    CString strWhy;
    if (m_pCommands->RunCommand(nSlot, &strWhy))
        return TRUE;
    AfxMessageBox(strWhy, MB_OK | MB_ICONSTOP);
    return FALSE;
}

void CLauncherDlg::OnOK()
{
    if (m_bBusy)
        return;
    m_bBusy = TRUE;
    if (ConfirmDosMode() && RunChosenCommand(m_bInstalled ? kSlotPlay : kSlotInstall)) {
        // The launcher's part ends here; the window stays busy until it is gone.
        CDialog::OnOK();
        return;
    }
    m_bBusy = FALSE;
}

void CLauncherDlg::OnConfigure()
{
    if (m_bBusy)
        return;
    m_bBusy = TRUE;
    if (ConfirmDosMode() && RunChosenCommand(kSlotConfigure)) {
        EndDialog(IDC_CONFIGURE);
        return;
    }
    m_bBusy = FALSE;
}

void CLauncherDlg::OnViewReadme()
{
    if (m_bBusy)
        return;
    m_bBusy = TRUE;
    RunChosenCommand(kSlotViewReadme);
    m_bBusy = FALSE;
}

// Quit runs nothing; overridden all the same, so that every button's handler stands in this class.
void CLauncherDlg::OnCancel()
{
    if (m_bBusy)
        return;
    CDialog::OnCancel();
}

void CLauncherDlg::OnPaint()
{
    if (IsIconic()) {
        PaintMinimized();
        return;
    }

    CPaintDC dc(m_hWnd);
    // A memory device context that the system refused at the set-up, or at
    // an earlier paint, is asked for again.
    if (!dc || (!m_dcBackdrop && !m_dcBackdrop.Create(m_hBitmap, m_hPalette)))
        return;
    // The memory device context has had the palette since it was made.
    if (m_hPalette)
        RealizeForegroundPalette(dc, m_hPalette);
    ::BitBlt(dc, 0, 0, m_dcBackdrop.GetWidth(), m_dcBackdrop.GetHeight(), m_dcBackdrop, 0, 0, SRCCOPY);
}

void CLauncherDlg::SetUpBackdrop()
{
    // At 96 dots per inch the client area is the picture's size and the
    // picture is shown as it is stored. Any other setting makes the window
    // larger or smaller with its font, buttons included, and so does a work
    // area too small for it: then the picture is scaled to fill the client
    // area, so that the buttons stand where the artwork leaves room for them.
    // A picture that cannot be scaled is shown at its own size.
    BITMAP bm;
    RECT rect;
    GetClientRect(&rect);
    const int cx = rect.right - rect.left;
    const int cy = rect.bottom - rect.top;
    if (m_hBitmap && ::GetObjectA(m_hBitmap, sizeof(bm), &bm) != 0 &&
        (bm.bmWidth != cx || bm.bmHeight != cy) &&
        (bm.bmWidth > cx || bm.bmHeight > cy || !IsScreenAtDefaultDpi())) {
        CBitmap scaled(LoadScaledDibResource(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_BACKDROP),
                                             m_hPalette, cx, cy));
        if (scaled) {
            m_dcBackdrop.Release(); // a dialog run again: the old picture is still selected
            m_hBitmap = std::move(scaled);
        }
    }
    m_dcBackdrop.Create(m_hBitmap, m_hPalette);
}

namespace {

// Scales each edge to the nearest pixel, so that neighbouring controls keep
// their gaps. The rectangle is its four edges in a row, as MapWindowPoints
// reads it.
void ScaleRect(RECT* pRect, FitScale scale)
{
    for (LONG& nEdge : reinterpret_cast<LONG(&)[4]>(*pRect))
        nEdge = ::MulDiv(nEdge, scale.nNumerator, scale.nDenominator);
}

} // namespace

void CLauncherDlg::FitInWorkArea()
{
    RECT rcWork, rcWindow, rcClient;
    AfxGetWorkArea(&rcWork);
    ::GetWindowRect(m_hWnd, &rcWindow);
    GetClientRect(&rcClient);
    const int cxFrame = rcWindow.right - rcWindow.left - rcClient.right;
    const int cyFrame = rcWindow.bottom - rcWindow.top - rcClient.bottom;
    const FitScale scale = GetFitScale(rcClient.right, rcClient.bottom, rcWork.right - rcWork.left - cxFrame,
                                       rcWork.bottom - rcWork.top - cyFrame);
    if (scale.nNumerator == scale.nDenominator)
        return;
    // Nothing is shown yet: nothing is redrawn.
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        RECT rc;
        ::GetWindowRect(hChild, &rc);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        ScaleRect(&rc, scale);
        ::MoveWindow(hChild, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
    }
    ScaleRect(&rcClient, scale);
    ::MoveWindow(m_hWnd, rcWindow.left, rcWindow.top, rcClient.right + cxFrame, rcClient.bottom + cyFrame,
                 FALSE);
}

void CLauncherDlg::PaintMinimized()
{
    CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), 0);

    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = GetCenteredIconOffset(rect.right - rect.left, cxIcon);
    const int y = GetCenteredIconOffset(rect.bottom - rect.top, cyIcon);
    ::DrawIcon(dc, x, y, m_hIcon);
}

HCURSOR CLauncherDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

BOOL CLauncherDlg::OnQueryNewPalette()
{
    if (!m_hPalette)
        return FALSE;
    UINT nChanged = 0;
    {
        CClientDC dc(m_hWnd);
        if (dc)
            nChanged = RealizeForegroundPalette(dc, m_hPalette);
    }
    if (nChanged != 0)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return TRUE;
}
