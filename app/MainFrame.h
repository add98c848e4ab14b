// CMainFrame: the program's main window. It is made from resource set 128 and
// stays hidden; it exists so that the modal dialog has an owner.
#pragma once

#include "framework/FrameWnd.h"

class CMainFrame : public CFrameWnd {
public:
    CMainFrame() = default;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;

    const CRuntimeClass* GetRuntimeClass() const override { return &classCMainFrame; }
    const MessageMap& GetMessageMap() const override { return messageMap; }
    static const CRuntimeClass classCMainFrame;
    static const MessageMap messageMap;

protected:
    int OnCreate(CREATESTRUCTA* cs);
};
