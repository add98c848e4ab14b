#include "app/removal_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "install/commit_journal.h"
#include "res/texts.h"
#include "tests/app/fake_run_windows.h"
#include "tests/fake_run_lock.h"
#include "tests/temp_folder.h"
#include "tests/uninstall/fake_removal.h"
#include "tests/uninstall/fake_store.h"
#include "uninstall/installed_list.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

struct RemovalRunFixture {
    FakeStore store;
    FakeRemovalSystem system;
    FakeTools tools{system};
    tw::InstallationEngine engine;  // a removal installs nothing
    FakeRunWindows windows;
    bool& answer = windows.answer;
    std::vector<std::string>& shown = windows.journal;       // caption, then text, of each box
    FakeRunLock lock{&shown};                                // its steps between the boxes
    std::function<void()>& whileAsked = windows.whileAsked;  // while the question is shown
    TempFolder folder;

    RemovalRunFixture() {
        tw::InstalledList list{{"C:\\V\\"},
                               {},
                               {{"C:\\V\\a.txt", DigestOf("a"), 1, tw::FileRole::file},
                                {"C:\\V\\b.txt", DigestOf("b"), 1, tw::FileRole::file}}};
        store.list = tw::FormatInstalledList(list);
        store.entry = tw::UninstallEntry{};
        system.files = {{"C:\\V\\a.txt", "a"}, {"C:\\V\\b.txt", "b"}};
    }

    int Start(bool silent) {
        tw::InstallLog log(folder / "r.log");
        windows.progress = [this] { return std::make_unique<RecordingProgress>(shown); };
        const tw::RunSystem platform{
            {"C:\\pkg", "", nullptr, nullptr, nullptr, &lock}, tools, engine, store, system};
        return static_cast<int>(tw::RunRemoval(silent, platform, windows, log));
    }

    std::string Log() { return ReadBytes(folder / "r.log"); }
};

const std::string kInfo = TW_TEXT_INFO_CAPTION " ";
const std::string kError = TW_TEXT_ERROR_CAPTION " ";
const std::string kQuestion = kInfo + "4: " TW_TEXT_UNINSTALL_QUESTION;

// The program's words with "%1" replaced by name.
std::string Named(std::string words, const std::string& name) {
    return words.replace(words.find("%1"), 2, name);
}

