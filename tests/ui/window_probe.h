// Looking at the windows of this process from a watcher thread while the test's
// own thread sits in a modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui_test {

// Polls condition until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 30000);

// Visible top-level windows of this process.
std::vector<HWND> VisibleWindowsOfProcess();
// The visible dialog-class window of this process with the caption (and owner, when
// given), once it is there; null on a timeout.
HWND WaitForDialog(const std::string& caption, HWND owner = nullptr, DWORD timeoutMs = 30000);
// A visible dialog-class window owned by owner, whatever its caption.
HWND WaitForOwnedDialog(HWND owner, DWORD timeoutMs = 30000);
bool WaitForGone(HWND window, DWORD timeoutMs = 30000);

std::string TextOf(HWND window);

struct MessageBoxView {
    std::string caption;
    std::string text;
    HICON icon = nullptr;
    HWND owner = nullptr;
};
MessageBoxView ReadMessageBox(HWND box);
// The system's shared icon of the id (IDI_HAND, IDI_EXCLAMATION).
HICON SystemIcon(LPCSTR id);

// The window that has the keyboard focus in the thread that owns window.
HWND FocusOfThreadOf(HWND window);
// The selection of an edit control: first and end byte.
std::pair<DWORD, DWORD> EditSelection(HWND edit);

// Runs run() on this thread (it enters a modal loop) while script() drives it from
// a watcher thread. Should the script leave windows open, they are cancelled so
// that run() returns. The result is run()'s.
INT_PTR RunWhileDriven(const std::function<INT_PTR()>& run, const std::function<void()>& script);

// Presses keys in the window named caption (xdotool) until done() holds: a key
// that reaches Wine while it is still activating the window may be lost.
bool PressKeysUntil(const std::string& caption, const std::string& keys,
                    const std::function<bool()>& done);

// A caption as an xdotool name pattern: the whole name, in UTF-8.
std::string NamePattern(const std::string& ansiCaption);

}  // namespace ui_test
