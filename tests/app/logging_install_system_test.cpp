// The installation system that logs: every call passed on unchanged, and a line
// for each copy, each folder locked or not held, and each file not trusted.
#include "app/logging_install_system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "install/block_copy.h"
#include "tests/install/recording_system.h"
#include "tests/temp_folder.h"

namespace {

constexpr const char* kMark = "\xEF\xBB\xBF";

// Copies that fail in the block copy itself: the source's folder is missing.
class MissingSourceSystem : public RecordingSystem {
public:
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        RecordingSystem::CopyFileTo(source, destination);
        return tw::CopyFileInBlocks(source, destination);
    }
};

// Each folder locked, or not, and each file no administrator owns; a folder that
// was locked already says nothing. The answers are passed on unchanged.
TEST(LoggingInstallSystem, LogsEachFolderSecuredAndEachFileNotTrusted) {
    using Result = tw::FolderSecuring::Result;
    TempFolder folder;
    const std::string path = folder / "trust.log";
    RecordingSystem inner;
    inner.SetSecuring("C:\\V\\", {Result::secured, 0});
    inner.SetSecuring("C:\\V\\Driver\\", {Result::unchanged, 0});
    inner.SetSecuring("E:\\V\\", {Result::failed, 50});
    inner.SetUntrusted("C:\\V\\Driver\\", {{"helper.drv"}, false, 0});
    inner.SetUntrusted("E:\\V\\", {{}, true, 5});
    {
        tw::InstallLog log(path);
        tw::LoggingInstallSystem logged(inner, log);
        EXPECT_EQ(logged.SecureFolder("C:\\V\\").result, Result::secured);
        EXPECT_EQ(logged.SecureFolder("C:\\V\\Driver\\").result, Result::unchanged);
        tw::FolderSecuring failed = logged.SecureFolder("E:\\V\\");
        EXPECT_EQ(failed.result, Result::failed);
        EXPECT_EQ(failed.error, 50u);
        EXPECT_EQ(logged.FindUntrustedFiles("C:\\V\\Driver\\").names,
                  std::vector<std::string>{"helper.drv"});
        EXPECT_TRUE(logged.FindUntrustedFiles("E:\\V\\").unreadable);
        EXPECT_TRUE(logged.FindUntrustedFiles("C:\\V\\").names.empty());
    }
    EXPECT_EQ(ReadBytes(path), std::string(kMark) +
                                   "directory secured: C:\\V\\\r\n"
                                   "directory not secured: E:\\V\\ (system error 50)\r\n"
                                   "not trusted: C:\\V\\Driver\\helper.drv (owned by no "
                                   "administrator)\r\n"
                                   "directory not checked: E:\\V\\ (system error 5)\r\n");
}

TEST(LoggingInstallSystem, PassesEveryCallOnAndLogsEachCopy) {
    TempFolder folder;
    const std::string path = folder / "copies.log";
    RecordingSystem working;
    MissingSourceSystem failing;
    {
        tw::InstallLog log(path);
        tw::LoggingInstallSystem loggedWorking(working, log);
        tw::LoggingInstallSystem loggedFailing(failing, log);
        EXPECT_TRUE(loggedWorking.CopyFileTo("S\\a", "A\\a"));
        EXPECT_FALSE(loggedFailing.CopyFileTo("S\\b", "A\\b"));
        loggedWorking.CreateFolder("A\\Driver\\");
        DirectoryEntry first;
        EXPECT_EQ(loggedWorking.FindFirst("S\\Driver\\*.*", first).search, nullptr);
        loggedWorking.SleepOneMillisecond();
        EXPECT_NE(loggedWorking.HoldFolder("A\\"), nullptr);
        EXPECT_NE(loggedWorking.HoldCopy("A\\t.exe", "S\\t.exe"), nullptr);
        std::unique_ptr<StartedTool> tool =
            loggedWorking.StartRegistration({"A\\regsvr32.exe", "/s A\\a.dll", "A\\"});
        loggedWorking.WaitForAnyTool({tool.get()}, std::chrono::milliseconds(7));
        EXPECT_EQ(tool->exitCode, 0u);
    }
    EXPECT_EQ(working.Calls(),
              (std::vector<std::string>{
                  "copy S\\a > A\\a", "mkdir A\\Driver\\", "find S\\Driver\\*.*", "sleep",
                  "hold folder A\\", "hold A\\t.exe = S\\t.exe",
                  "start A\\regsvr32.exe | /s A\\a.dll | A\\", "wait for one of 1 tools, 7 ms"}));
    EXPECT_EQ(failing.Calls(), std::vector<std::string>{"copy S\\b > A\\b"});
    EXPECT_EQ(ReadBytes(path), std::string(kMark) +
                                   "copy: S\\a -> A\\a: ok\r\n"
                                   "copy: S\\b -> A\\b: failed (system error 3)\r\n");
}

