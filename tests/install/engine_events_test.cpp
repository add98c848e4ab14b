// The events the engine tells, in the order of the run: the folders, every copy
// staged, then every destination committed, then the registrations; a failure
// before every file is in place rolls each staged copy back, in reverse, and
// starts no tool.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "install/engine.h"
#include "install/install_events.h"
#include "tests/install/recording_system.h"

namespace {

using Lines = std::vector<std::string>;

// regsvr32.exe (two copies) and b.dll, which is installed already.
void Package(RecordingSystem& system) {
    system.SetListing("C:\\pkg\\driversupport\\*.*", {FileEntry("regsvr32.exe")});
    system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry("b.dll")});
    system.SetInstalled("C:\\App\\Driver\\b.dll");
}

const Lines kFolders = {"secured C:\\App\\", "secured C:\\App\\Driver\\"};
const Lines kStaged = {"staged C:\\App\\regsvr32.exe", "staged C:\\App\\Driver\\regsvr32.exe",
                       "staged C:\\App\\Driver\\b.dll"};

Lines Joined(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(EngineEvents, StagedThenCommittedThenRegistered) {
    RecordingSystem system;
    Package(system);
    InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
    ASSERT_FALSE(summary.undone);
    EXPECT_EQ(system.Heard(),
              Joined({kFolders,
                      kStaged,
                      {"committed C:\\App\\regsvr32.exe", "committed C:\\App\\Driver\\regsvr32.exe",
                       "aside C:\\App\\Driver\\b.dll", "committed C:\\App\\Driver\\b.dll",
                       "checked C:\\App\\", "checked C:\\App\\Driver\\",
                       "register /s C:\\App\\Driver\\b.dll", "final wait", "final wait over",
                       "registered /s C:\\App\\Driver\\b.dll: 0"}}));
}

// Each failure before every file is in place: what was staged is rolled back in
// reverse, and no registration starts.
TEST(EngineEvents, AFailureRollsBackEveryCopyAndRegistersNothing) {
    const Lines kBack = {"rolled back C:\\App\\Driver\\regsvr32.exe",
                         "rolled back C:\\App\\regsvr32.exe"};
    const Lines kPlaced = {"committed C:\\App\\regsvr32.exe",
                           "committed C:\\App\\Driver\\regsvr32.exe"};
    const struct {
        const char* name;
        std::function<void(RecordingSystem&)> fault;
        Lines heard;
    } cases[] = {
        {"a copy fails", [](RecordingSystem& s) { s.FailCopyTo("C:\\App\\Driver\\b.dll"); },
         Joined({kFolders,
                 {kStaged[0], kStaged[1], "copy failed C:\\App\\Driver\\b.dll: 31"},
                 kBack})},
        {"a destination cannot be set aside",
         [](RecordingSystem& s) { s.FailSetAside("C:\\App\\Driver\\b.dll"); },
         Joined({kFolders,
                 kStaged,
                 kPlaced,
                 {"aside C:\\App\\Driver\\b.dll failed: 31", "rolled back C:\\App\\Driver\\b.dll"},
                 kBack})},
        // The first rename fails for a reason other than a taken name: nothing is
        // set aside.
        {"a staged file cannot be put in place",
         [](RecordingSystem& s) { s.FailPutInPlace("C:\\App\\Driver\\b.dll"); },
         Joined({kFolders,
                 kStaged,
                 kPlaced,
                 {"not committed C:\\App\\Driver\\b.dll: 31", "rolled back C:\\App\\Driver\\b.dll"},
                 kBack})},
        {"Driver\\ cannot be held",
         [](RecordingSystem& s) { s.RefuseFolder("C:\\App\\Driver\\"); },
         {"not held C:\\App\\Driver\\", "secured C:\\App\\", kStaged[0],
          "rolled back C:\\App\\regsvr32.exe"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSystem system;
        Package(system);
        c.fault(system);
        InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
        EXPECT_TRUE(summary.undone);
        EXPECT_EQ(system.Heard(), c.heard);
    }
}

// Files in use: a destination held without delete sharing is told once, as
// waiting for the restart, after every other commit step (its failed set-aside is
// the engine's to judge); a loaded DLL set aside is told as deleted at the
// restart only when the run lets go of it.
TEST(EngineEvents, FilesInUseAreToldAsWaitingForTheRestart) {
    RecordingSystem system;
    Package(system);
    system.SetHeld("C:\\App\\Driver\\regsvr32.exe");
    system.SetLoaded("C:\\App\\Driver\\b.dll");
    InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
    ASSERT_FALSE(summary.undone);
    const Lines committed =
        Joined({kFolders,
                kStaged,
                {"committed C:\\App\\regsvr32.exe",
                 "aside C:\\App\\Driver\\regsvr32.exe failed: 32", "aside C:\\App\\Driver\\b.dll",
                 "committed C:\\App\\Driver\\b.dll", "restart C:\\App\\Driver\\regsvr32.exe"}});
    Lines heard = system.Heard();
    ASSERT_GE(heard.size(), committed.size());
    heard.resize(committed.size());
    EXPECT_EQ(heard, committed);
    const std::size_t before = system.Heard().size();
    summary.holds.clear();
    EXPECT_EQ(Lines(system.Heard().begin() + before, system.Heard().end()),
              Lines{"deleted at restart C:\\App\\Driver\\b.dll.old"});
}

// Every listener of a fan-out hears every event, the first one first.
TEST(EngineEvents, AFanOutTellsEachListenerTheSameRun) {
    RecordingSystem system;
    Package(system);
    bool finalWait = false;
    RecordedEvents other(finalWait);
    tw::InstallEventsFanOut both(system.Events(), other);
    ::InstallDriverFiles("C:\\pkg", "C:\\App\\", system, both);
    EXPECT_EQ(system.Heard().size(), 15u);
    EXPECT_EQ(other.Lines(), system.Heard());
}

}  // namespace
