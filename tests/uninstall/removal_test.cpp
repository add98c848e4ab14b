#include "uninstall/removal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>

#include "config/config_record.h"
#include "tests/uninstall/fake_removal.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using tw::FileRole;

const std::string kApp = "C:\\V\\";
const std::string kDriver = "C:\\V\\Driver\\";
const std::string kTool = "C:\\V\\regsvr32.exe";
const std::string kReadme = "C:\\V\\readme.txt";
const std::string kDriverTool = "C:\\V\\Driver\\regsvr32.exe";
const std::string kDllA = "C:\\V\\Driver\\a.dll";
const std::string kDllB = "C:\\V\\Driver\\b b.dll";
const std::string kSys = "C:\\V\\Driver\\gamma.sys";
const std::string kRecord = "C:\\ZAVIDAR.CFG";

std::string RecordBytes(const std::string& dir) {
    tw::ConfigRecord record = tw::BuildConfigRecord(dir);
    return std::string(record.begin(), record.end());
}

// An installation of the standard files as the list names it, and the files as
// they lie on the (fake) disk, with a file the user added to A.
struct Installed {
    tw::InstalledList list;
    FakeRemovalSystem system;
    FakeTools tools{system};

    Installed() {
        list.appDirs = {kApp};
        list.recordPaths = {kRecord};
        auto add = [&](const std::string& path, const std::string& bytes, FileRole role) {
            list.files.push_back({path, DigestOf(bytes), bytes.size(), role});
            system.files[path] = bytes;
        };
        add(kTool, "TOOL", FileRole::tool);
        add(kReadme, "README", FileRole::file);
        add(kDriverTool, "TOOL", FileRole::file);
        add(kDllA, "A-DLL", FileRole::dll);
        add(kDllB, "B-DLL", FileRole::dll);
        add(kSys, "SYS", FileRole::file);
        system.files["C:\\V\\user.txt"] = "mine";
        system.files[kRecord] = RecordBytes("C:\\V");
    }

    tw::RemovalSummary Remove() { return tw::RemoveInstalledFiles(list, system, tools, tools); }

    std::vector<std::string> Remaining() const {
        std::vector<std::string> paths;
        for (const auto& [path, bytes] : system.files) paths.push_back(path);
        return paths;
    }
};

TEST(Removal, UnregistersFirstThenDeletesWhatIsUnchangedInOrder) {
    Installed installed;
    tw::RemovalSummary summary = installed.Remove();
    EXPECT_THAT(
        installed.system.calls,
        ElementsAre("open C:\\V\\", "open C:\\V\\Driver\\",
                    // each DLL and the tool held and checked before the tool starts
                    "hold " + kDllA, "hold " + kTool,
                    "start " + kTool + " | /u /s C:\\V\\Driver\\a.dll | C:\\V\\", "hold " + kDllB,
                    "start " + kTool + " | /u /s \"C:\\V\\Driver\\b b.dll\" | C:\\V\\",
                    // side by side, waited for as when registering
                    "wait 2 tools, 300000 ms", "delete " + kDllA, "delete " + kDllB,
                    "release " + kDllA, "release " + kDllB, "release " + kTool, "hold " + kTool,
                    "delete " + kTool, "release " + kTool, "hold " + kReadme, "delete " + kReadme,
                    "release " + kReadme, "hold " + kDriverTool, "delete " + kDriverTool,
                    "release " + kDriverTool, "hold " + kSys, "delete " + kSys, "release " + kSys,
                    "close C:\\V\\Driver\\", "rmdir C:\\V\\Driver\\", "hold " + kRecord,
                    "delete " + kRecord, "release " + kRecord, "close C:\\V\\"));
    EXPECT_EQ(summary.filesRemoved, 6);
    EXPECT_THAT(summary.failedFiles, IsEmpty());
    EXPECT_THAT(summary.changedFiles, IsEmpty());
    EXPECT_THAT(summary.foldersRemoved, ElementsAre(kDriver));
    EXPECT_THAT(summary.recordsRemoved, ElementsAre(kRecord));
    ASSERT_EQ(summary.unregistrations.size(), 2u);
    EXPECT_EQ(summary.unregistrations[1].dll, kDllB);
    EXPECT_EQ(summary.unregistrations[1].toolPath, kTool);
    EXPECT_EQ(summary.unregistrations[1].outcome, RegistrationOutcome::exited);
    EXPECT_TRUE(summary.Complete());
    EXPECT_THAT(installed.Remaining(), ElementsAre("C:\\V\\user.txt"));
}

