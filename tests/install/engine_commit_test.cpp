// Staging and commit on a table of files in memory: a failure at every step of
// either leaves every installed file as it was, with nothing of the run left
// behind; a run where nothing fails ends with the new files and nothing set aside;
// the DLLs are registered only once every file is in place.
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

// The folders and files of a machine, as the commit's renames change them.
class FileTable : public ScriptedSystem {
public:
    Files files;
    std::set<std::string> folders{"C:\\App\\"};

    bool CreateFolder(const char* path) override { return folders.insert(path).second; }
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        std::string staged = std::string(destination) + ".new" + std::to_string(m_next++);
        files[staged] = std::string("new ") + source;
        return {0, std::nullopt, staged};
    }
    long SetAside(const char* destination, std::string& aside) override {
        aside.clear();
        auto file = files.find(destination);
        if (file == files.end()) return 2;  // ERROR_FILE_NOT_FOUND
        aside = std::string(destination) + ".old" + std::to_string(m_next++);
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
    const Files expected = {
        {"C:\\App\\regsvr32.exe", "new C:\\pkg\\driversupport\\regsvr32.exe"},
        {"C:\\App\\s.txt", "new C:\\pkg\\driversupport\\s.txt"},
        {"C:\\App\\Driver\\regsvr32.exe", "new C:\\pkg\\driversupport\\regsvr32.exe"},
        {"C:\\App\\Driver\\a.dll", "new C:\\pkg\\Driver\\a.dll"},
        {"C:\\App\\Driver\\b.dll", "new C:\\pkg\\Driver\\b.dll"},
        {"C:\\App\\Driver\\s.txt", "new C:\\pkg\\Driver\\s.txt"}};
    EXPECT_EQ(table.files, expected);
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

}  // namespace