TEST(RemovalRun, YesRemovesFilesThenEntryListAndCopy) {
    RemovalRunFixture run;
    EXPECT_EQ(run.Start(false), 0);
    // The progress window is gone before the final message.
    EXPECT_THAT(run.shown, ElementsAre(kQuestion, "lock taken", "progress opened",
                                       "deleting C:\\V\\a.txt at 0", "deleting C:\\V\\b.txt at 500",
                                       "progress closed", kInfo + "0: " TW_TEXT_UNINSTALL_DONE));
    EXPECT_THAT(run.windows.captions, ElementsAre(TW_TEXT_REMOVAL_PROGRESS_CAPTION));
    EXPECT_THAT(run.system.files, IsEmpty());
    EXPECT_THAT(run.store.steps, ElementsAre("read list", "read list", "remove entry",
                                             "remove list", "remove copy"));
    EXPECT_FALSE(run.store.entry);
    EXPECT_FALSE(run.store.list);
    EXPECT_TRUE(run.store.copyRemovedAtRestart);
    std::string log = run.Log();
    EXPECT_NE(log.find("copy of the installer: P:\\Tw\\Tarnwhistle.exe moved to "
                       "P:\\Tw\\Tarnwhistle.1F2E3D4C.del, removed at the next restart\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("exit code: 0\r\n"), std::string::npos);
}

// A journal left by a run killed during its commit is read once the lock is
// held, before the list is read again; its folder is held as the installation
// holds it (here it cannot be: nothing in it is touched), and the journal goes.
TEST(RemovalRun, AKilledCommitIsRecoveredFromOnceTheLockIsHeld) {
    RemovalRunFixture run;
    const tw::CommitJournal journal{false, "C:\\V\\", {}, {}, {{"a.txt", "t.tmp", "t.old", true}}};
    run.store.journal = tw::FormatCommitJournal(journal);
    run.whileAsked = [&] { EXPECT_TRUE(run.store.journalSteps.empty()) << "before the lock"; };
    EXPECT_EQ(run.Start(false), 0);
    EXPECT_THAT(run.store.journalSteps, ElementsAre("read journal", "remove journal"));
    EXPECT_FALSE(run.store.journal);
    EXPECT_THAT(run.system.calls, Contains("install system's hold of folder C:\\V\\"));
    const std::string log = run.Log();
    const std::size_t undone = log.find(
        "interrupted commit undone: C:\\V\\ (0 files put back)\r\n"
        "interrupted commit: C:\\V\\ not recovered\r\n");
    ASSERT_NE(undone, std::string::npos) << log;
    EXPECT_LT(log.find("removal: list"), undone);
    EXPECT_LT(undone, log.find("summary: files removed 2"));
}

TEST(RemovalRun, NoChangesNothing) {
    RemovalRunFixture run;
    const auto files = run.system.files;
    run.answer = false;
    EXPECT_EQ(run.Start(false), 1602);
    EXPECT_THAT(run.shown, ElementsAre(kQuestion)) << "the lock is not taken";
    EXPECT_EQ(run.system.files, files);
    EXPECT_THAT(run.system.calls, IsEmpty());
    EXPECT_THAT(run.store.steps, ElementsAre("read list"));
    EXPECT_NE(run.Log().find("removal: answered No\r\nexit code: 1602\r\n"), std::string::npos);
}

TEST(RemovalRun, SilentAsksAndShowsNothing) {
    RemovalRunFixture run;
    run.system.files["C:\\V\\b.txt"] = "changed";
    EXPECT_EQ(run.Start(true), 0) << "a changed file is the user's: no failure";
    EXPECT_THAT(run.shown, ElementsAre("lock taken")) << "no box, no progress";
    EXPECT_THAT(run.windows.captions, IsEmpty());
    EXPECT_THAT(run.system.files,
                ElementsAre(std::pair<const std::string, std::string>("C:\\V\\b.txt", "changed")));
    EXPECT_NE(run.Log().find("kept, changed since it was installed: C:\\V\\b.txt\r\n"),
              std::string::npos);
}

// No list: nothing is installed. A list that is there but cannot be read (or
// makes no sense) is said as such: what it names is not known, so nothing goes.
TEST(RemovalRun, WithoutAListNothingIsRemoved) {
    const std::string unreadable =
        kError + "48: " + Named(TW_TEXT_LIST_UNREADABLE, "P:\\Tw\\installed-files.lst");
    struct Case {
        const char* name;
        std::function<void(FakeStore&)> fault;
        std::string message;
        std::string logLine;
    } cases[] = {
        {"no list", [](FakeStore& s) { s.list.reset(); }, kError + "48: " TW_TEXT_NOTHING_INSTALLED,
         "removal: no installed-files list\r\n"},
        {"a list that cannot be read", [](FakeStore& s) { s.unreadable = true; }, unreadable,
         "removal: the installed-files list cannot be read: P:\\Tw\\installed-files.lst\r\n"},
        {"a list that makes no sense", [](FakeStore& s) { s.list = "not a list"; }, unreadable,
         "removal: the installed-files list cannot be read: P:\\Tw\\installed-files.lst\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemovalRunFixture run;
        c.fault(run.store);
        EXPECT_EQ(run.Start(false), 1603);
        EXPECT_THAT(run.shown, ElementsAre(c.message));
        EXPECT_THAT(run.system.calls, IsEmpty());
        EXPECT_THAT(run.store.steps, ElementsAre("read list"));
        EXPECT_NE(run.Log().find(c.logLine + "exit code: 1603\r\n"), std::string::npos);
        run.shown.clear();
        EXPECT_EQ(run.Start(true), 1603);
        EXPECT_THAT(run.shown, IsEmpty());
    }
}

// Whatever stops the removal ends it as the installation's stop does: logged,
// reported by the framework (not with /S), exit code 1603; the progress window
// is gone before the report.
TEST(RemovalRun, AnExceptionEndsTheRemovalWith1603AndALoggedLine) {
    for (const char* step : {"read list", "remove entry"}) {
        for (bool silent : {false, true}) {
            SCOPED_TRACE(testing::Message() << step << (silent ? ", silent" : ""));
            RemovalRunFixture run;
            run.store.throwing.insert(step);
            EXPECT_EQ(run.Start(silent), 1603);
            if (silent) {
                EXPECT_THAT(run.shown, Not(Contains("report while handled")));
            } else {
                EXPECT_EQ(run.shown.back(), "report while handled");
            }
            if (!silent && std::string(step) == "remove entry") {
                EXPECT_THAT(run.shown, Contains("progress closed"));
            }
            EXPECT_TRUE(run.store.entry);
            // 对 一未命名文件 的存取被拒绝。
            EXPECT_TRUE(run.Log().ends_with(
                "removal stopped: \xE5\xAF\xB9 "
                "\xE4\xB8\x80\xE6\x9C\xAA\xE5\x91\xBD\xE5\x90\x8D\xE6\x96\x87\xE4\xBB\xB6 "
                "\xE7\x9A\x84\xE5\xAD\x98\xE5\x8F\x96\xE8\xA2\xAB\xE6\x8B\x92\xE7\xBB\x9D"
                "\xE3\x80\x82\r\nexit code: 1603\r\n"))
                << run.Log();
        }
    }
}

TEST(RemovalRun, FailuresAreNamedAndKeepTheEntryForAnotherRemoval) {
    RemovalRunFixture run;
    run.system.unholdable.insert("C:\\V\\a.txt");
    run.system.files["C:\\V\\b.txt"] = "changed";
    EXPECT_EQ(run.Start(false), 1603);
    EXPECT_EQ(run.shown.back(), kError + "48: " TW_TEXT_UNINSTALL_INCOMPLETE
                                         "\n\nC:\\V\\a.txt\n\n" TW_TEXT_UNINSTALL_CHANGED_KEPT
                                         "\n\nC:\\V\\b.txt");
    EXPECT_THAT(run.store.steps, ElementsAre("read list", "read list", "write list"));
    EXPECT_TRUE(run.store.entry);
    // The list holds only what is left: the changed file is the user's now.
    EXPECT_EQ(run.store.list,
              tw::FormatInstalledList(
                  {{"C:\\V\\"}, {}, {{"C:\\V\\a.txt", DigestOf("a"), 1, tw::FileRole::file}}}));
    EXPECT_NE(run.Log().find("not removed: C:\\V\\a.txt\r\n"), std::string::npos);
    // The message's lines are lines of the log, as the installation's are.
    // 卸载未完成，以下文件保留：
    EXPECT_NE(run.Log().find("\r\nresult: \xE5\x8D\xB8\xE8\xBD\xBD\xE6\x9C\xAA\xE5\xAE\x8C\xE6"
                             "\x88\x90\xEF\xBC\x8C\xE4\xBB\xA5\xE4\xB8\x8B\xE6\x96\x87\xE4\xBB"
                             "\xB6\xE4\xBF\x9D\xE7\x95\x99\xEF\xBC\x9A\r\n\r\nC:\\V\\a.txt\r\n\r\n"
                             // 以下文件安装后已被修改，予以保留：
                             "\xE4\xBB\xA5\xE4\xB8\x8B\xE6\x96\x87\xE4\xBB\xB6\xE5\xAE\x89\xE8"
                             "\xA3\x85\xE5\x90\x8E\xE5\xB7\xB2\xE8\xA2\xAB\xE4\xBF\xAE\xE6\x94"
                             "\xB9\xEF\xBC\x8C\xE4\xBA\x88\xE4\xBB\xA5\xE4\xBF\x9D\xE7\x95\x99"
                             "\xEF\xBC\x9A\r\n\r\nC:\\V\\b.txt\r\nexit code: 1603\r\n"),
              std::string::npos);
    EXPECT_NE(run.Log().find("list rewritten: P:\\Tw\\installed-files.lst\r\n"), std::string::npos);
}

// A registered DLL deleted before the removal (the user deleted the folder, say):
// nothing is loaded in its place, everything else goes with the entry and the
// list, and the DLL whose registration stays is named; exit code 0.
TEST(RemovalRun, ARegisteredDllThatIsGoneIsNamedAndTheRestRemoved) {
    for (bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "silent" : "interactive");
        RemovalRunFixture run;
        const tw::ListedFile tool{"C:\\V\\regsvr32.exe", DigestOf("T"), 1, tw::FileRole::tool};
        const tw::ListedFile dll{"C:\\V\\Driver\\x.dll", DigestOf("X"), 1, tw::FileRole::dll};
        run.store.list = tw::FormatInstalledList(
            {{"C:\\V\\"}, {}, {tool, dll, {"C:\\V\\a.txt", DigestOf("a"), 1, tw::FileRole::file}}});
        run.system.files = {{tool.path, "T"}, {"C:\\V\\a.txt", "a"}};
        EXPECT_EQ(run.Start(silent), 0);
        if (!silent) {
            EXPECT_EQ(run.shown.back(), kInfo + "64: " TW_TEXT_UNINSTALL_DONE
                                                "\n\n" TW_TEXT_UNINSTALL_DLL_GONE
                                                "\n\nC:\\V\\Driver\\x.dll");
        }
        EXPECT_THAT(run.system.calls, Not(Contains(HasSubstr("start"))));
        EXPECT_THAT(run.system.files, IsEmpty()) << "the tool goes too";
        EXPECT_FALSE(run.store.entry);
        EXPECT_FALSE(run.store.list);
        const std::string log = run.Log();
        EXPECT_NE(log.find("not unregistered: C:\\V\\Driver\\x.dll (the file was gone: its "
                           "registration stays)\r\n"),
                  std::string::npos);
        EXPECT_NE(log.find("summary: files removed 2, changed 0, not removed 0, not unregistered "
                           "1\r\n"),
                  std::string::npos);
        EXPECT_TRUE(log.ends_with("exit code: 0\r\n"));
    }
}

// The final message follows the outcome: an error only when something was not
// removed; what the user changed and registrations left by a gone file are named
// under the information caption with its icon.
TEST(RemovalRun, TheMessageFollowsTheOutcome) {
    const std::vector<std::string> failed{"C:\\V\\f.txt"}, changed{"C:\\V\\c.txt"},
        gone{"C:\\V\\Driver\\g.dll"};
    const std::string changedWords = "\n\n" TW_TEXT_UNINSTALL_CHANGED_KEPT "\n\nC:\\V\\c.txt";
    const std::string goneWords = "\n\n" TW_TEXT_UNINSTALL_DLL_GONE "\n\nC:\\V\\Driver\\g.dll";
    struct Case {
        tw::RemovalNames names;
        const char* caption;
        unsigned style;
        std::string text;
    } cases[] = {
        {{}, TW_TEXT_INFO_CAPTION, 0x0, TW_TEXT_UNINSTALL_DONE},
        {{{}, changed, {}}, TW_TEXT_INFO_CAPTION, 0x40, TW_TEXT_UNINSTALL_DONE + changedWords},
        {{{}, {}, gone}, TW_TEXT_INFO_CAPTION, 0x40, TW_TEXT_UNINSTALL_DONE + goneWords},
        {{{}, changed, gone},
         TW_TEXT_INFO_CAPTION,
         0x40,
         TW_TEXT_UNINSTALL_DONE + changedWords + goneWords},
        {{failed, changed, gone},
         TW_TEXT_ERROR_CAPTION,
         0x30,
         TW_TEXT_UNINSTALL_INCOMPLETE "\n\nC:\\V\\f.txt" + changedWords + goneWords},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const tw::CompletionMessage message = tw::ChooseRemovalMessage(c.names);
        EXPECT_EQ(message.text, c.text);
        EXPECT_STREQ(message.caption, c.caption);
        EXPECT_EQ(message.style, c.style);
        // File names are shown in the system's code page, the words in 936.
        for (const tw::TextPart& part : message.parts)
            EXPECT_EQ(part.fileNames, part.bytes.find("C:\\") != std::string::npos) << part.bytes;
    }
}

TEST(RemovalRun, AStoreStepThatFailsIsCountedAndNamed) {
    for (const char* step : {"remove entry", "remove list", "remove copy"}) {
        SCOPED_TRACE(step);
        RemovalRunFixture run;
        run.store.failing.insert(step);
        EXPECT_EQ(run.Start(true), 1603);
        EXPECT_THAT(run.store.steps, ElementsAre("read list", "read list", "remove entry",
                                                 "remove list", "remove copy"));
        const std::string name = std::string(step) == "remove entry"  ? run.store.EntryName()
                                 : std::string(step) == "remove list" ? run.store.ListPath()
                                                                      : run.store.CopyPath();
        EXPECT_NE(run.Log().find("not removed: " + name + "\r\n"), std::string::npos);
    }
}

// The lock is taken after the question and before the first step; another run
// that holds it ends the removal with 1618, nothing done, and a lock that cannot
// be had at all fails it; the interactive run says so.
TEST(RemovalRun, TakesTheRunLockAfterTheQuestionOrEndsWithNothingDone) {
    struct Case {
        tw::RunLockTaking answer;
        int exitCode;
        std::string logLine;
        std::vector<std::string> interactiveEnd;  // after the question and the lock's step
    } cases[] = {
        {tw::RunLockTaking::busy,
         1618,
         "another installation or removal is running\r\n",
         {"lock busy", kError + "48: " TW_TEXT_RUN_BUSY}},
        {tw::RunLockTaking::failed,
         1603,
         "run lock: P:\\Tw\\run.lock not taken (system error 5)\r\n",
         {"lock failed", kError + "48: " + Named(TW_TEXT_RUN_LOCK_NOT_TAKEN, "P:\\Tw\\run.lock")}},
    };
    for (const Case& c : cases) {
        for (bool silent : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.exitCode << (silent ? ", silent" : ""));
            RemovalRunFixture run;
            const auto files = run.system.files;
            run.lock.answers = {c.answer};
            EXPECT_EQ(run.Start(silent), c.exitCode);
            std::vector<std::string> shown = {c.interactiveEnd[0]};
            if (!silent) {
                shown = {kQuestion};
                shown.insert(shown.end(), c.interactiveEnd.begin(), c.interactiveEnd.end());
            }
            EXPECT_EQ(run.shown, shown);
            EXPECT_EQ(run.system.files, files);
            EXPECT_THAT(run.system.calls, IsEmpty());
            EXPECT_THAT(run.store.steps, ElementsAre("read list"));
            EXPECT_TRUE(run.store.entry);
            EXPECT_TRUE(run.store.list);
            EXPECT_NE(run.Log().find(c.logLine), std::string::npos);
            EXPECT_TRUE(run.Log().ends_with("exit code: " + std::to_string(c.exitCode) + "\r\n"));
        }
    }
}

// What the list says once the lock is taken is what is removed: an installation
// that ended while the question was shown is removed with it (its file and the
// store), and a list that went meanwhile leaves nothing to remove.
TEST(RemovalRun, TheListIsReadAgainUnderTheLock) {
    RemovalRunFixture run;
    run.whileAsked = [&] {
        tw::InstalledList later{{"C:\\V\\", "D:\\W\\"},
                                {},
                                {{"C:\\V\\a.txt", DigestOf("a"), 1, tw::FileRole::file},
                                 {"C:\\V\\b.txt", DigestOf("b"), 1, tw::FileRole::file},
                                 {"D:\\W\\c.txt", DigestOf("c"), 1, tw::FileRole::file}}};
        run.store.list = tw::FormatInstalledList(later);
        run.system.files["D:\\W\\c.txt"] = "c";
    };
    EXPECT_EQ(run.Start(false), 0);
    EXPECT_THAT(run.system.files, IsEmpty()) << "the later installation's file is removed too";
    EXPECT_FALSE(run.store.list);

    RemovalRunFixture gone;
    gone.whileAsked = [&] { gone.store.list.reset(); };
    const auto files = gone.system.files;
    EXPECT_EQ(gone.Start(false), 1603);
    EXPECT_THAT(gone.shown,
                ElementsAre(kQuestion, "lock taken", kError + "48: " TW_TEXT_NOTHING_INSTALLED));
    EXPECT_EQ(gone.system.files, files);
    EXPECT_THAT(gone.store.steps, ElementsAre("read list", "read list"));
}

// The copy that is not running goes at once; the running one is moved aside and
// only its new name waits for the restart. The log says which.
TEST(RemovalRun, TheLogSaysWhetherTheCopyWentNowOrAtTheRestart) {
    for (bool running : {false, true}) {
        SCOPED_TRACE(running);
        RemovalRunFixture run;
        run.store.copyRunning = running;
        EXPECT_EQ(run.Start(true), 0) << "the removal's own exit code either way";
        const std::string log = run.Log();
        EXPECT_EQ(log.find("copy of the installer: P:\\Tw\\Tarnwhistle.exe removed\r\n") !=
                      std::string::npos,
                  !running);
        EXPECT_EQ(log.find("next restart") != std::string::npos, running);
        EXPECT_EQ(run.store.copyRemovedAtRestart, running);
    }
}

}  // namespace