// A folder whose own path (as the held handle gives it) differs from the listed
// one: a link above A pointed elsewhere after A was held. Everything is opened,
// started and emptied by the held path; the summary names what the list names.
TEST(Removal, OpensAndStartsByTheHeldFoldersOwnPaths) {
    Installed installed;
    const std::string real = "D:\\Real\\V\\";
    installed.system.heldPaths = {{kApp, real}, {real + "Driver\\", real + "Driver\\"}};
    std::map<std::string, std::string> moved;
    for (const auto& [path, bytes] : installed.system.files)
        moved[path.rfind(kApp, 0) == 0 ? real + path.substr(kApp.size()) : path] = bytes;
    installed.system.files = moved;
    // What now lies under the listed path is not the installation.
    installed.system.files[kDllA] = "planted";

    tw::RemovalSummary summary = installed.Remove();
    EXPECT_THAT(installed.system.calls,
                ::testing::IsSupersetOf(
                    {"open " + kApp, "open " + real + "Driver\\", "hold " + real + "Driver\\a.dll",
                     "hold " + real + "regsvr32.exe",
                     "start " + real + "regsvr32.exe | /u /s " + real + "Driver\\a.dll | " + real,
                     "delete " + real + "readme.txt", "rmdir " + real + "Driver\\"}));
    for (const std::string& call : installed.system.calls)
        EXPECT_EQ(call.find("C:\\V\\Driver"), std::string::npos) << call;
    EXPECT_EQ(summary.filesRemoved, 6);
    EXPECT_TRUE(summary.Complete());
    EXPECT_THAT(summary.foldersRemoved, ElementsAre(kDriver));
    ASSERT_EQ(summary.unregistrations.size(), 2u);
    EXPECT_EQ(summary.unregistrations[0].dll, kDllA);
    EXPECT_EQ(installed.system.files.at(kDllA), "planted");
}

struct FaultCase {
    const char* name;
    std::function<void(Installed&)> fault;
    std::vector<std::string> failed;
    std::vector<std::string> changed;
    std::vector<std::string> remaining;  // besides user.txt, sorted as a map sorts
    std::vector<std::string> starts;     // the parameters of each tool start
    std::vector<std::string> notUnregistered = {};
};

const std::string kStartA = "/u /s C:\\V\\Driver\\a.dll";
const std::string kStartB = "/u /s \"C:\\V\\Driver\\b b.dll\"";

