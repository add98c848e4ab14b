// Staging and commit on a table of files in memory: a failure at every step of
// either leaves every installed file as it was, with nothing of the run left
// behind; a run where nothing fails ends with the new files and nothing set aside;
// the DLLs are registered only once every file is in place. Destinations in use:
// one loaded (renamed, deleted at the restart) and one held without delete
// sharing (replaced at the restart), alone and with a failure elsewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "install/engine.h"
#include "tests/install/recording_system.h"

namespace {

using Files = std::map<std::string, std::string>;  // path: bytes

constexpr const char* kSupport = "C:\\pkg\\driversupport\\*.*";
constexpr const char* kDriver = "C:\\pkg\\Driver\\*.*";
constexpr const char* kDriverDir = "C:\\App\\Driver\\";

// The folders and files of a machine, as the commit's renames change them, and
// what waits for the next restart.
class FileTable : public ScriptedSystem {
public:
    Files files;
    std::set<std::string> folders{"C:\\App\\"};
    std::set<std::string> held;    // open elsewhere without delete sharing
    std::set<std::string> loaded;  // loaded DLLs: renamed, not deleted
    // In order: "S > D" (S replaces D) and "A" (A deleted) at the restart.
    std::vector<std::string> atRestart;
    std::vector<std::string> runOnce;  // command lines run once at the restart

    // What the next start of Windows carries out: a replacement whose file is gone
    // does nothing.
    void Restart() {
        for (const std::string& step : atRestart) {
            const std::size_t arrow = step.find(" > ");
            if (arrow == std::string::npos) {
                files.erase(step);
                continue;
            }
            auto from = files.find(step.substr(0, arrow));
            if (from == files.end()) continue;
            files[step.substr(arrow + 3)] = from->second;
            files.erase(from);
        }
        atRestart.clear();
        loaded.clear();
    }

    bool CreateFolder(const char* path) override { return folders.insert(path).second; }
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        std::string staged = std::string(destination) + ".new" + std::to_string(m_next++);
        files[staged] = std::string("new ") + source;
        return {0, std::nullopt, staged};
    }
    long SetAside(const char* destination, std::string& aside) override {
        aside.clear();
        auto file = files.find(destination);
        if (file == files.end()) return 2;       // ERROR_FILE_NOT_FOUND
        if (held.count(destination)) return 32;  // ERROR_SHARING_VIOLATION
        aside = std::string(destination) + ".old" + std::to_string(m_next++);
        if (loaded.erase(destination)) loaded.insert(aside);
        files[aside] = file->second;
        files.erase(file);
        return 0;
    }
    long PutInPlace(const char* file, const char* destination) override {
        if (files.count(destination)) return 183;  // ERROR_ALREADY_EXISTS
        auto moved = files.find(file);
        if (moved == files.end()) return 2;
        files[destination] = moved->second;
        files.erase(moved);
        return 0;
    }
    void DiscardFile(const char* path) override { files.erase(path); }
    long PutInPlaceAtRestart(const char* file, const char* destination) override {
        if (!files.count(file)) return 2;
        atRestart.push_back(std::string(file) + " > " + destination);
        return 0;
    }
    bool DiscardSetAside(const char* path) override {
        if (!loaded.count(path)) {
            files.erase(path);
            return false;
        }
        atRestart.push_back(path);
        return true;
    }
    bool RegisterAtRestart(const RegistrationRequest& request) override {
        runOnce.push_back(std::string("\"") + request.toolPath + "\" " + request.parameters);
        return true;
    }
    void RemoveFolder(const char* folder) override {
        const std::string prefix(folder);
        for (const auto& file : files)
            if (file.first.rfind(prefix, 0) == 0) return;
        folders.erase(prefix);
    }

private:
    int m_next = 1;
};

// regsvr32.exe and s.txt in the support pass, a.dll, b.dll and s.txt (a name
// both passes write into Driver\) in the driver pass.
void ListPackage(FileTable& table) {
    table.SetListing(kSupport, {FileEntry("regsvr32.exe"), FileEntry("s.txt")});
    table.SetListing(kDriver, {FileEntry("a.dll"), FileEntry("b.dll"), FileEntry("s.txt")});
}

