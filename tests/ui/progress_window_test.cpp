// The progress window, the run's observer that opens it after a second, the
// wait that handles this thread's messages, and the wide texts they show.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialogs/ProgressWindow.h"
#include "dialogs/common_controls.h"
#include "dialogs/installation_progress.h"
#include "framework/WideText.h"
#include "install/thread_messages.h"
#include "res/resource.h"
#include "res/texts.h"
#include "tests/ui/window_probe.h"
#include "tests/ui/x_requests.h"

namespace {

const std::wstring kCopying = L"\x6b63\x5728\x590d\x5236 ";      // 正在复制
const std::wstring kRegistering = L"\x6b63\x5728\x6ce8\x518c ";  // 正在注册
const std::wstring kCaption = L"\x6b63\x5728\x5b89\x88c5\x9a71\x52a8\x7a0b\x5e8f";

std::wstring WideTextOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof(name));
    return name;
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// Visible windows of this process under the progress window's caption.
int VisibleProgressWindows() {
    int count = 0;
    for (HWND window : ui_test::VisibleWindowsOfProcess())
        if (WideTextOf(window) == kCaption) ++count;
    return count;
}

TEST(WideText, TurnsProgramTextsFrom936AndFileNamesFromTheirOwnCodePage) {
    EXPECT_EQ(WideFromProgramText(TW_TEXT_PROGRESS_CAPTION), kCaption);
    EXPECT_EQ(WideFromProgramText(TW_TEXT_COPYING), kCopying + L"%1");
    EXPECT_EQ(ProgramTextWithFile(TW_TEXT_REGISTERING, "Driver\\a.dll"),
              kRegistering + L"Driver\\a.dll");
    // The same byte reads differently in 1252 and 936: the code page is the one asked for.
    EXPECT_EQ(WideFromCodePage(1252, "\xE9t\xE9"), L"\x00e9t\x00e9");
    EXPECT_EQ(WideFromCodePage(936, "\xD5\xFD"), L"\x6b63");
    EXPECT_EQ(WideFromAnsi(""), L"");
    EXPECT_EQ(FormatWide1(L"%1 and %1", L"x"), L"x and %1");
    EXPECT_EQ(FormatWide1(L"none", L"x"), L"none");
}

TEST(CommonControls, LoadFromTheSystemFolderWithoutBeingImported) {
    ASSERT_TRUE(tw::LoadCommonControls());
    HMODULE loaded = ::GetModuleHandleA("comctl32.dll");
    ASSERT_NE(loaded, nullptr);
    char path[MAX_PATH] = {}, system[MAX_PATH] = {};
    ::GetModuleFileNameA(loaded, path, MAX_PATH);
    ::GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path,
                               static_cast<int>(std::string(system).size()), system, -1),
              CSTR_EQUAL)
        << path;
    WNDCLASSW bar = {};
    EXPECT_TRUE(::GetClassInfoW(nullptr, PROGRESS_CLASSW, &bar));
}

TEST(ProgressWindow, OpensCentredUnownedInTheTaskbarWithALineAndABarOnly) {
    CProgressWindow progress;
    ASSERT_TRUE(progress.Open());
    HWND window = progress.GetSafeHwnd();
    ui_test::Screenshot("progress-window");

    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_TRUE(::IsWindowUnicode(window));
    EXPECT_EQ(WideTextOf(window), kCaption);
    EXPECT_EQ(::GetWindow(window, GW_OWNER), nullptr);
    auto exStyle = static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE));
    EXPECT_EQ(exStyle & WS_EX_APPWINDOW, static_cast<DWORD>(WS_EX_APPWINDOW));
    auto style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
    EXPECT_EQ(style & WS_SYSMENU, 0u) << "no close box";

    std::vector<std::string> classes;
    for (HWND child : Children(window)) classes.push_back(ClassOf(child));
    EXPECT_EQ(classes, (std::vector<std::string>{"Static", "msctls_progress32"}));

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT own;
    ::GetWindowRect(window, &own);
    EXPECT_LE(std::abs((own.left + own.right) - (monitor.rcWork.left + monitor.rcWork.right)), 2);
    EXPECT_LE(std::abs((own.top + own.bottom) - (monitor.rcWork.top + monitor.rcWork.bottom)), 2);

    // The close command of Alt+F4 does not close it.
    ::SendMessageW(window, WM_CLOSE, 0, 0);
    ::SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(::IsWindow(window));

    progress.Close();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(progress.GetSafeHwnd(), nullptr);
}

TEST(ProgressWindow, ShowsTheStepWithTheFileAndScalesTheBar) {
    CProgressWindow progress;
    ASSERT_TRUE(progress.Open());
    HWND window = progress.GetSafeHwnd();
    HWND bar = ::GetDlgItem(window, IDC_PROGRESS_BAR);
    struct Case {
        const char* step;
        const char* file;
        std::wstring line;
        int position, range, shown;  // shown: of the bar's 1000
    };
    const Case cases[] = {
        {TW_TEXT_COPYING, "driversupport\\readme.txt", kCopying + L"driversupport\\readme.txt", 0,
         1000, 0},
        {TW_TEXT_COPYING, "Driver\\\xD5\xFD.sys", kCopying + L"Driver\\\x6b63.sys", 250, 1000, 250},
        {TW_TEXT_REGISTERING, "Driver\\a.dll", kRegistering + L"Driver\\a.dll", 3, 4, 750},
        {TW_TEXT_REGISTERING, "Driver\\a.dll", kRegistering + L"Driver\\a.dll", 1000, 1000, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        progress.SetStep(c.step, c.file);
        progress.SetPosition(c.position, c.range);
        EXPECT_EQ(WideTextOf(::GetDlgItem(window, IDC_PROGRESS_STEP)), c.line);
        EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), c.shown);
    }
    ui_test::Screenshot("progress-window-full");
}

