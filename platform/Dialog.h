// Modal dialogs made from a dialog template in the resource module.
#pragma once

#include "platform/Wnd.h"

class CDataExchange
{
public:
    explicit CDataExchange(BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate) {}
    BOOL m_bSaveAndValidate;
};

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog; returns the code given to EndDialog, or -1 when the
    // template cannot be loaded or the window cannot be created.
    virtual INT_PTR DoModal();

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    void EndDialog(int nResult);

    BOOL OnCommandHelp() override;

protected:
    UINT m_nIDHelp;
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
    void CenterInWorkArea();

    BOOL m_bCenter; // the template leaves the placement to us

    DECLARE_MESSAGE_MAP()
};
