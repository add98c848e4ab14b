// The registration tool started for real from the application directory and
// waited for, under Wine (the host starts no tool): the logging stand-in and
// Wine's own regsvr32.exe. The engine returns only once its tools have ended, so
// everything they leave is there when it returns.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "install/engine.h"
#include "install/platform_install_system.h"
#include "tests/install/recording_system.h"
#include "tests/install/tool_fixtures.h"
#include "tests/temp_folder.h"

#include <windows.h>

#include "common/win32_handles.h"

namespace {

std::string Join(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / name).string();
}

// "Driver\x.dll exit 0", "... still running" or "... not started", sorted by name.
std::vector<std::string> Outcomes(const InstallSummary& summary) {
    std::vector<std::string> outcomes;
    for (const Registration& r : summary.registrations) {
        std::string outcome = r.outcome == RegistrationOutcome::exited
                                  ? "exit " + std::to_string(r.exitCode)
                              : r.outcome == RegistrationOutcome::stillRunning ? "still running"
                                                                               : "not started";
        outcomes.push_back(r.dll + " " + outcome);
    }
    std::sort(outcomes.begin(), outcomes.end());
    return outcomes;
}

struct StandInInstall {
    std::string app;
    std::string log;
    std::string expectedLine;  // parameters, a tab, the working directory
    InstallSummary summary;
};

class RegistrationStarts : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = std::make_unique<TempFolder>();
        InstallWithStandIn();
        InstallWithWinesRegsvr32();
    }
    static void TearDownTestSuite() {
        s_standIn.clear();
        s_folder.reset();
    }

    // One package with the stand-in in driversupport\ and one DLL beside a text file
    // in Driver\, installed into a folder without and one with a blank.
    static void InstallWithStandIn() {
        const std::string package = *s_folder / "package";
        MakeFolder(Join(package, "driversupport"));
        MakeFolder(Join(package, "Driver"));
        PlaceLoggingTool(Join(Join(package, "driversupport"), "regsvr32.exe"));
        WriteBytes(Join(Join(package, "Driver"), "x.dll"), "x");
        WriteBytes(Join(Join(package, "Driver"), "notes.txt"), "n");
        for (const char* name : {"plain", "with blank"}) {
            StandInInstall install;
            install.app = *s_folder / name;
            install.log = *s_folder / (std::string(name) + ".log");
            MakeFolder(install.app);
            std::string dll = tw::WithTrailingSeparator(install.app) + "Driver\\x.dll";
            std::string parameters =
                std::string(name) == "plain" ? "/s " + dll : "/s \"" + dll + "\"";
            install.expectedLine = parameters + "\t" + ReportedDirectory(install.app);
            SetToolLog(install.log);
            install.summary =
                InstallDriverFiles(package.c_str(), install.app.c_str(), PlatformInstallSystem());
            s_standIn.push_back(std::move(install));
        }
    }

    // Wine's regsvr32.exe, copied from the system folder as a package would carry it,
    // with our COM-style sample DLL, whose registration leaves a marker beside it,
    // and a text file named as a DLL, which the tool cannot load.
    static void InstallWithWinesRegsvr32() {
        const std::string package = *s_folder / "wine package";
        MakeFolder(Join(package, "driversupport"));
        MakeFolder(Join(package, "Driver"));
        char system32[MAX_PATH];
        UINT length = GetSystemDirectoryA(system32, MAX_PATH);
        std::filesystem::copy_file(Join(std::string(system32, length), "regsvr32.exe"),
                                   Join(Join(package, "driversupport"), "regsvr32.exe"));
        std::filesystem::copy_file(WinetoolsFile("twsample.dll"),
                                   Join(Join(package, "Driver"), "twsample.dll"));
        WriteBytes(Join(Join(package, "Driver"), "broken.dll"), "not a DLL");
        s_wineApp = *s_folder / "wineapp";
        MakeFolder(s_wineApp);
        s_wineSummary =
            InstallDriverFiles(package.c_str(), s_wineApp.c_str(), PlatformInstallSystem());
    }
    static inline std::string s_wineApp;
    static inline InstallSummary s_wineSummary;

    static inline std::unique_ptr<TempFolder> s_folder;
    static inline std::vector<StandInInstall> s_standIn;
};

}  // namespace

// Exactly one start per DLL, from A, with "/s" and the DLL's installed path,
// quoted when A holds a blank; the tool has ended when the engine returns, so no
// later start can follow unseen.
TEST_F(RegistrationStarts, StandInLogsOneStartPerDll) {
    for (const StandInInstall& install : s_standIn) {
        SCOPED_TRACE(install.app);
        EXPECT_EQ(Outcomes(install.summary), std::vector<std::string>{"Driver\\x.dll exit 0"});
        EXPECT_EQ(install.summary.FailureCount(), 0);
        EXPECT_EQ(LogLines(install.log), std::vector<std::string>{install.expectedLine});
    }
}