// A previous installation of every file but b.dll.
void InstallBefore(FileTable& table) {
    table.folders.insert(kDriverDir);
    for (const char* path : {"C:\\App\\regsvr32.exe", "C:\\App\\s.txt", "C:\\App\\Driver\\a.dll",
                             "C:\\App\\Driver\\regsvr32.exe", "C:\\App\\Driver\\s.txt"})
        table.files[path] = std::string("old ") + path;
}

// Every file of the package installed, nothing else.
Files NewInstallation() {
    return {{"C:\\App\\regsvr32.exe", "new C:\\pkg\\driversupport\\regsvr32.exe"},
            {"C:\\App\\s.txt", "new C:\\pkg\\driversupport\\s.txt"},
            {"C:\\App\\Driver\\regsvr32.exe", "new C:\\pkg\\driversupport\\regsvr32.exe"},
            {"C:\\App\\Driver\\a.dll", "new C:\\pkg\\Driver\\a.dll"},
            {"C:\\App\\Driver\\b.dll", "new C:\\pkg\\Driver\\b.dll"},
            {"C:\\App\\Driver\\s.txt", "new C:\\pkg\\Driver\\s.txt"}};
}

// The system outlives the summary, whose holds may still reach it.
struct EngineRun {
    std::unique_ptr<RecordingSystem> system;
    InstallSummary summary;
    std::vector<std::string> calls;
};

EngineRun Install(FileTable& table, const std::function<void(RecordingSystem&)>& fault) {
    EngineRun run{std::make_unique<RecordingSystem>(&table), {}, {}};
    fault(*run.system);
    run.summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", *run.system);
    run.calls = run.system->Calls();
    return run;
}

std::vector<std::string> Starting(const std::vector<std::string>& calls, const char* word) {
    std::vector<std::string> found;
    for (const std::string& call : calls)
        if (call.rfind(word, 0) == 0) found.push_back(call);
    return found;
}

TEST(EngineCommit, AllWellEndsWithTheNewFilesAndRegistersAfterTheLastRename) {
    FileTable table;
    ListPackage(table);
    InstallBefore(table);
    EngineRun run = Install(table, [](RecordingSystem&) {});
    EXPECT_FALSE(run.summary.undone);
    EXPECT_TRUE(run.summary.failedFiles.empty());
    EXPECT_EQ(run.summary.filesCopied, 7);

    // Every start comes after the commit's last rename, in the driver pass's order.
    auto lastPut = std::find_if(run.calls.rbegin(), run.calls.rend(),
                                [](const std::string& c) { return c.rfind("put ", 0) == 0; });
    auto firstStart = std::find_if(run.calls.begin(), run.calls.end(),
                                   [](const std::string& c) { return c.rfind("start ", 0) == 0; });
    ASSERT_NE(firstStart, run.calls.end());
    EXPECT_LT(lastPut.base() - run.calls.begin(), firstStart - run.calls.begin());
    EXPECT_EQ(Starting(run.calls, "start "),
              (std::vector<std::string>{
                  "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\a.dll | C:\\App\\",
                  "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\b.dll | C:\\App\\"}));

    // The files set aside go once the run lets go of what the engine holds.
    run.summary.holds.clear();
    EXPECT_EQ(table.files, NewInstallation());
    EXPECT_FALSE(*run.summary.restartPending);
    EXPECT_TRUE(table.atRestart.empty());
    EXPECT_TRUE(table.runOnce.empty());
}

