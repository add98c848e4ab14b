// The commit's journal: its bytes exactly, read back whole; anything it never
// writes (a byte changed, a line cut, a name that leads out of its folder, another
// program's file) refused whole; and the files a recovery touches, each only in
// the folder held.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/sha256.h"
#include "install/commit_journal.h"
#include "tests/install/recording_system.h"

namespace {

tw::CommitJournal Sample() {
    return {false,
            "C:\\App\\",
            "C:\\ZAVIDAR.CFG",
            std::string("\x01\xff\0z", 4),
            {{"s.txt", "tw0A1B.tmp", "tw0A1B.old", true},
             {"Driver\\b.dll", "tw0A1C.tmp", "tw0A1C.old", false},
             {"Driver\\c.dat", "", "", false}}};
}

// Text with its closing sum, as a journal's last line holds it.
std::string Summed(const std::string& text) {
    tw::Sha256 sha;
    sha.Update(text.data(), text.size());
    return text + "sha256\t" + tw::ToHex(*sha.Finish()) + "\r\n";
}

const std::string kSampleText =
    "Tarnwhistle commit 1\r\n"
    "open\r\n"
    "appdir\tC:\\App\\\r\n"
    "record\tC:\\ZAVIDAR.CFG\t01ff007a\r\n"
    "replaces\ts.txt\ttw0A1B.tmp\ttw0A1B.old\r\n"
    "new\tDriver\\b.dll\ttw0A1C.tmp\ttw0A1C.old\r\n"
    "created\tDriver\\c.dat\r\n";

TEST(CommitJournal, BytesAreExactAndReadBackWhole) {
    const std::optional<std::string> bytes = tw::FormatCommitJournal(Sample());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, Summed(kSampleText));
    EXPECT_EQ(tw::ParseCommitJournal(*bytes), Sample());

    tw::CommitJournal final = Sample();
    final.final = true;
    final.recordBefore.reset();  // there was no record
    const std::optional<std::string> finalBytes = tw::FormatCommitJournal(final);
    ASSERT_TRUE(finalBytes);
    EXPECT_NE(finalBytes->find("final\r\n"), std::string::npos);
    EXPECT_NE(finalBytes->find("record\tC:\\ZAVIDAR.CFG\tnone\r\n"), std::string::npos);
    EXPECT_EQ(tw::ParseCommitJournal(*finalBytes), final);

    tw::CommitJournal noRecord = Sample();
    noRecord.recordPath.clear();
    noRecord.recordBefore.reset();
    EXPECT_EQ(tw::ParseCommitJournal(*tw::FormatCommitJournal(noRecord)), noRecord);
}

TEST(CommitJournal, AsideNameIsTheStagedNameWithOld) {
    EXPECT_EQ(tw::AsideNameFor("C:\\App\\tw0A1B.tmp"), "C:\\App\\tw0A1B.old");
    EXPECT_EQ(tw::AsideNameFor("C:\\A.b\\new1"), "C:\\A.b\\new1.old");
}

TEST(CommitJournal, AnythingItNeverWritesIsRefused) {
    const std::string good = Summed(kSampleText);
    std::string flipped = good;
    flipped[flipped.find("s.txt")] = 't';
    const std::string entries = "Tarnwhistle commit 1\r\nopen\r\nappdir\tC:\\App\\\r\n";
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"garbage", "MZ\x90\x00garbage"},
        {"cut short", good.substr(0, good.size() - 3)},
        {"without its sum", kSampleText},
        {"a byte changed", flipped},
        {"another version", Summed("Tarnwhistle commit 2\r\nopen\r\nappdir\tC:\\App\\\r\n")},
        {"another state", Summed("Tarnwhistle commit 1\r\ndone\r\nappdir\tC:\\App\\\r\n")},
        {"no application directory", Summed("Tarnwhistle commit 1\r\nopen\r\n")},
        {"a directory without its separator",
         Summed("Tarnwhistle commit 1\r\nopen\r\nappdir\tC:\\App\r\n")},
        {"a destination up a folder", Summed(entries + "new\t..\\x.dll\ttw1.tmp\ttw1.old\r\n")},
        {"a destination that is a path",
         Summed(entries + "new\tC:\\Windows\\x.dll\ttw1.tmp\ttw1.old\r\n")},
        {"a destination in another folder",
         Summed(entries + "new\tOther\\x.dll\ttw1.tmp\ttw1.old\r\n")},
        {"a destination that is a stream", Summed(entries + "new\tx.dll:s\ttw1.tmp\ttw1.old\r\n")},
        {"a staged file elsewhere", Summed(entries + "new\tx.dll\t..\\tw1.tmp\ttw1.old\r\n")},
        {"an aside file elsewhere", Summed(entries + "new\tx.dll\ttw1.tmp\t\\tw1.old\r\n")},
        {"an aside file that is the staged one",
         Summed(entries + "new\tx.dll\ttw1.tmp\ttw1.tmp\r\n")},
        {"an unknown kind", Summed(entries + "moved\tx.dll\ttw1.tmp\ttw1.old\r\n")},
        {"a created file up a folder", Summed(entries + "created\t..\\x.dll\r\n")},
        {"a created file with a staged one", Summed(entries + "created\tx.dll\ttw1.tmp\r\n")},
        {"odd record bytes", Summed(entries + "record\tC:\\ZAVIDAR.CFG\t0\r\n")},
        {"a line without its end", Summed(entries + "new\tx.dll\ttw1.tmp\ttw1.old")},
    };
    for (const auto& c : cases) EXPECT_FALSE(tw::ParseCommitJournal(c.bytes)) << c.what;
    EXPECT_TRUE(tw::ParseCommitJournal(Summed(entries + "new\tx.dll\ttw1.tmp\ttw1.old\r\n")));

    // Nor is such a journal ever written.
    tw::CommitJournal outside = Sample();
    outside.entries[0].destination = "..\\x.dll";
    EXPECT_FALSE(tw::FormatCommitJournal(outside));
    tw::CommitJournal createdOverAFile = Sample();
    createdOverAFile.entries[2].replaces = true;
    EXPECT_FALSE(tw::FormatCommitJournal(createdOverAFile));
}