const FaultCase kFaults[] = {
    {"a file the user changed is kept and named, no failure",
     [](Installed& i) { i.system.files[kReadme] = "edited"; },
     {},
     {kReadme},
     {kReadme},
     {kStartA, kStartB}},
    {"a file already gone is fine",
     [](Installed& i) { i.system.files.erase(kSys); },
     {},
     {},
     {},
     {kStartA, kStartB}},
    {"a registered DLL gone already is named as not unregistered; all else goes, its tool too",
     [](Installed& i) { i.system.files.erase(kDllA); },
     {},
     {},
     {},
     {kStartB},
     {kDllA}},
    {"every registered DLL gone: no tool starts, the tool goes",
     [](Installed& i) {
         i.system.files.erase(kDllA);
         i.system.files.erase(kDllB);
     },
     {},
     {},
     {},
     {},
     {kDllA, kDllB}},
    {"a changed DLL is never loaded nor deleted: kept and named as changed, the tool goes",
     [](Installed& i) { i.system.files[kDllA] = "swapped"; },
     {},
     {kDllA},
     {kDllA},
     {kStartB}},
    {"a DLL that cannot be held open is not unregistered: a failure, its tool kept",
     [](Installed& i) { i.system.unholdable.insert(kDllA); },
     {kDllA, kTool},
     {},
     {kDllA, kTool},
     {kStartB}},
    {"a DLL in doubt that fails to unregister goes, and that is no failure",
     [](Installed& i) {
         i.list.files[3].role = FileRole::dllInDoubt;
         i.tools.outcomes[kStartA] = 3;
     },
     {},
     {},
     {},
     {kStartA, kStartB}},
    {"a DLL in doubt still running at the bound goes too",
     [](Installed& i) {
         i.list.files[3].role = FileRole::dllInDoubt;
         i.tools.outcomes[kStartA] = std::nullopt;
     },
     {},
     {},
     {},
     {kStartA, kStartB}},
    {"a DLL in doubt that is missing is named as not unregistered either",
     [](Installed& i) {
         i.list.files[3].role = FileRole::dllInDoubt;
         i.system.files.erase(kDllA);
     },
     {},
     {},
     {},
     {kStartB},
     {kDllA}},
    {"a changed tool is never started: every DLL kept and counted, the tool kept",
     [](Installed& i) { i.system.files[kTool] = "planted"; },
     {kDllA, kDllB},
     {kTool},
     {kDllA, kDllB, kTool},
     {}},
    {"a tool that is gone starts nothing: the DLLs stay registered and kept",
     [](Installed& i) { i.system.files.erase(kTool); },
     {kDllA, kDllB},
     {},
     {kDllA, kDllB},
     {}},
    {"a tool that cannot be held open starts nothing",
     [](Installed& i) { i.system.unholdable.insert(kTool); },
     {kDllA, kDllB, kTool},
     {},
     {kDllA, kDllB, kTool},
     {}},
    {"without a tool in the list nothing is started",
     [](Installed& i) { i.list.files.erase(i.list.files.begin()); },
     {kDllA, kDllB},
     {},
     {kDllA, kDllB, kTool},
     {}},
    {"an unregistration that fails keeps its DLL and the tool, for another removal",
     [](Installed& i) { i.tools.outcomes[kStartA] = 3; },
     {kDllA, kTool},
     {},
     {kDllA, kTool},
     {kStartA, kStartB}},
    {"a tool still running at the bound keeps its DLL and the tool, for another removal",
     [](Installed& i) { i.tools.outcomes[kStartB] = std::nullopt; },
     {kDllB, kTool},
     {},
     {kDllB, kTool},
     {kStartA, kStartB}},
    {"a tool that cannot start keeps its DLL and the tool, for another removal",
     [](Installed& i) { i.tools.unstartable.insert(kStartA); },
     {kDllA, kTool},
     {},
     {kDllA, kTool},
     {kStartA, kStartB}},
    {"a file that cannot be read is kept and counted",
     [](Installed& i) { i.system.unreadable.insert(kSys); },
     {kSys},
     {},
     {kSys},
     {kStartA, kStartB}},
    {"a file held open elsewhere is kept and counted",
     [](Installed& i) { i.system.unholdable.insert(kReadme); },
     {kReadme},
     {},
     {kReadme},
     {kStartA, kStartB}},
    {"a delete that fails is counted",
     [](Installed& i) { i.system.undeletable.insert(kDllB); },
     {kDllB},
     {},
     {kDllB},
     {kStartA, kStartB}},
    {"a link at A: nothing in A or below is opened, started or deleted",
     [](Installed& i) { i.system.folders[kApp] = FolderOpening::link; },
     {kDllA, kDllB, kTool, kReadme, kDriverTool, kSys},
     {},
     {kDllA, kDllB, kSys, kDriverTool, kReadme, kTool},
     {}},
    {"a link at A\\Driver: its files stay, and the tool its DLLs need; A's other files go",
     [](Installed& i) { i.system.folders[kDriver] = FolderOpening::link; },
     {kDllA, kDllB, kTool, kDriverTool, kSys},
     {},
     {kDllA, kDllB, kSys, kDriverTool, kTool},
     {}},
    {"A\\Driver that cannot be opened is counted like a link",
     [](Installed& i) { i.system.folders[kDriver] = FolderOpening::failed; },
     {kDllA, kDllB, kTool, kDriverTool, kSys},
     {},
     {kDllA, kDllB, kSys, kDriverTool, kTool},
     {}},
    {"A gone altogether: every file is gone already, the DLLs' registrations stay",
     [](Installed& i) {
         i.system.folders[kApp] = FolderOpening::missing;
         std::erase_if(i.system.files, [](const auto& f) { return f.first != kRecord; });
         i.system.files["C:\\V\\user.txt"] = "mine";
     },
     {},
     {},
     {},
     {},
     {kDllA, kDllB}},
    {"a record with bytes after its 276 is someone's data: kept",
     [](Installed& i) { i.system.files[kRecord] = RecordBytes("C:\\V") + "user data"; },
     {},
     {},
     {kRecord},
     {kStartA, kStartB}},
    {"a record that names another folder is kept",
     [](Installed& i) { i.system.files[kRecord] = RecordBytes("D:\\Other"); },
     {},
     {},
     {kRecord},
     {kStartA, kStartB}},
    {"a record held open elsewhere is counted",
     [](Installed& i) { i.system.unholdable.insert(kRecord); },
     {kRecord},
     {},
     {kRecord},
     {kStartA, kStartB}},
    {"a record shorter than a record is kept",
     [](Installed& i) { i.system.files[kRecord] = RecordBytes("C:\\V").substr(0, 200); },
     {},
     {},
     {kRecord},
     {kStartA, kStartB}},
    {"a DLL listed outside A\\Driver is never handed to the tool",
     [](Installed& i) { i.list.files[1].role = FileRole::dll; },
     {kReadme},
     {},
     {kReadme},
     {kStartA, kStartB}},
};

