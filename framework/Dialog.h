// CDialog: a modal dialog made from a dialog template of the program's resources.
#pragma once

#include "framework/DataExchange.h"
#include "framework/Wnd.h"

// Centres window on its owner, or on the screen's work area when the owner is
// hidden or missing.
void CenterOnOwner(HWND window);

class CDialog : public CWnd {
public:
    // parentWnd: the owner; with none, the application's main window owns the dialog.
    explicit CDialog(UINT templateId, CWnd* parentWnd = nullptr);

    // Shows the dialog, its owner disabled, until EndDialog; returns EndDialog's
    // result, or -1 when the dialog could not be made.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // Runs the data exchange; FALSE when saving was refused (the user has been told).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // Loads the controls from the members; TRUE lets the system focus the first tab stop.
    virtual BOOL OnInitDialog();

    const MessageMap& GetMessageMap() const override { return messageMap; }
    static const MessageMap messageMap;

protected:
    virtual void DoDataExchange(CDataExchange* dx);
    // The OK button and the Enter key: saves the controls, then ends with IDOK.
    virtual void OnOK();
    // Cancel, the Escape key and the close box: ends with IDCANCEL at once.
    virtual void OnCancel();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
