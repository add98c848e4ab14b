// The registration tool started for real from the application directory: the
// logging stand-in on both builds, and Wine's own regsvr32.exe under Wine. All
// installs are made before any test waits, so that the tools start side by side
// (under Wine each start of a 32-bit program takes about a minute).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "install/engine.h"
#include "install/platform_install_system.h"
#include "tests/install/tool_fixtures.h"
#include "tests/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string Join(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / name).string();
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
#ifdef _WIN32
        InstallWithWinesRegsvr32();
#endif
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
            s_standIn.push_back(install);
        }
    }

#ifdef _WIN32
    // Wine's regsvr32.exe, copied from the system folder as a package would carry it,
    // with our COM-style sample DLL, whose registration leaves a marker beside it.
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
        s_wineApp = *s_folder / "wineapp";
        MakeFolder(s_wineApp);
        s_wineSummary =
            InstallDriverFiles(package.c_str(), s_wineApp.c_str(), PlatformInstallSystem());
    }
    static inline std::string s_wineApp;
    static inline InstallSummary s_wineSummary;
#endif

    static inline std::unique_ptr<TempFolder> s_folder;
    static inline std::vector<StandInInstall> s_standIn;
};

}  // namespace

// Exactly one start per DLL, from A, with "/s" and the DLL's installed path,
// quoted when A holds a blank.
TEST_F(RegistrationStarts, StandInLogsOneStartPerDll) {
    for (const StandInInstall& install : s_standIn) {
        SCOPED_TRACE(install.app);
        EXPECT_EQ(install.summary.registrationsStarted, 1);
        EXPECT_EQ(install.summary.FailureCount(), 0);
        EXPECT_EQ(WaitForLogLines(install.log, 1), std::vector<std::string>{install.expectedLine});
    }
}

#ifdef _WIN32
TEST_F(RegistrationStarts, WinesRegsvr32RegistersTheInstalledDll) {
    ASSERT_EQ(s_wineSummary.registrationsStarted, 1);
    EXPECT_TRUE(WaitForFile(Join(Join(s_wineApp, "Driver"), "twsample.dll.registered")));
}
#endif