TEST(Removal, FaultsKeepFilesAndAreCounted) {
    for (const FaultCase& c : kFaults) {
        SCOPED_TRACE(c.name);
        Installed installed;
        c.fault(installed);
        tw::RemovalSummary summary = installed.Remove();
        EXPECT_EQ(summary.failedFiles, c.failed);
        EXPECT_EQ(summary.changedFiles, c.changed);
        std::vector<std::string> remaining = c.remaining;
        remaining.push_back("C:\\V\\user.txt");
        std::sort(remaining.begin(), remaining.end());
        EXPECT_EQ(installed.Remaining(), remaining);
        std::vector<std::string> starts;
        for (const Registration& r : summary.unregistrations) starts.push_back(r.parameters);
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(summary.notUnregistered, c.notUnregistered);
        EXPECT_EQ(summary.Complete(), c.failed.empty());
        // What is left to undo is listed as it was, in the list's order; a DLL
        // found gone is not: nothing can undo its registration any more.
        std::vector<std::string> left;
        for (const tw::ListedFile& file : installed.list.files)
            if (std::count(c.failed.begin(), c.failed.end(), file.path)) left.push_back(file.path);
        std::vector<std::string> listedLeft;
        for (const tw::ListedFile& file : summary.left.files) {
            listedLeft.push_back(file.path);
            EXPECT_EQ(file, *std::find_if(installed.list.files.begin(), installed.list.files.end(),
                                          [&](const auto& f) { return f.path == file.path; }));
        }
        EXPECT_EQ(listedLeft, left);
        EXPECT_EQ(summary.left.appDirs, installed.list.appDirs);
        for (const std::string& call : installed.system.calls) {
            EXPECT_EQ(call.find("UNHELD"), std::string::npos) << call;
            // Nothing below a folder that is not held is ever opened.
            if (installed.system.folders.count(kApp)) {
                EXPECT_NE(call.rfind("hold C:\\V\\", 0), 0u) << call;
            }
        }
    }
}

TEST(Removal, DriverFolderStaysWhenSomethingIsLeftInIt) {
    Installed installed;
    installed.system.files["C:\\V\\Driver\\user.dat"] = "mine";
    tw::RemovalSummary summary = installed.Remove();
    EXPECT_THAT(summary.foldersRemoved, IsEmpty());
    EXPECT_TRUE(summary.Complete());
    EXPECT_THAT(installed.Remaining(), ElementsAre("C:\\V\\Driver\\user.dat", "C:\\V\\user.txt"));
}

// One step per DLL's unregistration and one per file: the DLLs first, then the
// files in the list's order.
TEST(Removal, EachStepIsShownBeforeItBegins) {
    Installed installed;
    std::vector<std::string> shown;
    {
        RecordingProgress observer(shown);
        installed.list.files[4].digest = DigestOf("changed since");  // b b.dll: no deletion
        tw::RemovalProgress progress(installed.list, observer);
        installed.tools.shown = &progress;
        installed.Remove();
    }
    EXPECT_THAT(shown,
                ElementsAre("progress opened", "unregistering " + kDllA + " at 0",
                            "unregistering " + kDllB + " at 125", "deleting " + kDllA + " at 250",
                            "deleting " + kTool + " at 375", "deleting " + kReadme + " at 500",
                            "deleting " + kDriverTool + " at 625", "deleting " + kSys + " at 750",
                            "progress closed"));
}

