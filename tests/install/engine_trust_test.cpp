// The engine's trust in its destination folders, on the recording system: both
// are locked right after they are held and before the first copy; a folder that
// cannot be locked, or a file there that no administrator owns, bars every start
// of the tool and is named among the failures, while the copies go on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install/engine.h"
#include "tests/install/recording_system.h"

namespace {

using Result = tw::FolderSecuring::Result;
using Strings = std::vector<std::string>;

constexpr const char* kSupport = "C:\\pkg\\driversupport\\*.*";
constexpr const char* kDriver = "C:\\pkg\\Driver\\*.*";

void Package(RecordingSystem& system) {
    system.SetListing(kSupport, {FileEntry("regsvr32.exe")});
    system.SetListing(kDriver, {FileEntry("a.dll"), FileEntry("b.txt"), FileEntry("c.dll")});
}

Strings Starts(const RecordingSystem& system) {
    Strings starts;
    for (const std::string& c : system.Calls())
        if (c.rfind("start ", 0) == 0) starts.push_back(c);
    return starts;
}

std::size_t IndexOf(const RecordingSystem& system, const std::string& call) {
    const Strings& calls = system.Calls();
    return static_cast<std::size_t>(std::find(calls.begin(), calls.end(), call) - calls.begin());
}

TEST(EngineTrust, BothFoldersAreSecuredAfterTheirHoldsAndBeforeTheFirstCopy) {
    RecordingSystem system;
    Package(system);
    system.SetSecuring("C:\\App\\", {Result::secured, 0});
    InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
    EXPECT_LT(IndexOf(system, "hold folder C:\\App\\Driver\\"),
              IndexOf(system, "secure folder C:\\App\\"));
    EXPECT_LT(IndexOf(system, "secure folder C:\\App\\"),
              IndexOf(system, "secure folder C:\\App\\Driver\\"));
    EXPECT_LT(IndexOf(system, "secure folder C:\\App\\Driver\\"),
              IndexOf(system, "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe"));
    // The files are checked once, before the tool is held for its first start.
    EXPECT_EQ(std::count_if(system.Calls().begin(), system.Calls().end(),
                            [](const std::string& c) { return c.rfind("check files", 0) == 0; }),
              2);
    EXPECT_LT(IndexOf(system, "check files in C:\\App\\Driver\\"),
              IndexOf(system, "hold C:\\App\\regsvr32.exe = C:\\pkg\\driversupport\\regsvr32.exe"));
    EXPECT_EQ(Starts(system).size(), 2u);
    EXPECT_TRUE(summary.failedFiles.empty());
    // The removal is told which folders the run worked under, locked.
    EXPECT_EQ(summary.appFolder.path, "C:\\App\\");
    EXPECT_EQ(summary.driverFolder.path, "C:\\App\\Driver\\");
    EXPECT_TRUE(summary.appFolder.locked && summary.driverFolder.locked);
}

// A folder that cannot be locked: every file still copied, no tool started, the
// folder named first and each DLL after it; the tool is not named, it was copied.
TEST(EngineTrust, AFolderThatCannotBeSecuredBarsEveryStart) {
    for (const char* folder : {"C:\\App\\", "C:\\App\\Driver\\"}) {
        RecordingSystem system;
        Package(system);
        system.SetSecuring(folder, {Result::failed, 50});
        InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
        EXPECT_TRUE(Starts(system).empty()) << folder;
        EXPECT_EQ(summary.filesCopied, 5) << folder;
        EXPECT_EQ(summary.failedFiles, (Strings{folder, "Driver\\a.dll", "Driver\\c.dll"}))
            << folder;
        for (const Registration& r : summary.registrations)
            EXPECT_EQ(r.outcome, RegistrationOutcome::notStarted) << folder;
        EXPECT_EQ(summary.appFolder.locked, folder != std::string("C:\\App\\")) << folder;
        EXPECT_EQ(summary.driverFolder.locked, folder == std::string("C:\\App\\")) << folder;
        // No file of an unlocked folder is trusted either: nothing is checked.
        EXPECT_EQ(IndexOf(system, std::string("check files in ") + folder), system.Calls().size());
    }
}

TEST(EngineTrust, AFileNoAdministratorOwnsBarsEveryStartAndIsNamed) {
    RecordingSystem system;
    Package(system);
    system.SetUntrusted("C:\\App\\Driver\\", {{"helper.drv", "x.dll"}, false, 0});
    InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
    EXPECT_TRUE(Starts(system).empty());
    EXPECT_EQ(summary.failedFiles, (Strings{"C:\\App\\Driver\\helper.drv", "C:\\App\\Driver\\x.dll",
                                            "Driver\\a.dll", "Driver\\c.dll"}));
    EXPECT_EQ(summary.FailureCount(), 4);
}

TEST(EngineTrust, AFolderWhoseFilesCannotBeListedBarsEveryStart) {
    RecordingSystem system;
    Package(system);
    system.SetUntrusted("C:\\App\\", {{}, true, 5});
    InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
    EXPECT_TRUE(Starts(system).empty());
    EXPECT_EQ(summary.failedFiles, (Strings{"C:\\App\\", "Driver\\a.dll", "Driver\\c.dll"}));
}

// Without a tool in the package the refused tool is named as before, beside the folder.
TEST(EngineTrust, AMissingToolIsStillNamedBesideAFolderNotSecured) {
    RecordingSystem system;
    system.SetListing(kDriver, {FileEntry("a.dll")});
    system.SetSecuring("C:\\App\\", {Result::failed, 5});
    InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
    EXPECT_EQ(summary.failedFiles,
              (Strings{"C:\\App\\", "driversupport\\regsvr32.exe", "Driver\\a.dll"}));
}

// A folder that is a link is never held, so never secured: it gets no file anyway.
TEST(EngineTrust, AFolderNotHeldIsNotSecured) {
    RecordingSystem system;
    Package(system);
    system.RefuseFolder("C:\\App\\Driver\\");
    InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
    EXPECT_LT(IndexOf(system, "secure folder C:\\App\\"), system.Calls().size());
    EXPECT_EQ(IndexOf(system, "secure folder C:\\App\\Driver\\"), system.Calls().size());
}

}  // namespace