// Every step of a run where nothing fails, each made to fail in turn: the copies
// (staging), the setting aside of each installed file, the putting in place of
// each new one. Whichever fails, the installed files are exactly as before,
// nothing staged or set aside is left, no tool is started and the step's source
// file is named.
TEST(EngineCommit, AFailureAtAnyStepLeavesTheInstallationAsItWas) {
    for (const bool before : {true, false}) {
        FileTable model;
        ListPackage(model);
        if (before) InstallBefore(model);
        const EngineRun good = Install(model, [](RecordingSystem&) {});
        std::vector<std::string> steps = Starting(good.calls, "copy ");
        for (const std::string& aside : Starting(good.calls, "aside ")) steps.push_back(aside);
        // A destination that is taken is tried twice: before and after it is set aside.
        for (const std::string& put : Starting(good.calls, "put "))
            if (std::find(steps.begin(), steps.end(), put) == steps.end()) steps.push_back(put);
        ASSERT_EQ(steps.size(), before ? 7u + 5u + 6u : 7u + 0u + 6u);

        for (const std::string& step : steps) {
            SCOPED_TRACE(step + (before ? " (over an installation)" : " (first installation)"));
            FileTable table;
            ListPackage(table);
            if (before) InstallBefore(table);
            const Files was = table.files;
            const std::string destination = step.substr(step.rfind(' ') + 1);
            const std::string source = step.substr(5, step.find(' ', 5) - 5);
            EngineRun run = Install(table, [&](RecordingSystem& s) {
                if (step.rfind("copy ", 0) == 0) s.FailCopy(source, destination);
                if (step.rfind("aside ", 0) == 0)
                    s.FailSetAside(step.substr(6, step.find(" as") - 6));
                if (step.rfind("put ", 0) == 0) s.FailPutInPlace(destination);
            });
            EXPECT_TRUE(run.summary.undone);
            EXPECT_EQ(run.summary.filesCopied, 0);
            ASSERT_EQ(run.summary.failedFiles.size(), 1u);
            EXPECT_TRUE(run.summary.failedFiles[0] == "driversupport\\s.txt" ||
                        run.summary.failedFiles[0] == "driversupport\\regsvr32.exe" ||
                        run.summary.failedFiles[0].rfind("Driver\\", 0) == 0)
                << run.summary.failedFiles[0];
            run.summary.holds.clear();
            EXPECT_EQ(table.files, was);
            EXPECT_EQ(table.folders.count(kDriverDir), before ? 1u : 0u)
                << "a Driver\\ this run created goes";
            EXPECT_TRUE(Starting(run.calls, "start ").empty());
        }
    }
}

// A listing that breaks off or a destination folder that cannot be held fails the
// run before its commit: nothing is put in place.
TEST(EngineCommit, FailuresOtherThanCopiesAlsoUndoTheRun) {
    const std::function<void(RecordingSystem&)> faults[] = {
        [](RecordingSystem& s) { s.FailListingAfter(kDriver, 1); },
        [](RecordingSystem& s) { s.RefuseFolder(kDriverDir); },
    };
    for (const auto& fault : faults) {
        FileTable table;
        ListPackage(table);
        InstallBefore(table);
        const Files was = table.files;
        EngineRun run = Install(table, fault);
        EXPECT_TRUE(run.summary.undone);
        EXPECT_TRUE(Starting(run.calls, "put ").empty());
        run.summary.holds.clear();
        EXPECT_EQ(table.files, was);
    }
}

constexpr const char* kA = "C:\\App\\Driver\\a.dll";
constexpr const char* kDriverText = "C:\\App\\Driver\\s.txt";
const std::string kStartA = "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\a.dll | C:\\App\\";
const std::string kStartB = "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\b.dll | C:\\App\\";

enum class Use { free, loaded, held };

void PutInUse(FileTable& table, const std::string& destination, Use use) {
    if (use == Use::loaded) table.loaded.insert(destination);
    if (use == Use::held) table.held.insert(destination);
}

