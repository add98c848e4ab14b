// The application object, the entry point's work and the hidden main frame, in
// this program and in a run of the installer itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>
#include <string>

#include "app/MainFrame.h"
#include "framework/FileException.h"
#include "res/resource.h"
#include "res/texts.h"
#include "tests/ui/ui_test_app.h"
#include "tests/ui/window_probe.h"
#include "tests/ui/x_requests.h"

namespace {

constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;  // the run's frame style

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

TEST(MainFrame, LoadsFromResourceSet128Hidden) {
    auto frame = std::make_unique<CMainFrame>();
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, kFrameStyle, nullptr, nullptr));
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

    frame.reset();
    EXPECT_FALSE(::IsWindow(window));
}

// A program started for one test, ended with it whatever happens.
class StartedProgram {
public:
    StartedProgram(const std::string& path, const char* directory) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        std::string commandLine = "\"" + path + "\"";
        m_started = ::CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                     nullptr, directory, &startup, &m_process);
    }
    ~StartedProgram() {
        if (!m_started) return;
        if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_process.hProcess, 1);
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool Started() const { return m_started; }
    DWORD Id() const { return m_process.dwProcessId; }
    bool EndsWithin(DWORD ms) const {
        return ::WaitForSingleObject(m_process.hProcess, ms) == WAIT_OBJECT_0;
    }

private:
    BOOL m_started = FALSE;
    PROCESS_INFORMATION m_process = {};
};

struct DialogSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindAppDirDialog(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<DialogSearch*>(search);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != s->process || !::IsWindowVisible(window) ||
        ui_test::TextOf(window) != TW_TEXT_APPDIR_CAPTION)
        return TRUE;
    s->found = window;
    return FALSE;
}

// The installer's own run, watched from here: while its dialog is up, the frame
// that owns it is there and hidden, to Win32 and on the X display.
TEST(MainFrame, StaysHiddenWhileTheRunShowsItsDialog) {
    const char* installer = std::getenv("TW_UI_INSTALLER");
    ASSERT_NE(installer, nullptr) << "TW_UI_INSTALLER names the built Tarnwhistle.exe";
    StartedProgram run(ui_test::WindowsPathOf(installer), "F:\\");
    ASSERT_TRUE(run.Started()) << ::GetLastError();

    // A 32-bit start can take minutes here (qemu runs Wine's loader).
    DialogSearch search{run.Id(), nullptr};
    ASSERT_TRUE(ui_test::WaitUntil(
        [&] { return !::EnumWindows(FindAppDirDialog, reinterpret_cast<LPARAM>(&search)); },
        600000));
    HWND frame = ::GetWindow(search.found, GW_OWNER);
    ASSERT_NE(frame, nullptr) << "the dialog has an owner";
    ui_test::Screenshot("run-dialog");

    EXPECT_EQ(ui_test::TextOf(frame), "Tarnwhistle");
    EXPECT_FALSE(::IsWindowVisible(frame));
    EXPECT_EQ(ui_test::CountVisibleWindows("^Tarnwhistle$"), 0);
    EXPECT_EQ(ui_test::CountVisibleWindows(ui_test::NamePattern(TW_TEXT_APPDIR_CAPTION)), 1);

    ::PostMessageA(search.found, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(run.EndsWithin(60000)) << "the run ends after Cancel";
}

TEST(MainFrame, IsDynamicallyCreatableAsCMainFrame) {
    CMainFrame frame;
    EXPECT_STREQ(frame.GetRuntimeClass()->m_lpszClassName, "CMainFrame");
    std::unique_ptr<CWnd> made(CMainFrame::classCMainFrame.CreateObject());
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->GetRuntimeClass()->m_lpszClassName, "CMainFrame");
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
