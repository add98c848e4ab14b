#include "tests/ui/window_probe.h"

#include <atomic>
#include <thread>

#include "tests/ui/x_requests.h"

namespace ui_test {

namespace {

std::string ClassOf(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof(name));
    return name;
}

bool IsDialogClass(HWND window) { return ClassOf(window) == "#32770"; }

BOOL CALLBACK CollectVisibleOfProcess(HWND window, LPARAM list) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < timeoutMs; ::Sleep(20))
        if (condition()) return true;
    return condition();
}

std::vector<HWND> VisibleWindowsOfProcess() {
    std::vector<HWND> windows;
    ::EnumWindows(CollectVisibleOfProcess, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

namespace {

// The first visible dialog-class window of this process that matches, once there
// is one; null on a timeout.
HWND WaitForVisibleDialog(const std::function<bool(HWND)>& matches, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : VisibleWindowsOfProcess()) {
                if (IsDialogClass(window) && matches(window)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

}  // namespace

HWND WaitForDialog(const std::string& caption, HWND owner, DWORD timeoutMs) {
    return WaitForVisibleDialog(
        [&](HWND window) {
            return TextOf(window) == caption && (!owner || ::GetWindow(window, GW_OWNER) == owner);
        },
        timeoutMs);
}

HWND WaitForOwnedDialog(HWND owner, DWORD timeoutMs) {
    return WaitForVisibleDialog([&](HWND window) { return ::GetWindow(window, GW_OWNER) == owner; },
                                timeoutMs);
}

bool WaitForGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !::IsWindow(window) || !::IsWindowVisible(window); }, timeoutMs);
}

std::string TextOf(HWND window) {
    // WM_GETTEXT, not GetWindowTextA: it reaches controls of other threads too.
    auto length = ::SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    auto copied =
        ::SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

MessageBoxView ReadMessageBox(HWND box) {
    MessageBoxView view;
    view.caption = TextOf(box);
    view.owner = ::GetWindow(box, GW_OWNER);
    if (HWND text = ::GetDlgItem(box, 0xFFFF)) view.text = TextOf(text);
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        LONG style = ::GetWindowLongA(child, GWL_STYLE);
        if (ClassOf(child) == "Static" && (style & SS_TYPEMASK) == SS_ICON)
            view.icon = reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0));
    }
    return view;
}

HICON SystemIcon(LPCSTR id) { return ::LoadIconA(nullptr, id); }

HWND FocusOfThreadOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

std::pair<DWORD, DWORD> EditSelection(HWND edit) {
    DWORD first = 0, end = 0;
    ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&first),
                   reinterpret_cast<LPARAM>(&end));
    return {first, end};
}

INT_PTR RunWhileDriven(const std::function<INT_PTR()>& run, const std::function<void()>& script) {
    std::atomic<bool> running{true};
    std::thread watcher([&] {
        script();
        // Whatever the script left open is cancelled, once it has had time to close.
        if (WaitUntil([&] { return !running; }, 15000)) return;
        while (running) {
            for (HWND window : VisibleWindowsOfProcess())
                if (IsDialogClass(window) && ::IsWindowEnabled(window))
                    ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            ::Sleep(200);
        }
    });
    INT_PTR result = run();
    running = false;
    watcher.join();
    return result;
}

bool PressKeysUntil(const std::string& caption, const std::string& keys,
                    const std::function<bool()>& done) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!PressKeys(NamePattern(caption), keys)) return false;
        if (WaitUntil(done, 5000)) return true;
    }
    return false;
}

std::string NamePattern(const std::string& ansiCaption) {
    std::string pattern = "^";
    for (char c : Utf8FromAnsi(ansiCaption)) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) pattern += '\\';
        pattern += c;
    }
    return pattern + "$";
}

}  // namespace ui_test
