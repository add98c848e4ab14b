#include "framework/DataExchange.h"

#include "framework/EditByteLimit.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "framework/afx_texts.h"

HWND CDataExchange::PrepareCtrl(int controlId) {
    m_hWndLastControl = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), controlId);
    m_bEditLastControl = FALSE;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int controlId) {
    HWND control = PrepareCtrl(controlId);
    m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail() {
    if (m_hWndLastControl) {
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl) ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw CUserException();
}

void DDX_Control(CDataExchange* dx, int controlId, CWnd& control) {
    if (control.GetSafeHwnd()) return;
    control.Attach(dx->PrepareCtrl(controlId));
    dx->m_pDlgWnd->DetachOnDestroy(control);
}

void DDX_Text(CDataExchange* dx, int controlId, CString& value) {
    HWND control = dx->PrepareEditCtrl(controlId);
    if (!dx->m_bSaveAndValidate) {
        ::SetWindowTextA(control, value);
        return;
    }
    int length = ::GetWindowTextLengthA(control);
    char* buffer = value.GetBuffer(length);
    int copied = ::GetWindowTextA(control, buffer, length + 1);
    value.ReleaseBuffer(copied);
}

CString MaxCharsMessage(int maxChars) {
    CString limit;
    limit.Format("%d", maxChars);
    return AfxFormatString1(AFX_TEXT_MAX_CHARS, limit);
}

void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars) {
    if (dx->m_bSaveAndValidate && value.GetLength() > maxChars) {
        ShowMessageBox(dx->m_pDlgWnd->GetSafeHwnd(),
                       WideFromProgramText(MaxCharsMessage(maxChars).GetString()),
                       WideFromProgramText(AfxGetAppName()), MB_OK | MB_ICONEXCLAMATION);
        dx->Fail();
    }
    if (dx->m_hWndLastControl && dx->m_bEditLastControl) {
        ::SendMessageA(dx->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        // The limit counts bytes, as the program's texts do, not the characters of the box.
        LimitEditToAnsiBytes(dx->m_hWndLastControl, maxChars);
    }
}
