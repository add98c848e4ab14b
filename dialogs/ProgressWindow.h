// CProgressWindow: a small window for work that takes time, made from dialog
// template 215: a caption, one line naming the step under way and a progress
// bar. It has no buttons and cannot be closed by the user; the caller opens it,
// sets its line and bar as the work goes on, and closes it (or lets it go).
// The caller's thread must handle its messages meanwhile (HandleThreadMessages).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

class CProgressWindow {
public:
    CProgressWindow() = default;
    ~CProgressWindow() { Close(); }
    CProgressWindow(const CProgressWindow&) = delete;
    CProgressWindow& operator=(const CProgressWindow&) = delete;

    // Makes the window, centred on the work area, shown and in the taskbar.
    // False when it cannot be made; the work then goes on without it.
    bool Open();
    // The caption, instead of the template's (code page 936).
    void SetCaption(std::string_view caption);
    // The line: a step text of the program's (code page 936, with "%1") and the
    // name of the file it works on (the system's ANSI code page).
    void SetStep(std::string_view stepText, std::string_view fileName);
    // The bar, from 0 to range.
    void SetPosition(int position, int range);
    void Close();

    HWND GetSafeHwnd() const { return m_hWnd; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
};
