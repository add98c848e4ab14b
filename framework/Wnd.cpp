#include "framework/Wnd.h"

#include "framework/AppTitle.h"
#include "framework/ExceptionReport.h"
#include "framework/WideText.h"

const CRuntimeClass CWnd::classCWnd{"CWnd", nullptr};
const MessageMap CWnd::messageMap{nullptr, {}};

const MessageMapEntry* MessageMap::Find(UINT message, WPARAM wParam) const {
    for (const MessageMapEntry& entry : entries) {
        if (entry.message != message) continue;
        if (message != WM_COMMAND) return &entry;
        if (entry.controlId == LOWORD(wParam) && entry.notifyCode == HIWORD(wParam)) return &entry;
    }
    return nullptr;
}

CWnd::~CWnd() {
    if (m_hWnd && m_bOwnsWindow) {
        // The object is going away: no more messages reach it.
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }

void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

void CWnd::SetFocus() { ::SetFocus(m_hWnd); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

CWnd* CWnd::GetDlgItem(int controlId) {
    HWND control = ::GetDlgItem(m_hWnd, controlId);
    if (!control) return nullptr;
    std::unique_ptr<CWnd>& item = m_dialogItems[controlId];
    if (!item) item = std::make_unique<CWnd>();
    item->m_hWnd = control;
    return item.get();
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
    return ShowMessageBox(m_hWnd, WideFromProgramText(text),
                          WideFromProgramText(caption ? caption : AfxGetAppName()), type);
}

BOOL CWnd::Attach(HWND window) {
    if (m_hWnd || !window) return FALSE;
    m_hWnd = window;
    m_bOwnsWindow = false;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND window = m_hWnd;
    m_hWnd = nullptr;
    return window;
}

void CWnd::DetachOnDestroy(CWnd& control) { m_attachedControls.push_back(&control); }

BOOL CWnd::PreCreateWindow(CREATESTRUCTA&) { return TRUE; }

BOOL CWnd::CreateEx(const CREATESTRUCTA& cs) {
    HWND window = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y,
                                    cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, this);
    if (!window) return FALSE;
    m_bOwnsWindow = true;
    return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, result)) return result;
    result = ::DefWindowProcA(m_hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) OnNcDestroy();
    return result;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (const MessageMap* map = &GetMessageMap(); map; map = map->base) {
        if (const MessageMapEntry* entry = map->Find(message, wParam)) {
            result = entry->invoke(*this, wParam, lParam);
            return true;
        }
    }
    return false;
}

LRESULT CWnd::GuardedWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT handledResult) {
    // No exception may cross the platform's frames back into the message loop.
    try {
        return WindowProc(message, wParam, lParam);
    } catch (...) {
        ReportCurrentException(m_hWnd, AfxGetAppName());
        return handledResult;
    }
}

void CWnd::OnNcDestroy() {
    for (CWnd* control : m_attachedControls) control->Detach();
    m_attachedControls.clear();
    m_dialogItems.clear();
    m_hWnd = nullptr;
    m_bOwnsWindow = false;
}

LRESULT CALLBACK CWnd::StandardWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->m_hWnd = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CWnd*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return ::DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    return self->GuardedWindowProc(message, wParam, lParam, 0);
}
