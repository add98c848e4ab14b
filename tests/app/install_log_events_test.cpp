// The installation's log as it hears the engine's events: a line for each copy,
// each folder locked or not held, each file not trusted and each step of the
// commit or of its undo that failed, and each file in use left for the restart.
#include "app/install_log_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/temp_folder.h"

namespace {

constexpr const char* kMark = "\xEF\xBB\xBF";

// The log's bytes after the events that tell does.
template <typename Tell>
std::string Logged(const TempFolder& folder, Tell tell) {
    const std::string path = folder / "events.log";
    {
        tw::InstallLog log(path);
        tw::InstallLogEvents events(log);
        tell(events);
    }
    return ReadBytes(path);
}

// Each folder locked, or not, and each file no administrator owns; a folder that
// was locked already says nothing.
TEST(InstallLogEvents, LogsEachFolderSecuredAndEachFileNotTrusted) {
    using Result = tw::FolderSecuring::Result;
    TempFolder folder;
    EXPECT_EQ(Logged(folder,
                     [](tw::InstallEvents& events) {
                         events.FolderSecured("C:\\V\\", {Result::secured, 0});
                         events.FolderSecured("C:\\V\\Driver\\", {Result::unchanged, 0});
                         events.FolderSecured("E:\\V\\", {Result::failed, 50});
                         events.FilesChecked("C:\\V\\Driver\\", {{"helper.drv"}, false, 0});
                         events.FilesChecked("E:\\V\\", {{}, true, 5});
                         events.FilesChecked("C:\\V\\", {});
                     }),
              std::string(kMark) +
                  "directory secured: C:\\V\\\r\n"
                  "directory not secured: E:\\V\\ (system error 50)\r\n"
                  "not trusted: C:\\V\\Driver\\helper.drv (owned by no administrator)\r\n"
                  "directory not checked: E:\\V\\ (system error 5)\r\n");
}

// Each copy with its outcome; the copy's begin and the tools' steps say nothing.
TEST(InstallLogEvents, LogsEachCopyWithItsOutcome) {
    TempFolder folder;
    EXPECT_EQ(Logged(folder,
                     [](tw::InstallEvents& events) {
                         events.CopyBegins("S\\a");
                         events.Staged("S\\a", "A\\a", {0, std::nullopt, "A\\a.new"});
                         events.CopyBegins("S\\b");
                         events.Staged("S\\b", "A\\b", {3, std::nullopt, {}});
                         events.RegistrationStarts({"A\\regsvr32.exe", "/s A\\a.dll", "A\\"});
                         events.FinalWait(true);
                         events.FinalWait(false);
                     }),
              std::string(kMark) +
                  "copy: S\\a -> A\\a: ok\r\n"
                  "copy: S\\b -> A\\b: failed (system error 3)\r\n");
}

// A folder that cannot be held gets a line that says why its pass copies nothing.
TEST(InstallLogEvents, LogsAFolderThatCannotBeHeld) {
    TempFolder folder;
    // D:\程序\Driver\ in UTF-8.
    EXPECT_EQ(Logged(folder,
                     [](tw::InstallEvents& events) {
                         events.FolderNotHeld("D:\\\xB3\xCC\xD0\xF2\\Driver\\");
                     }),
              std::string(kMark) +
                  "not held: D:\\\xE7\xA8\x8B\xE5\xBA\x8F\\Driver\\ (a link, or it cannot be "
                  "opened): no copy into it is tried\r\n");
}

// A step of the commit or of the undo that fails is logged with its code;
// nothing to set aside, and every step that works, say nothing.
TEST(InstallLogEvents, LogsEachCommitAndUndoStepThatFails) {
    TempFolder folder;
    EXPECT_EQ(Logged(folder,
                     [](tw::InstallEvents& events) {
                         events.SetAside("C:\\A\\old.dll", 0);
                         events.SetAside("C:\\A\\new.dll", 2);
                         events.SetAside("C:\\A\\held.dll", 31);
                         events.Committed("C:\\A\\a.dll", 0);
                         events.Committed("C:\\A\\b.dll", 31);
                         events.RolledBack("C:\\A\\a.dll", 0);
                         events.RolledBack("C:\\A\\old.dll", 5);
                     }),
              std::string(kMark) +
                  "commit: C:\\A\\held.dll not put in place (system error 31)\r\n"
                  "commit: C:\\A\\b.dll not put in place (system error 31)\r\n"
                  "commit: C:\\A\\old.dll not put in place (system error 5)\r\n");
}

// Files in use: a destination held without delete sharing (32 from its set-aside)
// says nothing until it is left for the restart; a taken name on the first rename
// (80 or 183) is set aside next, no failure; a file set aside still in use is
// deleted at the restart.
TEST(InstallLogEvents, LogsFilesInUseAndNotATakenName) {
    TempFolder folder;
    EXPECT_EQ(Logged(folder,
                     [](tw::InstallEvents& events) {
                         events.Committed("C:\\A\\x.dll", 183);
                         events.Committed("C:\\A\\y.dll", 80);
                         events.SetAside("C:\\A\\held.dll", 32);
                         events.WaitsForRestart("C:\\A\\held.dll");
                         events.Committed("C:\\A\\z.dll", 5);
                         events.SetAsideDeletedAtRestart("C:\\A\\x.dll.old");
                     }),
              std::string(kMark) +
                  "replaced at the next restart: C:\\A\\held.dll\r\n"
                  "commit: C:\\A\\z.dll not put in place (system error 5)\r\n"
                  "in use: C:\\A\\x.dll.old deleted at the next restart\r\n");
}

}  // namespace