// A folder that cannot be held gets a line that says why its pass copies nothing;
// a held one gets none.
TEST(LoggingInstallSystem, LogsAFolderThatCannotBeHeld) {
    TempFolder folder;
    const std::string path = folder / "holds.log";
    RecordingSystem system;
    system.RefuseFolder("D:\\\xB3\xCC\xD0\xF2\\Driver\\");
    {
        tw::InstallLog log(path);
        tw::LoggingInstallSystem logged(system, log);
        EXPECT_NE(logged.HoldFolder("D:\\\xB3\xCC\xD0\xF2\\"), nullptr);
        EXPECT_EQ(logged.HoldFolder("D:\\\xB3\xCC\xD0\xF2\\Driver\\"), nullptr);
    }
    EXPECT_EQ(system.Calls(),
              (std::vector<std::string>{"hold folder D:\\\xB3\xCC\xD0\xF2\\",
                                        "hold folder D:\\\xB3\xCC\xD0\xF2\\Driver\\"}));
    // D:\程序\Driver\ in UTF-8.
    EXPECT_EQ(ReadBytes(path), std::string(kMark) +
                                   "not held: D:\\\xE7\xA8\x8B\xE5\xBA\x8F\\Driver\\ (a link, or "
                                   "it cannot be opened): no copy into it is tried\r\n");
}

// A step of the commit that fails is logged with its code; nothing to set aside,
// and every step that works, say nothing.
TEST(LoggingInstallSystem, LogsEachCommitStepThatFails) {
    TempFolder folder;
    const std::string path = folder / "commit.log";
    RecordingSystem system;
    system.SetInstalled("C:\\A\\old.dll");
    system.FailSetAside("C:\\A\\held.dll");
    system.FailPutInPlace("C:\\A\\b.dll");
    {
        tw::InstallLog log(path);
        tw::LoggingInstallSystem logged(system, log);
        std::string aside;
        EXPECT_EQ(logged.SetAside("C:\\A\\old.dll", aside), 0);
        EXPECT_EQ(aside, "C:\\A\\old.dll.old");
        EXPECT_EQ(logged.SetAside("C:\\A\\new.dll", aside), 2);
        EXPECT_EQ(logged.SetAside("C:\\A\\held.dll", aside), RecordingSystem::kScriptedCopyError);
        EXPECT_EQ(logged.PutInPlace("C:\\A\\a.new", "C:\\A\\a.dll"), 0);
        EXPECT_EQ(logged.PutInPlace("C:\\A\\b.new", "C:\\A\\b.dll"),
                  RecordingSystem::kScriptedCopyError);
    }
    EXPECT_EQ(ReadBytes(path), std::string(kMark) +
                                   "commit: C:\\A\\held.dll not put in place (system error 31)\r\n"
                                   "commit: C:\\A\\b.dll not put in place (system error 31)\r\n");
}

}  // namespace
