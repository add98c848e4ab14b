// CFolderBrowser: the shell's folder picker. Set the title (and the owner window),
// call Browse, and read m_strPath when it returns 1.
#pragma once

#include "framework/CString.h"
#include "framework/afx_types.h"

class CFolderBrowser {
public:
    CFolderBrowser() = default;
    virtual ~CFolderBrowser() = default;
    CFolderBrowser(const CFolderBrowser&) = delete;
    CFolderBrowser& operator=(const CFolderBrowser&) = delete;

    // Shows the folder window and waits for the user. 1 when m_strPath holds the
    // file-system path of the confirmed folder (a drive root keeps its "\"), 0 when
    // the window was cancelled or closed, the item has no path or one that the ANSI
    // code page cannot carry, or the shell's allocator is not there. Reports nothing.
    int Browse();

    CString m_strPath;
    CString m_strTitle;
    // The window that the folder window belongs to and disables while it is open.
    HWND m_hwndOwner = nullptr;
};
