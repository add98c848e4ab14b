// CWnd: a window of the platform and the object that handles its messages.
// Windows of our own classes (frames, dialogs) dispatch through message maps;
// a CWnd can also stand for a control it did not create (Attach), without owning it.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "framework/CString.h"
#include "framework/MessageMap.h"

class CWnd;

// The name of a window class of ours, and how to make one where it can be made.
struct CRuntimeClass {
    const char* m_lpszClassName;
    CWnd* (*m_pfnCreateObject)();

    CWnd* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
};

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Destroys a window that this object created and that still exists.
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }

    BOOL ShowWindow(int command);
    void UpdateWindow();
    BOOL DestroyWindow();
    void SetFocus();
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // The control with the id, or null. The object stays with this window.
    CWnd* GetDlgItem(int controlId);

    // A message box owned by this window; the caption defaults to the application title.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

    // Stands for a window created elsewhere, without owning it.
    BOOL Attach(HWND window);
    HWND Detach();
    // Detaches control when this window is destroyed (controls of the data exchange).
    void DetachOnDestroy(CWnd& control);

    // Adjusts the creation parameters before the window is created; FALSE stops it.
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);

    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCWnd; }
    virtual const MessageMap& GetMessageMap() const { return messageMap; }

    static const CRuntimeClass classCWnd;
    static const MessageMap messageMap;

    HWND m_hWnd = nullptr;

protected:
    // Creates a window of a class whose procedure is StandardWndProc; this object
    // then receives its messages from the first one on.
    BOOL CreateEx(const CREATESTRUCTA& cs);

    // Handles one message: the message map first, then the default handling.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // True when the message map chain had a handler; its result is in result.
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // WindowProc behind the framework's guard: an exception that leaves a handler
    // is reported with a stop-icon box and the message counts as handled, with
    // the result handledResult.
    LRESULT GuardedWindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT handledResult);
    // Forgets the window once the platform has destroyed it.
    void OnNcDestroy();

    static LRESULT CALLBACK StandardWndProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

private:
    bool m_bOwnsWindow = false;
    std::map<int, std::unique_ptr<CWnd>> m_dialogItems;
    std::vector<CWnd*> m_attachedControls;
};
