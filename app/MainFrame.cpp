#include "app/MainFrame.h"

const CRuntimeClass CMainFrame::classCMainFrame{"CMainFrame",
                                                []() -> CWnd* { return new CMainFrame; }};

const MessageMap CMainFrame::messageMap{&CFrameWnd::messageMap,
                                        {
                                            OnWmCreate<&CMainFrame::OnCreate>(),
                                        }};

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) { return CFrameWnd::PreCreateWindow(cs); }

int CMainFrame::OnCreate(CREATESTRUCTA* cs) {
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    return 0;
}
