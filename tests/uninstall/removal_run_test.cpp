#include "app/removal_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "res/texts.h"
#include "tests/temp_folder.h"
#include "tests/uninstall/fake_removal.h"
#include "tests/uninstall/fake_store.h"
#include "uninstall/installed_list.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct RemovalRunFixture {
    FakeStore store;
    FakeRemovalSystem system;
    FakeTools tools{system};
    bool answer = true;
    std::vector<std::string> shown;  // caption, then text, of each box in order
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
        tw::RemovalPlatform platform{store,
                                     system,
                                     tools,
                                     [this](const tw::CompletionMessage& q) {
                                         Box(q);
                                         return answer;
                                     },
                                     [this](const tw::CompletionMessage& m) { Box(m); },
                                     [this] { return std::make_unique<RecordingProgress>(shown); }};
        return tw::RunRemoval(silent, platform, log);
    }

    void Box(const tw::CompletionMessage& m) {
        shown.push_back(std::string(m.caption) + " " + std::to_string(m.style) + ": " + m.text);
    }

    std::string Log() { return ReadBytes(folder / "r.log"); }
};

const std::string kInfo = TW_TEXT_INFO_CAPTION " ";
const std::string kError = TW_TEXT_ERROR_CAPTION " ";
const std::string kQuestion = kInfo + "4: " TW_TEXT_UNINSTALL_QUESTION;

TEST(RemovalRun, YesRemovesFilesThenEntryListAndCopy) {
    RemovalRunFixture run;
    EXPECT_EQ(run.Start(false), 0);
    // The progress window is gone before the final message.
    EXPECT_THAT(run.shown, ElementsAre(kQuestion, "progress opened", "deleting C:\\V\\a.txt at 0",
                                       "deleting C:\\V\\b.txt at 500", "progress closed",
                                       kInfo + "0: " TW_TEXT_UNINSTALL_DONE));
    EXPECT_THAT(run.system.files, IsEmpty());
    EXPECT_THAT(run.store.steps,
                ElementsAre("read list", "remove entry", "remove list", "remove copy"));
    EXPECT_FALSE(run.store.entry);
    EXPECT_FALSE(run.store.list);
    EXPECT_TRUE(run.store.copyRemovedAtRestart);
    std::string log = run.Log();
    EXPECT_NE(log.find("copy of the installer: P:\\Tw\\Tarnwhistle.exe removed at the next "
                       "restart\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("exit code: 0\r\n"), std::string::npos);
}

TEST(RemovalRun, NoChangesNothing) {
    RemovalRunFixture run;
    const auto files = run.system.files;
    run.answer = false;
    EXPECT_EQ(run.Start(false), 1602);
    EXPECT_THAT(run.shown, ElementsAre(kQuestion));
    EXPECT_EQ(run.system.files, files);
    EXPECT_THAT(run.system.calls, IsEmpty());
    EXPECT_THAT(run.store.steps, ElementsAre("read list"));
    EXPECT_NE(run.Log().find("removal: answered No\r\nexit code: 1602\r\n"), std::string::npos);
}

TEST(RemovalRun, SilentAsksAndShowsNothing) {
    RemovalRunFixture run;
    run.system.files["C:\\V\\b.txt"] = "changed";
    EXPECT_EQ(run.Start(true), 0) << "a changed file is the user's: no failure";
    EXPECT_THAT(run.shown, IsEmpty());
    EXPECT_THAT(run.system.files,
                ElementsAre(std::pair<const std::string, std::string>("C:\\V\\b.txt", "changed")));
    EXPECT_NE(run.Log().find("kept, changed since it was installed: C:\\V\\b.txt\r\n"),
              std::string::npos);
}

TEST(RemovalRun, WithoutAListNothingIsRemoved) {
    for (bool unreadable : {false, true}) {
        RemovalRunFixture run;
        if (unreadable)
            run.store.list = "not a list";
        else
            run.store.list.reset();
        EXPECT_EQ(run.Start(false), 1603);
        EXPECT_THAT(run.shown, ElementsAre(kError + "48: " TW_TEXT_NOTHING_INSTALLED));
        EXPECT_THAT(run.system.calls, IsEmpty());
        EXPECT_THAT(run.store.steps, ElementsAre("read list"));
        run.shown.clear();
        EXPECT_EQ(run.Start(true), 1603);
        EXPECT_THAT(run.shown, IsEmpty());
    }
}

TEST(RemovalRun, FailuresAreNamedAndKeepTheEntryForAnotherRemoval) {
    RemovalRunFixture run;
    run.system.unholdable.insert("C:\\V\\a.txt");
    run.system.files["C:\\V\\b.txt"] = "changed";
    EXPECT_EQ(run.Start(false), 1603);
    EXPECT_EQ(run.shown.back(),
              kError + "48: " TW_TEXT_UNINSTALL_INCOMPLETE "\n\nC:\\V\\b.txt\nC:\\V\\a.txt");
    EXPECT_THAT(run.store.steps, ElementsAre("read list"));
    EXPECT_TRUE(run.store.entry);
    EXPECT_TRUE(run.store.list);
    EXPECT_NE(run.Log().find("not removed: C:\\V\\a.txt\r\n"), std::string::npos);
    // The message's lines are lines of the log, as the installation's are.
    // 卸载未完成，以下文件保留：
    EXPECT_NE(run.Log().find("\r\nresult: \xE5\x8D\xB8\xE8\xBD\xBD\xE6\x9C\xAA\xE5\xAE\x8C\xE6"
                             "\x88\x90\xEF\xBC\x8C\xE4\xBB\xA5\xE4\xB8\x8B\xE6\x96\x87\xE4\xBB"
                             "\xB6\xE4\xBF\x9D\xE7\x95\x99\xEF\xBC\x9A\r\n\r\nC:\\V\\b.txt\r\n"
                             "C:\\V\\a.txt\r\nexit code: 1603\r\n"),
              std::string::npos);
}

TEST(RemovalRun, AStoreStepThatFailsIsCountedAndNamed) {
    for (const char* step : {"remove entry", "remove list", "remove copy"}) {
        SCOPED_TRACE(step);
        RemovalRunFixture run;
        run.store.failing.insert(step);
        EXPECT_EQ(run.Start(true), 1603);
        EXPECT_THAT(run.store.steps,
                    ElementsAre("read list", "remove entry", "remove list", "remove copy"));
        const std::string name = std::string(step) == "remove entry"  ? run.store.EntryName()
                                 : std::string(step) == "remove list" ? run.store.ListPath()
                                                                      : run.store.CopyPath();
        EXPECT_NE(run.Log().find("not removed: " + name + "\r\n"), std::string::npos);
    }
}

}  // namespace
