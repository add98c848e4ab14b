// edit_box_probe.exe: tells the end-to-end tests what the installer's dialog
// shows in its edit box, which no X tool can read: the text (UTF-8), the
// selection in characters, and whether the box has the keyboard focus.
//     text<TAB><UTF-8 text>
//     selection<TAB><first> <past the last>
//     length<TAB><characters>
//     focus<TAB>edit|elsewhere
// It ends with 1 when no such dialog is shown.
#include <windows.h>

#include <cstdio>
#include <string>

#include "res/resource.h"
#include "res/texts.h"

namespace {

std::wstring FromCodePage936(const char* text) {
    wchar_t wide[256] = {};
    MultiByteToWideChar(936, 0, text, -1, wide, 256);
    return wide;
}

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 4 + 1, '\0');
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                   bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(size > 0 ? size : 0));
    return bytes;
}

}  // namespace

int main() {
    HWND dialog = FindWindowW(L"#32770", FromCodePage936(TW_TEXT_APPDIR_CAPTION).c_str());
    HWND edit = dialog ? GetDlgItem(dialog, IDC_APPDIR_EDIT) : nullptr;
    if (!edit) {
        std::fputs("no dialog\n", stdout);
        return 1;
    }
    // Both messages cross to the installer's process; Windows carries their text.
    DWORD_PTR length = 0;
    SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 10000, &copied);
    text.resize(copied);
    DWORD_PTR selection = 0;
    SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 10000, &selection);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    const bool focused = GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) &&
                         thread.hwndFocus == edit;
    std::printf("text\t%s\nselection\t%u %u\nlength\t%u\nfocus\t%s\n", Utf8(text).c_str(),
                static_cast<unsigned>(LOWORD(selection)), static_cast<unsigned>(HIWORD(selection)),
                static_cast<unsigned>(length), focused ? "edit" : "elsewhere");
    return 0;
}
