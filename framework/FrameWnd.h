// CFrameWnd: a top-level frame window made from a resource set: the set's menu,
// accelerator table and icon, and the first field of its string as the title.
#pragma once

#include "framework/Wnd.h"

// Frame styles, kept in the window's style word beside the WS_ bits.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;  // the title shows the document's name

// A frame's views and document; this program's frames have none.
struct CCreateContext;

class CFrameWnd : public CWnd {
public:
    CFrameWnd() = default;

    // Creates the frame from resource set resourceId. FALSE when the window could
    // not be created (the object stays and may be deleted).
    virtual BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* parentWnd = nullptr, CCreateContext* context = nullptr);

    // Gives the frame our frame window class when none is set.
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;

    const CString& GetTitle() const { return m_strTitle; }

    const CRuntimeClass* GetRuntimeClass() const override { return &classCFrameWnd; }
    static const CRuntimeClass classCFrameWnd;

    HACCEL m_hAccelTable = nullptr;

protected:
    // The frame's part of WM_CREATE: 0 to go on, -1 to fail the creation.
    int OnCreate(CREATESTRUCTA* cs);

private:
    CString m_strTitle;
};