TEST(InstallationProgress, ShowsNothingWithinTheFirstSecondThenTheWindowUntilItGoes) {
    {
        InstallationProgress progress;
        progress.Show(tw::ProgressStep::copying, "driversupport\\a.txt", 0);
        EXPECT_EQ(VisibleProgressWindows(), 0) << "a window within the first second";
        ::Sleep(1100);
        progress.Show(tw::ProgressStep::registering, "Driver\\b.dll", 500);
        ASSERT_EQ(VisibleProgressWindows(), 1);
        HWND window = nullptr;
        for (HWND candidate : ui_test::VisibleWindowsOfProcess())
            if (WideTextOf(candidate) == kCaption) window = candidate;
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(WideTextOf(::GetDlgItem(window, IDC_PROGRESS_STEP)),
                  kRegistering + L"Driver\\b.dll");
        EXPECT_EQ(::SendDlgItemMessageW(window, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 500);
    }
    EXPECT_EQ(VisibleProgressWindows(), 0) << "the window outlives the installation";

    // A run that ends within the second never shows one, not even later.
    { InstallationProgress quick; }
    ::Sleep(1100);
    HandleThreadMessages();
    EXPECT_EQ(VisibleProgressWindows(), 0);
}

// The removal shows the same window under its own caption and steps.
TEST(InstallationProgress, TheRemovalsCaptionAndSteps) {
    const std::wstring removing =
        L"\x6b63\x5728\x5378\x8f7d\x9a71\x52a8\x7a0b\x5e8f";  // 正在卸载驱动程序
    InstallationProgress progress(TW_TEXT_REMOVAL_PROGRESS_CAPTION);
    progress.Show(tw::ProgressStep::unregistering, "C:\\V\\Driver\\a.dll", 0);
    ::Sleep(1100);
    HWND window = nullptr;
    const struct {
        tw::ProgressStep step;
        std::wstring line;
    } cases[] = {
        {tw::ProgressStep::unregistering,
         L"\x6b63\x5728\x6ce8\x9500 C:\\V\\Driver\\a.dll"},  // 正在注销
        {tw::ProgressStep::deleting, L"\x6b63\x5728\x5220\x9664 C:\\V\\Driver\\a.dll"},  // 正在删除
    };
    for (const auto& c : cases) {
        progress.Show(c.step, "C:\\V\\Driver\\a.dll", 500);
        for (HWND candidate : ui_test::VisibleWindowsOfProcess())
            if (WideTextOf(candidate) == removing) window = candidate;
        ASSERT_NE(window, nullptr) << "no window under the removal's caption";
        EXPECT_EQ(WideTextOf(::GetDlgItem(window, IDC_PROGRESS_STEP)), c.line);
    }
    EXPECT_EQ(VisibleProgressWindows(), 0) << "the installation's caption on the removal";
}

// A hidden top-level window of this thread, as the installer's frame is.
class HiddenWindow {
public:
    HiddenWindow() {
        m_window = ::CreateWindowExW(0, L"Static", L"hidden", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                     nullptr, nullptr, nullptr);
    }
    ~HiddenWindow() { ::DestroyWindow(m_window); }
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    HWND Get() const { return m_window; }

private:
    HWND m_window;
};

DWORD WINAPI SendToWindow(void* window) {
    ::SendMessageW(static_cast<HWND>(window), WM_NULL, 0, 0);
    return 0;
}

TEST(ThreadMessages, AProgramThatSendsUsAMessageIsAnsweredDuringTheWait) {
    HiddenWindow window;
    ASSERT_NE(window.Get(), nullptr);
    HANDLE sender = ::CreateThread(nullptr, 0, SendToWindow, window.Get(), 0, nullptr);
    ASSERT_NE(sender, nullptr);
    // Without the messages handled the sender would wait for us as long as we wait for it.
    EXPECT_EQ(::WaitForSingleObject(sender, 300), static_cast<DWORD>(WAIT_TIMEOUT));
    DWORD began = ::GetTickCount();
    EXPECT_TRUE(WaitForAnyHandlingMessages(1, &sender, 20000));
    EXPECT_LT(::GetTickCount() - began, 10000u);
    ::CloseHandle(sender);
}

// The queue takes one of the 64 places of one wait: the 64th handle is looked at
// between short waits, and a wait that nothing ends lasts its time and no longer.
TEST(ThreadMessages, WaitsForAnyOf64HandlesAndEndsOnTime) {
    std::vector<HANDLE> events;
    for (int i = 0; i < 64; ++i) events.push_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const struct {
        int signalled;  // -1: none
        bool ends;
        DWORD atLeastMs;
    } cases[] = {{63, true, 0}, {0, true, 0}, {-1, false, 150}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signalled);
        for (HANDLE event : events) ::ResetEvent(event);
        if (c.signalled >= 0) ::SetEvent(events[static_cast<std::size_t>(c.signalled)]);
        DWORD began = ::GetTickCount();
        EXPECT_EQ(WaitForAnyHandlingMessages(64, events.data(), 200), c.ends);
        DWORD waited = ::GetTickCount() - began;
        EXPECT_GE(waited, c.atLeastMs);
        EXPECT_LT(waited, c.ends ? 150u : 5000u);
    }
    for (HANDLE event : events) ::CloseHandle(event);
}

}  // namespace