TEST_F(RegistrationStarts, WinesRegsvr32RegistersOneDllAndRefusesTheOther) {
    std::vector<std::string> outcomes = Outcomes(s_wineSummary);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_NE(outcomes[0], "Driver\\broken.dll exit 0");
    EXPECT_EQ(outcomes[0].rfind("Driver\\broken.dll exit ", 0), 0u) << outcomes[0];
    EXPECT_EQ(outcomes[1], "Driver\\twsample.dll exit 0");
    EXPECT_EQ(s_wineSummary.failedFiles, std::vector<std::string>{"Driver\\broken.dll"});
    EXPECT_TRUE(PathExists(Join(Join(s_wineApp, "Driver"), "twsample.dll.registered")));
}

// A hidden top-level window of this thread, as the installer's frame is.
class HiddenWindowOfThisThread {
public:
    HiddenWindowOfThisThread()
        : m_window(CreateWindowExW(0, L"Static", L"ours", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                   nullptr, nullptr, nullptr)) {}
    ~HiddenWindowOfThisThread() { DestroyWindow(m_window); }
    HiddenWindowOfThisThread(const HiddenWindowOfThisThread&) = delete;
    HiddenWindowOfThisThread& operator=(const HiddenWindowOfThisThread&) = delete;
    HWND Get() const { return m_window; }

private:
    HWND m_window;
};

// A top-level window whose thread handles no message until released, so that a
// tool that sends a message to every window waits for it.
class StalledWindowThread {
public:
    StalledWindowThread() {
        m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        WaitForSingleObject(m_ready, 20000);
    }
    ~StalledWindowThread() {
        Release();
        WaitForSingleObject(m_thread, 20000);
        for (HANDLE handle : {m_thread, m_release, m_ready}) CloseHandle(handle);
    }
    StalledWindowThread(const StalledWindowThread&) = delete;
    StalledWindowThread& operator=(const StalledWindowThread&) = delete;
    void Release() { SetEvent(m_release); }

private:
    static DWORD WINAPI Run(void* self) {
        auto* stalled = static_cast<StalledWindowThread*>(self);
        HWND window = CreateWindowExW(0, L"Static", L"stalled", WS_OVERLAPPED, 0, 0, 10, 10,
                                      nullptr, nullptr, nullptr, nullptr);
        SetEvent(stalled->m_ready);
        WaitForSingleObject(stalled->m_release, 60000);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        DestroyWindow(window);
        return 0;
    }

    HANDLE m_ready;
    HANDLE m_release;
    HANDLE m_thread;
};

// The platform's one wait: a tool that has not ended when the time is up is left
// running without an exit code, and is seen to end with its code once it has;
// this thread's own windows are answered meanwhile.
TEST(PlatformToolWait, AToolStillRunningAtTheTimeoutIsLeftRunningAndSeenToEndLater) {
    TempFolder folder;
    HiddenWindowOfThisThread ours;
    ASSERT_NE(ours.Get(), nullptr);
    StalledWindowThread stalled;
    InstallSystem& system = PlatformInstallSystem();
    const std::string tool = WinetoolsFile("regsvr32_broadcast.exe");
    const std::string directory = tw::WithTrailingSeparator(folder.Path());
    std::unique_ptr<StartedTool> started =
        system.StartRegistration({tool.c_str(), "/s x.dll", directory.c_str()});
    ASSERT_NE(started, nullptr);

    const std::chrono::milliseconds before = system.Now();
    system.WaitForAnyTool({started.get()}, std::chrono::milliseconds(500));
    const std::chrono::milliseconds waited = system.Now() - before;
    EXPECT_FALSE(started->exitCode);
    EXPECT_GE(waited.count(), 450);
    EXPECT_LT(waited.count(), 10000);

    stalled.Release();
    system.WaitForAnyTool({started.get()}, std::chrono::milliseconds(20000));
    EXPECT_EQ(started->exitCode, 0u);
    EXPECT_LT((system.Now() - before).count(), 15000);
}

// A DLL that waits for the restart is registered then: a value of the machine's
// RunOnce key (the 64-bit view, which every start carries out) holds the command
// line, the tool's path quoted and the parameters as the run gives them.
TEST(PlatformRegistration, ADllWaitingForTheRestartIsRegisteredByRunOnce) {
    constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    const char* parameters = "/s \"C:\\Varnel quist\\Driver\\x.dll\"";
    const std::string name = std::string("Tarnwhistle ") + parameters;
    ASSERT_TRUE(PlatformInstallSystem().RegisterAtRestart(
        {"C:\\Varnel quist\\regsvr32.exe", parameters, "C:\\Varnel quist\\"}));
    tw::RegistryKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnce, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, key.Out()),
              ERROR_SUCCESS);
    char value[512] = {};
    DWORD size = sizeof(value);
    EXPECT_EQ(RegGetValueA(key.Get(), nullptr, name.c_str(), RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(value,
                 "\"C:\\Varnel quist\\regsvr32.exe\" /s \"C:\\Varnel quist\\Driver\\x.dll\"");
    EXPECT_EQ(RegDeleteValueA(key.Get(), name.c_str()), ERROR_SUCCESS)
        << "nothing left for the prefix's next start";
}