// As when installing, at most 64 tools run at once: the 65th DLL waits for one of
// them to end, and stays with its tool when none does within the bound.
TEST(Removal, AtMost64ToolsRunAtOnce) {
    Installed installed;
    for (int i = 0; i < 63; ++i) {
        const std::string path = "C:\\V\\Driver\\d" + std::to_string(i) + ".dll";
        installed.list.files.push_back({path, DigestOf("D"), 1, FileRole::dll});
        installed.system.files[path] = "D";
    }
    tw::RemovalSummary summary = installed.Remove();
    const std::vector<std::string>& calls = installed.system.calls;
    const auto waitForOne =
        std::find(calls.begin(), calls.end(), "wait for one of 64 tools, 300000 ms");
    ASSERT_NE(waitForOne, calls.end());
    EXPECT_EQ(std::count_if(calls.begin(), waitForOne,
                            [](const std::string& call) { return call.rfind("start ", 0) == 0; }),
              64);
    EXPECT_EQ(std::count_if(waitForOne, calls.end(),
                            [](const std::string& call) { return call.rfind("start ", 0) == 0; }),
              0);
    EXPECT_EQ(summary.unregistrations.size(), 65u);
    EXPECT_THAT(summary.failedFiles, ElementsAre("C:\\V\\Driver\\d62.dll", kTool));
    EXPECT_TRUE(installed.system.files.count("C:\\V\\Driver\\d62.dll"));
    EXPECT_TRUE(installed.system.files.count(kTool));
}

// Failures are kept by key: 40,000 files that all fail take about as long as
// 40,000 removals (comparing every pair took 53 s in this build).
TEST(Removal, ALargeListThatFailsWholeEndsInBoundedTime) {
    Installed installed;
    installed.system.folders[kDriver] = FolderOpening::link;
    for (int i = 0; i < 40000; ++i)
        installed.list.files.push_back(
            {kDriver + "f" + std::to_string(i) + ".sys", DigestOf("F"), 1, FileRole::file});
    const auto start = std::chrono::steady_clock::now();
    tw::RemovalSummary summary = installed.Remove();
    const auto took = std::chrono::steady_clock::now() - start;
    // and the standard ones below A\Driver, and the tool their DLLs still need
    EXPECT_EQ(summary.failedFiles.size(), 40000u + 5u);
    EXPECT_EQ(summary.left.files.size(), 40005u);
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(Removal, UnregistrationParameters) {
    struct Case {
        const char* path;
        bool formatted;
        const char* parameters;
    };
    const Case cases[] = {
        {"C:\\V\\Driver\\a.dll", true, "/u /s C:\\V\\Driver\\a.dll"},
        {"C:\\My V\\Driver\\a.dll", true, "/u /s \"C:\\My V\\Driver\\a.dll\""},
        {"C:\\V\\Driver\\a\".dll", false, ""},
    };
    for (const Case& c : cases) {
        std::string parameters;
        EXPECT_EQ(tw::FormatUnregistrationParameters(c.path, parameters), c.formatted) << c.path;
        EXPECT_EQ(parameters, c.parameters);
    }
}

}  // namespace

namespace {

constexpr tw::FolderIdentity kAppIdentity{0x1234, 10};
constexpr tw::FolderIdentity kDriverIdentity{0x1234, 11};

// An installation whose list says what A and A\Driver were, both locked.
struct InstalledAndKnown : Installed {
    InstalledAndKnown() {
        list.folders = {{kApp, kAppIdentity, true}, {kDriver, kDriverIdentity, true}};
        system.identities = {{kApp, kAppIdentity}, {kDriver, kDriverIdentity}};
    }
};

struct FolderCase {
    const char* name;
    std::function<void(Installed&)> change;
    std::vector<std::string> notInstalled;
    std::vector<std::string> notLocked;
    std::vector<std::string> remaining;  // besides user.txt, sorted
    std::size_t starts;
};

const std::vector<std::string> kEverything = {kRecord, kDriverTool, kSys, kDllB,
                                              kDllA,   kReadme,     kTool};

const FolderCase kFolderCases[] = {
    {"the folders installed, locked still", [](Installed&) {}, {}, {}, {}, 2},
    {"another folder at A's path",
     [](Installed& i) { i.system.identities[kApp].index = 99; },
     {kApp},
     {},
     kEverything,
     0},
    {"the same index on another volume",
     [](Installed& i) { i.system.identities[kApp].volume = 1; },
     {kApp},
     {},
     kEverything,
     0},
    {"A's identity cannot be read",
     [](Installed& i) { i.system.identities.erase(kApp); },
     {kApp},
     {},
     kEverything,
     0},
    // The tool stays for the DLLs that still need it.
    {"another folder at A\\Driver's path",
     [](Installed& i) { i.system.identities[kDriver] = kAppIdentity; },
     {kDriver},
     {},
     {kRecord, kDriverTool, kSys, kDllB, kDllA, kTool},
     0},
    {"A open to others now",
     [](Installed& i) { i.system.unlocked.insert(kApp); },
     {},
     {kApp},
     kEverything,
     0},
    {"A\\Driver open to others now",
     [](Installed& i) { i.system.unlocked.insert(kDriver); },
     {},
     {kDriver},
     {kRecord, kDriverTool, kSys, kDllB, kDllA, kTool},
     0},
    {"A was not locked when installed, and need not be now",
     [](Installed& i) {
         i.list.folders[0].locked = false;
         i.system.unlocked.insert(kApp);
     },
     {},
     {},
     {},
     2},
    // A list written before what the folders were was listed: each must be locked.
    {"a list that knows no folder, locked",
     [](Installed& i) {
         i.list.folders.clear();
         i.system.identities.clear();
     },
     {},
     {},
     {},
     2},
    {"a list that knows no folder, A open to others",
     [](Installed& i) {
         i.list.folders.clear();
         i.system.unlocked.insert(kApp);
     },
     {},
     {kApp},
     kEverything,
     0},
    {"a folder missing is no refusal",
     [](Installed& i) {
         i.system.folders[kApp] = FolderOpening::missing;
         i.system.files.clear();
         i.system.files["C:\\V\\user.txt"] = "mine";
     },
     {},
     {},
     {},
     0},
};

}  // namespace

