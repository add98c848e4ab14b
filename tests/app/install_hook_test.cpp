// The installation's last step: what the removal needs is kept only after a run
// that copied a file, with exactly the destinations copied, and what cannot be
// kept fails the run by name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/installation_run.h"
#include "appdir/full_path.h"
#include "tests/app/run_surroundings.h"
#include "tests/install/recording_system.h"
#include "tests/temp_folder.h"
#include "tests/uninstall/fake_removal.h"
#include "tests/uninstall/fake_store.h"
#include "uninstall/installed_list.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The package's scripted copies, each with what it wrote (the digest of its
// destination's name), and the holds that are open counted.
class PackageSystem : public RecordingSystem {
public:
    int open = 0;
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        tw::CopyOutcome outcome = RecordingSystem::CopyFileTo(source, destination);
        if (outcome) outcome.written = tw::FileDigest{DigestOf(destination), 1};
        return outcome;
    }
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

// A store that runs a step of the test's as the list is written.
struct WatchedStore : FakeStore {
    std::function<void()> atWriteList = [] {};
    bool WriteList(std::string_view bytes) override {
        atWriteList();
        return FakeStore::WriteList(bytes);
    }
};

// The list the store holds now.
tw::InstalledList ListIn(const FakeStore& store) {
    std::optional<tw::InstalledList> list;
    if (store.list) list = tw::ParseInstalledList(*store.list);
    EXPECT_TRUE(list) << "no readable list";
    return list.value_or(tw::InstalledList{});
}

std::vector<std::string> Paths(const tw::InstalledList& list) {
    std::vector<std::string> paths;
    for (const tw::ListedFile& file : list.files) paths.push_back(file.path);
    return paths;
}

// The run's system for a package at folder whose directories all exist, keeping
// in store.
tw::RunSystem PackageAt(const char* folder, const std::string& recordPath, InstallSystem& system,
                        tw::RemovalStore& store) {
    return run_tests::KeepingInstallationSystem(
        {folder, recordPath.c_str(), [](const char*) { return std::optional<std::uint32_t>(0x10); },
         [folder](const char* text) { return tw::FullPathFrom(text, folder); },
         [](const char*) { return std::optional<tw::FolderIdentity>(); }},
        system, store);
}

struct Case {
    const char* name;
    bool package;                     // a package with a file in each folder
    const char* failing;              // the store's step that fails (null: none)
    std::vector<std::string> unkept;  // what could not be kept
    int keptLists;                    // lists the keeping wrote or tried to
    int exitCode;
};

const Case kCases[] = {
    {"all kept", true, nullptr, {}, 1, 0},
    {"the list not written", true, "write list", {"P:\\Tw\\installed-files.lst"}, 1, 1603},
    {"the copy not made", true, "copy", {"P:\\Tw\\Tarnwhistle.exe"}, 1, 1603},
    {"the entry not written", true, "write entry", {"HKLM\\...\\Uninstall\\Tarnwhistle"}, 1, 1603},
    {"nothing copied: nothing kept", false, nullptr, {}, 0, 1603},
};

TEST(InstallationKeepsForRemoval, AfterTheEngineWithTheCopiesMade) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string recordPath = folder / "ZAVIDAR.CFG";
        const std::string logPath = folder / "run.log";
        PackageSystem system;
        if (c.package) {
            system.SetListing("C:\\pkg\\driversupport\\*.*", {FileEntry("a.txt")});
            system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry("b.sys")});
        }
        WatchedStore store;
        if (c.failing) store.failing.insert(c.failing);
        int lists = 0;
        store.atWriteList = [&] {
            ++lists;
            // Once the engine has finished: after the last copy, the commit's journal
            // listed what the destination folders held.
            const std::vector<std::string> work = system.Work();
            ASSERT_GE(work.size(), 3u);
            EXPECT_EQ(std::vector<std::string>(work.end() - 3, work.end()),
                      (std::vector<std::string>{
                          "copy C:\\pkg\\Driver\\b.sys > C:\\Varnelquist\\Driver\\b.sys",
                          "find C:\\Varnelquist\\*.*", "find C:\\Varnelquist\\Driver\\*.*"}));
        };
        tw::InstallLog log(logPath);
        EXPECT_EQ(run_tests::Code(tw::RunSilently(
                      {true, "", ""}, PackageAt("C:\\pkg", recordPath, system, store), log)),
                  c.exitCode);
        EXPECT_EQ(lists, c.keptLists);
        const bool listWritten =
            c.package && (!c.failing || c.failing != std::string("write list"));
        if (listWritten) {
            const tw::InstalledList list = ListIn(store);
            EXPECT_THAT(list.appDirs, ElementsAre("C:\\Varnelquist\\"));
            EXPECT_THAT(list.recordPaths, ElementsAre(HasSubstr("ZAVIDAR.CFG")));
            // Every completed copy in order.
            EXPECT_THAT(Paths(list),
                        ElementsAre("C:\\Varnelquist\\a.txt", "C:\\Varnelquist\\Driver\\a.txt",
                                    "C:\\Varnelquist\\Driver\\b.sys"));
        }
        if (!c.package) {
            EXPECT_THAT(store.steps, IsEmpty());
        }
        std::string text = ReadBytes(logPath);
        for (const std::string& name : c.unkept)
            EXPECT_THAT(text, HasSubstr("not installed: " + name + "\r\n"));
    }
}

// A copy that fails undoes the run: nothing was installed, so nothing is kept.
TEST(InstallationKeepsForRemoval, AnUndoneRunKeepsNothing) {
    TempFolder folder;
    const std::string recordPath = folder / "ZAVIDAR.CFG";
    PackageSystem system;
    system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry("b.sys"), FileEntry("c.sys")});
    system.FailCopyTo("C:\\V\\Driver\\b.sys");
    WatchedStore store;
    tw::InstallLog log("");
    tw::InstallResult result =
        tw::InstallAndLog(PackageAt("C:\\pkg", recordPath, system, store), "C:\\V\\", log);
    EXPECT_EQ(run_tests::Code(result.exitCode), 1603);
    EXPECT_TRUE(result.summary.undone);
    EXPECT_THAT(store.steps, IsEmpty());
    EXPECT_EQ(result.summary.failedFiles, std::vector<std::string>{"Driver\\b.sys"});
}

// Nobody can swap what is being listed: A, A\Driver, the tool and each DLL
// handed to it are still held while the list is kept, and let go once it is.
TEST(InstallationKeepsForRemoval, WhileTheEngineStillHoldsWhatItInstalled) {
    TempFolder folder;
    const std::string recordPath = folder / "ZAVIDAR.CFG";
    PackageSystem system;
    system.SetListing("C:\\pkg\\driversupport\\*.*", {FileEntry("regsvr32.exe")});
    system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry("a.dll"), FileEntry("b.dll")});
    system.SetToolOutcome("/s C:\\V\\Driver\\b.dll", 3);
    WatchedStore store;
    int heldWhileKept = -1;
    store.atWriteList = [&] { heldWhileKept = system.open; };
    tw::InstallLog log("");
    tw::InstallResult result =
        tw::InstallAndLog(PackageAt("C:\\pkg", recordPath, system, store), "C:\\V\\", log);
    // A, A\Driver, the tool, and both DLLs, the one whose tool failed too.
    EXPECT_EQ(heldWhileKept, 5);
    EXPECT_EQ(system.open, 0);
    EXPECT_TRUE(result.summary.holds.empty());
}

}  // namespace
