// The installation's last step: what the removal needs is kept only after a run
// that copied a file, with exactly the destinations copied, and what cannot be
// kept fails the run by name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/installation_run.h"
#include "appdir/full_path.h"
#include "tests/app/run_surroundings.h"
#include "tests/install/recording_system.h"
#include "tests/temp_folder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Paths(const std::vector<tw::CopiedFile>& copied) {
    std::vector<std::string> paths;
    for (const tw::CopiedFile& copy : copied) paths.push_back(copy.path);
    return paths;
}

// The run's system for a package at folder whose directories all exist.
tw::RunSystem PackageAt(const char* folder, const std::string& recordPath, InstallSystem& system) {
    return run_tests::InstallationSystem(
        {folder, recordPath.c_str(), [](const char*) { return std::optional<std::uint32_t>(0x10); },
         [folder](const char* text) { return tw::FullPathFrom(text, folder); },
         [](const char*) { return std::optional<tw::FolderIdentity>(); }},
        system);
}

struct Case {
    const char* name;
    bool package;                     // a package with a file in each folder
    std::vector<std::string> unkept;  // what the keeper reports as not kept
    int keeperCalls;
    int exitCode;
};

const Case kCases[] = {
    {"all kept", true, {}, 1, 0},
    {"the list not written", true, {"P:\\Tw\\installed-files.lst"}, 1, 1603},
    {"entry and copy", true, {"P:\\Tw\\Tarnwhistle.exe", "HKLM\\...\\Tarnwhistle"}, 1, 1603},
    {"nothing copied: nothing kept", false, {}, 0, 1603},
};

TEST(InstallationKeepsForRemoval, AfterTheEngineWithTheCopiesMade) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string recordPath = folder / "ZAVIDAR.CFG";
        const std::string logPath = folder / "run.log";
        RecordingSystem system;
        if (c.package) {
            system.SetListing("C:\\pkg\\driversupport\\*.*", {FileEntry("a.txt")});
            system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry("b.sys")});
        }
        int calls = 0;
        tw::RunSystem platform = PackageAt("C:\\pkg", recordPath, system);
        platform.keepForRemoval = [&](const std::string& appDir,
                                      const std::vector<tw::CopiedFile>& copied,
                                      const InstallSummary& summary) {
            ++calls;
            EXPECT_EQ(appDir, "C:\\Varnelquist\\");
            // Every completed copy in order, handed on once the engine has finished.
            EXPECT_THAT(Paths(copied),
                        ElementsAre("C:\\Varnelquist\\a.txt", "C:\\Varnelquist\\Driver\\a.txt",
                                    "C:\\Varnelquist\\Driver\\b.sys"));
            EXPECT_EQ(summary.filesCopied, 3);
            EXPECT_EQ(system.Work().back(),
                      "copy C:\\pkg\\Driver\\b.sys > C:\\Varnelquist\\Driver\\b.sys");
            return c.unkept;
        };
        tw::InstallLog log(logPath);
        EXPECT_EQ(run_tests::Code(tw::RunSilently({true, "", ""}, platform, log)), c.exitCode);
        EXPECT_EQ(calls, c.keeperCalls);
        std::string text = ReadBytes(logPath);
        for (const std::string& name : c.unkept)
            EXPECT_THAT(text, HasSubstr("not installed: " + name + "\r\n"));
    }
}

// A copy that fails undoes the run: nothing was installed, so nothing is kept.
TEST(InstallationKeepsForRemoval, AnUndoneRunKeepsNothing) {
    TempFolder folder;
    const std::string recordPath = folder / "ZAVIDAR.CFG";
    RecordingSystem system;
    system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry("b.sys"), FileEntry("c.sys")});
    system.FailCopyTo("C:\\V\\Driver\\b.sys");
    tw::RunSystem platform = PackageAt("C:\\pkg", recordPath, system);
    int calls = 0;
    platform.keepForRemoval = [&](const std::string&, const std::vector<tw::CopiedFile>&,
                                  const InstallSummary&) {
        ++calls;
        return std::vector<std::string>{};
    };
    tw::InstallLog log("");
    tw::InstallResult result = tw::InstallAndLog(platform, "C:\\V\\", log);
    EXPECT_EQ(run_tests::Code(result.exitCode), 1603);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(result.summary.undone);
    EXPECT_EQ(result.summary.failedFiles, std::vector<std::string>{"Driver\\b.sys"});
}

// Counts the holds that are open.
class CountingHolds : public RecordingSystem {
public:
    int open = 0;
    std::unique_ptr<Hold> HoldFolder(const char* folder) override {
        return Counted(RecordingSystem::HoldFolder(folder));
    }
    std::unique_ptr<Hold> HoldCopy(const char* installed, const char* original) override {
        return Counted(RecordingSystem::HoldCopy(installed, original));
    }

private:
    struct Counted : Hold {
        explicit Counted(int& count) : m_count(count) { ++m_count; }
        ~Counted() override { --m_count; }
        int& m_count;
    };
    std::unique_ptr<Hold> Counted(std::unique_ptr<Hold> hold) {
        if (!hold) return nullptr;
        return std::make_unique<struct Counted>(open);
    }
};

// Nobody can swap what is being listed: A, A\Driver, the tool and each DLL
// handed to it are still held while the list is kept, and let go once it is.
TEST(InstallationKeepsForRemoval, WhileTheEngineStillHoldsWhatItInstalled) {
    TempFolder folder;
    const std::string recordPath = folder / "ZAVIDAR.CFG";
    CountingHolds system;
    system.SetListing("C:\\pkg\\driversupport\\*.*", {FileEntry("regsvr32.exe")});
    system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry("a.dll"), FileEntry("b.dll")});
    system.SetToolOutcome("/s C:\\V\\Driver\\b.dll", 3);
    tw::RunSystem platform = PackageAt("C:\\pkg", recordPath, system);
    int heldWhileKept = -1;
    std::size_t handedOn = 0;
    platform.keepForRemoval = [&](const std::string&, const std::vector<tw::CopiedFile>&,
                                  const InstallSummary& summary) {
        heldWhileKept = system.open;
        handedOn = summary.holds.size();
        return std::vector<std::string>{};
    };
    tw::InstallLog log("");
    tw::InstallResult result = tw::InstallAndLog(platform, "C:\\V\\", log);
    // A, A\Driver, the tool, and both DLLs, the one whose tool failed too; and
    // the files set aside, deleted as the holds go.
    EXPECT_EQ(heldWhileKept, 5);
    EXPECT_EQ(handedOn, 6u);
    EXPECT_EQ(system.open, 0);
    EXPECT_TRUE(result.summary.holds.empty());
}

}  // namespace
