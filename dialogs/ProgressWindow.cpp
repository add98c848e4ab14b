#include "dialogs/ProgressWindow.h"

#include <commctrl.h>

#include "dialogs/common_controls.h"
#include "framework/Dialog.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "res/resource.h"

// The bar's own range; positions are scaled to it.
constexpr int kBarRange = 1000;

bool CProgressWindow::Open() {
    if (m_hWnd) return true;
    // The bar is a common control: its class must be there before the template is.
    if (!tw::LoadCommonControls()) return false;
    m_hWnd = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDD_PROGRESS), nullptr,
                                  &CProgressWindow::DialogProc, 0);
    if (!m_hWnd) return false;
    ::SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, kBarRange);
    CenterOnOwner(m_hWnd);  // it has no owner: on the work area
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::UpdateWindow(m_hWnd);
    return true;
}

void CProgressWindow::SetCaption(std::string_view caption) {
    if (!m_hWnd) return;
    ::SetWindowTextW(m_hWnd, WideFromProgramText(caption).c_str());
}

void CProgressWindow::SetStep(std::string_view stepText, std::string_view fileName) {
    if (!m_hWnd) return;
    ::SetDlgItemTextW(m_hWnd, IDC_PROGRESS_STEP, ProgramTextWithFile(stepText, fileName).c_str());
}

void CProgressWindow::SetPosition(int position, int range) {
    if (!m_hWnd || range <= 0) return;
    long long scaled = static_cast<long long>(position) * kBarRange / range;
    ::SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(scaled), 0);
}

void CProgressWindow::Close() {
    if (!m_hWnd) return;
    ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

INT_PTR CALLBACK CProgressWindow::DialogProc(HWND, UINT message, WPARAM, LPARAM) {
    // Nothing to do: the window has no buttons, and the close command that
    // Alt+F4 sends is ignored.
    return message == WM_INITDIALOG ? TRUE : FALSE;
}
