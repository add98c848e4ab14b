// The application object, the entry point's work and the hidden main frame.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/MainFrame.h"
#include "framework/FileException.h"
#include "res/resource.h"
#include "tests/ui/ui_test_app.h"
#include "tests/ui/window_probe.h"
#include "tests/ui/x_requests.h"

namespace {

constexpr DWORD kFrameStyle = 0x00CF8000;  // WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE

TEST(ApplicationObject, TakesItsTitleFromString57344) {
    EXPECT_EQ(AfxGetApp(), &TestApp());
    EXPECT_STREQ(TestApp().m_pszAppName, "Tarnwhistle");
    EXPECT_STREQ(AfxGetAppName(), "Tarnwhistle");
}

TEST(ApplicationObject, FalseFromInitInstanceDestroysTheMainWindowWithoutALoop) {
    HWND frameWindow = nullptr;
    TestApp().initInstance = [&](CUiTestApp& app) -> BOOL {
        auto* frame = new CMainFrame;
        app.m_pMainWnd = frame;
        frame->LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr);
        frameWindow = frame->GetSafeHwnd();
        // A loop would end at once with 9: the exit code shows whether it ran.
        ::PostQuitMessage(9);
        return FALSE;
    };
    EXPECT_EQ(AfxWinMain(), 0);
    TestApp().initInstance = nullptr;
    MSG quit;
    EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    ASSERT_NE(frameWindow, nullptr);
    EXPECT_FALSE(::IsWindow(frameWindow));
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

TEST(ApplicationObject, TrueFromInitInstanceRunsTheMessageLoop) {
    TestApp().initInstance = [](CUiTestApp&) -> BOOL {
        ::PostQuitMessage(3);
        return TRUE;
    };
    EXPECT_EQ(AfxWinMain(), 3);
    TestApp().initInstance = nullptr;
}

TEST(ApplicationObject, ExitInstanceGivesTheExitCodeAfterEitherEnd) {
    std::vector<int> frameworkCodes;
    TestApp().exitInstance = [&](int frameworkCode) {
        frameworkCodes.push_back(frameworkCode);
        return 1602 + static_cast<int>(frameworkCodes.size());
    };
    TestApp().initInstance = [](CUiTestApp&) -> BOOL {
        ::PostQuitMessage(7);
        return TRUE;
    };
    EXPECT_EQ(AfxWinMain(), 1603);
    TestApp().initInstance = nullptr;
    EXPECT_EQ(AfxWinMain(), 1604);
    TestApp().exitInstance = nullptr;
    EXPECT_EQ(frameworkCodes, (std::vector<int>{7, 0}));
}

TEST(MainFrame, LoadsFromResourceSet128AndStaysHidden) {
    auto frame = std::make_unique<CMainFrame>();
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr));
    frame->ShowWindow(SW_HIDE);
    frame->UpdateWindow();
    HWND window = frame->GetSafeHwnd();

    EXPECT_EQ(ui_test::TextOf(window), "Tarnwhistle");
    EXPECT_EQ(frame->GetTitle(), "Tarnwhistle");
    auto style = static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE));
    EXPECT_EQ(style & kFrameStyle, kFrameStyle);
    EXPECT_EQ(style & WS_VISIBLE, 0u);
    EXPECT_EQ(::GetMenuItemCount(::GetMenu(window)), 3);
    EXPECT_NE(frame->m_hAccelTable, nullptr);
    EXPECT_NE(::SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0);

    for (HWND visible : ui_test::VisibleWindowsOfProcess()) EXPECT_NE(visible, window);
    EXPECT_EQ(ui_test::CountVisibleWindows("^Tarnwhistle$"), 0);

    frame.reset();
    EXPECT_FALSE(::IsWindow(window));
}

TEST(MainFrame, IsDynamicallyCreatableAsCMainFrame) {
    CMainFrame frame;
    EXPECT_STREQ(frame.GetRuntimeClass()->m_lpszClassName, "CMainFrame");
    std::unique_ptr<CWnd> made(CMainFrame::classCMainFrame.CreateObject());
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->GetRuntimeClass()->m_lpszClassName, "CMainFrame");
}

TEST(MainFrame, MapsOnlyWmCreate) {
    const MessageMap& map = CMainFrame::messageMap;
    ASSERT_EQ(map.entries.size(), 1u);
    EXPECT_EQ(map.entries[0].message, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(map.base, &CFrameWnd::messageMap);
}

// A frame whose creation handler refuses: the map routes WM_CREATE to it, and the
// refusal fails the load.
class RefusingFrame : public CFrameWnd {
public:
    const MessageMap& GetMessageMap() const override { return messageMap; }
    static const MessageMap messageMap;
    int calls = 0;

protected:
    int OnCreate(CREATESTRUCTA*) {
        ++calls;
        return -1;
    }
};
const MessageMap RefusingFrame::messageMap{&CFrameWnd::messageMap,
                                           {OnWmCreate<&RefusingFrame::OnCreate>()}};

TEST(MainFrame, ARefusedCreationFailsTheLoad) {
    RefusingFrame frame;
    EXPECT_FALSE(frame.LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr));
    EXPECT_EQ(frame.calls, 1);
    EXPECT_EQ(frame.GetSafeHwnd(), nullptr);
}

}  // namespace