// A free destination is replaced at once. A loaded DLL is set aside and replaced
// at once, registered at once, and the file set aside, still loaded when the run
// lets go, is deleted at the restart. A destination held without delete sharing
// keeps its old bytes until the restart puts the staged file in its place; a DLL
// so held is registered then, by the same command line. The run is complete
// either way; only what waits for the restart says so.
TEST(EngineCommit, AFileInUseIsReplacedAsWindowsAllows) {
    struct Case {
        const char* name;
        std::string destination;
        Use use;
        std::vector<std::string> starts;
        std::vector<std::string> runOnce;
        bool waitsAtReturn;  // known when the engine returns
        bool waitsAtEnd;     // once the run has let go
    };
    const Case cases[] = {
        {"free", kA, Use::free, {kStartA, kStartB}, {}, false, false},
        {"a loaded DLL", kA, Use::loaded, {kStartA, kStartB}, {}, false, true},
        {"a DLL held without sharing",
         kA,
         Use::held,
         {kStartB},
         {"\"C:\\App\\regsvr32.exe\" /s C:\\App\\Driver\\a.dll"},
         true,
         true},
        {"a text held without sharing", kDriverText, Use::held, {kStartA, kStartB}, {}, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileTable table;
        ListPackage(table);
        InstallBefore(table);
        PutInUse(table, c.destination, c.use);
        const std::string old = table.files.at(c.destination);
        EngineRun run = Install(table, [](RecordingSystem&) {});
        EXPECT_FALSE(run.summary.undone);
        EXPECT_TRUE(run.summary.failedFiles.empty());
        EXPECT_EQ(run.summary.filesCopied, 7);
        EXPECT_EQ(Starting(run.calls, "start "), c.starts);
        EXPECT_EQ(table.runOnce, c.runOnce);
        EXPECT_EQ(*run.summary.restartPending, c.waitsAtReturn);
        // The staged file is left for the restart only after every other step.
        const std::vector<std::string> commit = run.system->Commit();
        const std::vector<std::string> atRestart = Starting(commit, "restart ");
        if (c.use == Use::held) {
            ASSERT_EQ(atRestart.size(), 1u);
            EXPECT_EQ(atRestart[0].substr(atRestart[0].rfind(' ') + 1), c.destination);
            std::size_t lastRename = 0;
            for (std::size_t i = 0; i < commit.size(); ++i)
                if (commit[i].rfind("put ", 0) == 0 || commit[i].rfind("aside ", 0) == 0)
                    lastRename = i;
            const auto restart = std::find(commit.begin(), commit.end(), atRestart[0]);
            EXPECT_GT(static_cast<std::size_t>(restart - commit.begin()), lastRename);
        } else {
            EXPECT_TRUE(atRestart.empty());
        }

        run.summary.holds.clear();
        EXPECT_EQ(*run.summary.restartPending, c.waitsAtEnd);
        EXPECT_EQ(table.files.at(c.destination),
                  c.use == Use::held ? old : NewInstallation().at(c.destination));
        EXPECT_EQ(table.files == NewInstallation(), !c.waitsAtEnd)
            << "before the restart only a file left for it is still there";
        table.Restart();
        EXPECT_EQ(table.files, NewInstallation());
    }
}

// A destination in use beside a failure elsewhere, at each step where one can
// come: a copy, a step of the commit, and the last: a second held destination that
// cannot be left for the restart after the first one was. Every time the run is
// undone: no tool started, nothing registered for the restart, nothing said to
// wait, and, once the restart has carried out whatever was left for it, every
// file as before.
TEST(EngineCommit, AFileInUseBesideAFailureIsUndoneToo) {
    const std::function<void(RecordingSystem&)> faults[] = {
        [](RecordingSystem& s) { s.FailCopy("C:\\pkg\\Driver\\b.dll", "C:\\App\\Driver\\b.dll"); },
        [](RecordingSystem& s) { s.FailPutInPlace("C:\\App\\Driver\\b.dll"); },
        [](RecordingSystem& s) { s.FailAtRestart(kDriverText); },
    };
    for (const Use use : {Use::loaded, Use::held}) {
        for (std::size_t fault = 0; fault < std::size(faults); ++fault) {
            SCOPED_TRACE(std::to_string(static_cast<int>(use)) + " fault " + std::to_string(fault));
            FileTable table;
            ListPackage(table);
            InstallBefore(table);
            PutInUse(table, kA, use);
            table.held.insert(kDriverText);
            const Files was = table.files;
            EngineRun run = Install(table, faults[fault]);
            EXPECT_TRUE(run.summary.undone);
            EXPECT_EQ(run.summary.filesCopied, 0);
            EXPECT_EQ(run.summary.failedFiles.size(), 1u);
            EXPECT_TRUE(Starting(run.calls, "start ").empty());
            EXPECT_TRUE(table.runOnce.empty());
            const std::size_t leftForRestart = Starting(run.calls, "restart ").size();
            EXPECT_EQ(leftForRestart, fault == 2 ? (use == Use::held ? 2u : 1u) : 0u);
            run.summary.holds.clear();
            EXPECT_FALSE(*run.summary.restartPending);
            EXPECT_EQ(table.files, was);
            table.Restart();
            EXPECT_EQ(table.files, was) << "a replacement left for the restart found nothing";
        }
    }
}

}  // namespace
