// The launcher's only window: the backdrop picture with Play or Install,
// Configure, View Readme and Quit.
#pragma once

#include "platform/Dialog.h"
#include "platform/GdiHandles.h"
#include "platform/String.h"

class CLaunchCommands;

class CLauncherDlg : public CDialog
{
public:
    // Loads the icon, and the backdrop with its palette; no window yet.
    CLauncherDlg(BOOL bInstalled, CLaunchCommands* pCommands, CWnd* pParentWnd = nullptr);
    ~CLauncherDlg() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Play or Install, after the MS-DOS mode warning.
    void OnOK() override;
    void OnCancel() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnViewReadme();
    void OnConfigure();
    BOOL OnQueryNewPalette();

    DECLARE_MESSAGE_MAP()

private:
    // Asks before a command that hands the machine over to MS-DOS mode;
    // FALSE when the user refused.
    BOOL ConfirmDosMode();
    void PaintMinimized();

    CIconHandle m_hIcon; // shared, never destroyed
    BOOL m_bInstalled;
    CString m_strInstallCaption;
    CString m_strPlayCaption;
    CLaunchCommands* m_pCommands; // borrowed from the application
    CBitmap m_hBitmap;
    CPalette m_hPalette; // null without a palette
};
