// The launcher's only window: the backdrop picture with Play or Install,
// Configure, View Readme and Quit.
#pragma once

#include "platform/Dialog.h"
#include "platform/GdiHandles.h"
#include "platform/String.h"

class CLaunchCommands;
enum CommandSlot : int;

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
    // FALSE when the user refused, or when the question could not be asked.
    BOOL ConfirmDosMode();
    // Runs a command line; when it does not start, says why in a message box
    // of the launcher's own and returns FALSE.
    BOOL RunChosenCommand(CommandSlot nSlot);
    void PaintMinimized();
    // Where the template at the display's setting is larger than the work
    // area, shrinks the window until it fits, and moves and sizes its
    // controls in proportion; the font stays.
    void FitInWorkArea();
    // Prepares what each paint copies: the picture, scaled to the client
    // area unless the display has the default dots per inch and the picture
    // fits, selected with its palette into a device context kept until the
    // dialog goes.
    void SetUpBackdrop();

    CIconHandle m_hIcon; // shared, never destroyed
    BOOL m_bInstalled;
    CString m_strInstallCaption;
    CString m_strPlayCaption;
    CLaunchCommands* m_pCommands; // borrowed from the application
    CBitmap m_hBitmap;            // at the picture's size, or scaled once the window is set up
    CPalette m_hPalette;          // null without a palette
    // Holds m_hBitmap and m_hPalette selected, and goes before them. Made at
    // set-up, or at the first paint that finds it missing.
    CBitmapDC m_dcBackdrop;
    // TRUE while a message box of ours is open, and once a command has run
    // and the window is ending: button commands that arrive meanwhile (a
    // second click queued behind the first) are ignored.
    BOOL m_bBusy;
};
