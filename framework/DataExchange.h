// Dialog data exchange: moving values between a dialog's controls and its
// members, in either direction, with validation when saving.
#pragma once

#include <windows.h>

#include "framework/FileException.h"
#include "framework/CString.h"

class CWnd;

// Thrown by a failed exchange; UpdateData catches it. The user has been told.
class CUserException : public CException {};

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    // The control id of the dialog; later failures point the user at it.
    HWND PrepareCtrl(int controlId);
    HWND PrepareEditCtrl(int controlId);
    // Gives the last prepared control the focus (an edit with its whole text
    // selected) and ends the exchange as failed.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;  // TRUE: controls to members, FALSE: members to controls
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl = nullptr;
    BOOL m_bEditLastControl = FALSE;
};

// Attaches control to the dialog's control id on the first exchange.
void DDX_Control(CDataExchange* dx, int controlId, CWnd& control);
// The whole text of the control and value.
void DDX_Text(CDataExchange* dx, int controlId, CString& value);
// The framework's text for a value longer than maxChars bytes.
CString MaxCharsMessage(int maxChars);
// Saving: refuses a value longer than maxChars bytes with the framework's message.
// Otherwise the last edit control's typing limit is set to maxChars.
void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars);