// The files of a folder in memory; a folder not in folders is not held (a link).
class Folders : public ScriptedSystem {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> folders{"C:\\App\\", "C:\\App\\Driver\\"};
    std::vector<std::string> touched;

    std::unique_ptr<Hold> HoldFolder(const char* folder) override {
        return folders.count(folder) ? std::make_unique<Hold>() : nullptr;
    }
    long PutInPlace(const char* file, const char* destination) override {
        touched.push_back(destination);
        if (files.count(destination)) return 183;  // ERROR_ALREADY_EXISTS
        auto moved = files.find(file);
        if (moved == files.end()) return 2;  // ERROR_FILE_NOT_FOUND
        files[destination] = moved->second;
        files.erase(moved);
        return 0;
    }
    void DiscardFile(const char* path) override {
        touched.push_back(path);
        files.erase(path);
    }
};

// Each kind of entry as a killed commit leaves it, undone or, once final, cleared.
TEST(CommitJournal, RecoveryUndoesEachEntryAsItWasLeft) {
    const std::map<std::string, std::string> left = {
        {"C:\\App\\a", "new a"},         {"C:\\App\\ta.old", "old a"},  // set aside, then replaced
        {"C:\\App\\tb.old", "old b"},                                   // set aside only
        {"C:\\App\\c", "old c"},                                        // not reached
        {"C:\\App\\d", "new d"},  // put in place, nothing before
        {"C:\\App\\Driver\\e", "new e"}, {"C:\\App\\Driver\\te.old", "old e"},
        {"C:\\App\\other", "kept"},  // not the journal's
        {"C:\\App\\g", "new g"},     // created at its destination, put in place
    };
    tw::CommitJournal journal{false,
                              "C:\\App\\",
                              {},
                              {},
                              {{"a", "ta.tmp", "ta.old", true},
                               {"b", "tb.tmp", "tb.old", true},
                               {"Driver\\e", "te.tmp", "te.old", true},
                               {"d", "td.tmp", "td.old", false},
                               {"c", "tc.tmp", "tc.old", true},
                               {"f", "tf.tmp", "tf.old", false},  // not reached, nothing before
                               {"g", "", "", false},
                               {"h", "", "", false}}};  // created, gone with the run
    Folders undo;
    undo.files = left;
    tw::CommitRecovery recovery = tw::RecoverCommitFiles(journal, undo);
    EXPECT_EQ(recovery.putBack, 3);
    EXPECT_TRUE(recovery.failed.empty());
    EXPECT_EQ(undo.files, (std::map<std::string, std::string>{{"C:\\App\\a", "old a"},
                                                              {"C:\\App\\b", "old b"},
                                                              {"C:\\App\\c", "old c"},
                                                              {"C:\\App\\Driver\\e", "old e"},
                                                              {"C:\\App\\other", "kept"}}));

    journal.final = true;
    Folders clear;
    clear.files = {{"C:\\App\\a", "new a"},
                   {"C:\\App\\ta.old", "old a"},
                   {"C:\\App\\Driver\\e", "new e"},
                   {"C:\\App\\g", "new g"},
                   {"C:\\App\\other", "kept"}};
    recovery = tw::RecoverCommitFiles(journal, clear);
    EXPECT_EQ(clear.files, (std::map<std::string, std::string>{{"C:\\App\\a", "new a"},
                                                               {"C:\\App\\Driver\\e", "new e"},
                                                               {"C:\\App\\g", "new g"},
                                                               {"C:\\App\\other", "kept"}}));
    // Nothing but files: never the folder a created entry has no staged name in.
    for (const std::string& path : clear.touched) EXPECT_NE(path.back(), '\\') << path;
}

// A folder that cannot be held as itself (a link in its place) is never entered.
TEST(CommitJournal, RecoveryTouchesNothingInAFolderNotHeld) {
    const tw::CommitJournal journal{
        false,
        "C:\\App\\",
        {},
        {},
        {{"a", "ta.tmp", "ta.old", true}, {"Driver\\e", "te.tmp", "te.old", false}}};
    for (const char* refused : {"C:\\App\\", "C:\\App\\Driver\\"}) {
        SCOPED_TRACE(refused);
        Folders system;
        system.folders.erase(refused);
        system.files = {
            {"C:\\App\\a", "new a"}, {"C:\\App\\ta.old", "old a"}, {"C:\\App\\Driver\\e", "new e"}};
        const tw::CommitRecovery recovery = tw::RecoverCommitFiles(journal, system);
        EXPECT_EQ(recovery.failed, std::vector<std::string>{refused});
        for (const std::string& path : system.touched)
            EXPECT_NE(path.rfind(refused, 0), 0u) << path;
        if (std::string(refused) == "C:\\App\\") {
            EXPECT_TRUE(system.touched.empty());
        }
    }
}

}  // namespace
