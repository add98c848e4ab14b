#include "framework/EditByteLimit.h"

#include <memory>

namespace {

// The procedure of the system's edit class, the same for every edit box; a box's
// limit is kept in its GWLP_USERDATA, which the edit control leaves to the program.
WNDPROC editProcedure = nullptr;

struct EditText {
    explicit EditText(HWND edit)
        : length(::GetWindowTextLengthW(edit)), chars(new wchar_t[length + 1]) {
        length = ::GetWindowTextW(edit, chars.get(), length + 1);
    }
    // Bytes in the ANSI code page (a character it cannot show counts as one).
    int AnsiBytes() const {
        return length > 0 ? ::WideCharToMultiByte(CP_ACP, 0, chars.get(), length, nullptr, 0,
                                                  nullptr, nullptr)
                          : 0;
    }
    int length;
    std::unique_ptr<wchar_t[]> chars;
};

// Messages through which the user changes the text: keys (Ctrl+V, Shift+Insert
// and Delete arrive as keys), characters, the input method, the clipboard and undo.
bool MayChangeText(UINT message) {
    return message == WM_KEYDOWN || message == WM_CHAR || message == WM_IME_CHAR ||
           message == WM_IME_COMPOSITION || message == WM_PASTE || message == WM_UNDO ||
           message == EM_UNDO || message == EM_REPLACESEL;
}

LRESULT CALLBACK LimitedEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = editProcedure;
    if (!MayChangeText(message)) return ::CallWindowProcW(previous, edit, message, wParam, lParam);

    EditText before(edit);
    DWORD start = 0, end = 0;
    ::CallWindowProcW(previous, edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                      reinterpret_cast<LPARAM>(&end));
    LRESULT result = ::CallWindowProcW(previous, edit, message, wParam, lParam);
    int bytes = EditText(edit).AnsiBytes();
    // A text already over the limit (put in by the program) may still shrink.
    if (bytes <= ::GetWindowLongPtrW(edit, GWLP_USERDATA) || bytes <= before.AnsiBytes())
        return result;
    ::CallWindowProcW(previous, edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(before.chars.get()));
    ::CallWindowProcW(previous, edit, EM_SETSEL, start, static_cast<LPARAM>(end));
    return result;
}

}  // namespace

void LimitEditToAnsiBytes(HWND edit, int maxBytes) {
    if (!edit) return;
    ::SetWindowLongPtrW(edit, GWLP_USERDATA, maxBytes);
    LONG_PTR current = ::GetWindowLongPtrW(edit, GWLP_WNDPROC);
    if (current == reinterpret_cast<LONG_PTR>(&LimitedEditProc)) return;
    // The edit procedure is known before the first message can need it.
    editProcedure = reinterpret_cast<WNDPROC>(current);
    ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LimitedEditProc));
}
