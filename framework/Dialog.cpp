#include "framework/Dialog.h"

#include "framework/WinApp.h"

const MessageMap CDialog::messageMap{&CWnd::messageMap,
                                     {
                                         OnBnClicked<&CDialog::OnOK>(IDOK),
                                         OnBnClicked<&CDialog::OnCancel>(IDCANCEL),
                                     }};

CDialog::CDialog(UINT templateId, CWnd* parentWnd)
    : m_nIDTemplate(templateId), m_pParentWnd(parentWnd) {}

INT_PTR CDialog::DoModal() {
    CWnd* ownerWnd = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    HWND owner = ownerWnd ? ownerWnd->GetSafeHwnd() : nullptr;
    if (owner) owner = ::GetAncestor(owner, GA_ROOT);
    // The platform disables the owner while the dialog runs and enables it afterwards.
    // The wide function keeps the template's texts whole on any code page.
    return ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), owner,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CenterOnOwner(m_hWnd);
            return OnInitDialog();
        case WM_NCDESTROY:
            OnNcDestroy();
            return FALSE;
        default: {
            LRESULT result = 0;
            return OnWndMsg(message, wParam, lParam, result) ? TRUE : FALSE;
        }
    }
}

void CenterOnOwner(HWND window) {
    RECT area;
    HWND owner = ::GetWindow(window, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof(monitor);
        ::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
        area = monitor.rcWork;
    }
    RECT own;
    ::GetWindowRect(window, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) SetWindowLongPtrA(window, DWLP_USER, 0);
    // A handler that failed with an exception has been reported: the message counts as handled.
    return self->GuardedWindowProc(message, wParam, lParam, TRUE);
}
