#include "framework/EditByteLimit.h"

namespace {

constexpr wchar_t kPreviousProcProperty[] = L"TwEditPreviousProc";
constexpr wchar_t kLimitProperty[] = L"TwEditByteLimit";

std::wstring TextOf(HWND edit) {
    int length = ::GetWindowTextLengthW(edit);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = ::GetWindowTextW(edit, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

// Messages through which the user changes the text: keys (Ctrl+V, Shift+Insert
// and Delete arrive as keys), characters, the input method, the clipboard and undo.
bool MayChangeText(UINT message) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_IME_CHAR:
        case WM_IME_COMPOSITION:
        case WM_PASTE:
        case WM_UNDO:
        case EM_UNDO:
        case EM_REPLACESEL:
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK LimitedEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(::GetPropW(edit, kPreviousProcProperty));
    if (!previous) return ::DefWindowProcW(edit, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        ::RemovePropW(edit, kPreviousProcProperty);
        ::RemovePropW(edit, kLimitProperty);
        return ::CallWindowProcW(previous, edit, message, wParam, lParam);
    }
    if (!MayChangeText(message)) return ::CallWindowProcW(previous, edit, message, wParam, lParam);

    auto limit = static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropW(edit, kLimitProperty)));
    std::wstring before = TextOf(edit);
    DWORD start = 0, end = 0;
    ::CallWindowProcW(previous, edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                      reinterpret_cast<LPARAM>(&end));
    LRESULT result = ::CallWindowProcW(previous, edit, message, wParam, lParam);
    std::wstring after = TextOf(edit);
    // A text already over the limit (put in by the program) may still shrink.
    int bytes = AnsiByteCount(after);
    if (bytes <= limit || bytes <= AnsiByteCount(before)) return result;
    ::CallWindowProcW(previous, edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(before.c_str()));
    ::CallWindowProcW(previous, edit, EM_SETSEL, start, static_cast<LPARAM>(end));
    ::MessageBeep(MB_OK);
    return result;
}

}  // namespace

int AnsiByteCount(const std::wstring& text) {
    if (text.empty()) return 0;
    return ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
}

void LimitEditToAnsiBytes(HWND edit, int maxBytes) {
    if (!edit) return;
    ::SetPropW(edit, kLimitProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(maxBytes)));
    if (::GetPropW(edit, kPreviousProcProperty)) return;
    // The previous procedure is in place before the first message can need it.
    LONG_PTR previous = ::GetWindowLongPtrW(edit, GWLP_WNDPROC);
    ::SetPropW(edit, kPreviousProcProperty, reinterpret_cast<HANDLE>(previous));
    ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LimitedEditProc));
}