// A folder that is not the one installed, or that others may change now, is
// named; nothing in it is started, held or deleted, and it all stays listed.
TEST(Removal, OnlyTheFoldersInstalledAndLockedStillAreWorkedIn) {
    for (const FolderCase& c : kFolderCases) {
        SCOPED_TRACE(c.name);
        InstalledAndKnown installed;
        c.change(installed);
        tw::RemovalSummary summary = installed.Remove();
        EXPECT_EQ(summary.foldersNotInstalled, c.notInstalled);
        EXPECT_EQ(summary.foldersNotLocked, c.notLocked);
        std::vector<std::string> remaining = c.remaining;
        remaining.push_back("C:\\V\\user.txt");
        std::sort(remaining.begin(), remaining.end());
        EXPECT_EQ(installed.Remaining(), remaining);
        EXPECT_EQ(summary.unregistrations.size(), c.starts);
        const bool refused = !c.notInstalled.empty() || !c.notLocked.empty();
        EXPECT_EQ(summary.Complete(), !refused);
        if (!refused) continue;
        // Named once, as the folder; what it holds stays listed unnamed, and so
        // does the record, which names the installation still there.
        std::vector<std::string> named = c.notInstalled;
        named.insert(named.end(), c.notLocked.begin(), c.notLocked.end());
        if (named[0] == kDriver) named.push_back(kTool);  // kept for the DLLs left
        EXPECT_EQ(summary.failedFiles, named);
        EXPECT_EQ(summary.left.folders, installed.list.folders);
        EXPECT_EQ(summary.left.recordPaths, installed.list.recordPaths);
        for (const std::string& call : installed.system.calls) {
            EXPECT_NE(call.rfind("hold " + named[0], 0), 0u) << call;
            EXPECT_NE(call.rfind("rmdir", 0), 0u) << call;
        }
    }
}

// A file no administrator owns in A or A\Driver: the tool would load it, so none
// starts; the DLLs and their tool stay, everything else goes.
TEST(Removal, NoToolStartsBesideAFileNoAdministratorOwns) {
    for (const std::string& folder : {kApp, kDriver}) {
        SCOPED_TRACE(folder);
        InstalledAndKnown installed;
        installed.system.untrusted[folder] = {{"helper.dll"}};
        installed.system.untrusted[kDriver].unreadable = folder == kDriver;
        tw::RemovalSummary summary = installed.Remove();
        for (const std::string& call : installed.system.calls)
            EXPECT_NE(call.rfind("start", 0), 0u) << call;
        std::vector<std::string> untrusted = {folder + "helper.dll"};
        if (folder == kDriver) untrusted.insert(untrusted.begin(), kDriver);
        EXPECT_EQ(summary.untrustedFiles, untrusted);
        EXPECT_EQ(summary.failedFiles, (std::vector<std::string>{kDllA, kDllB, kTool}));
        EXPECT_THAT(installed.Remaining(), ElementsAre(kDllA, kDllB, kTool, "C:\\V\\user.txt"));
    }
}
