// A reinstallation killed at each point of its commit, then the next run's
// recovery: the folder ends exactly as the old installation left it, or exactly as
// the new one, never mixed and with nothing left over; the record with it. The
// kill stops every file step and store step at once; staged files go with the
// process, files set aside stay.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/commit_journal_run.h"
#include "app/installation_run.h"
#include "app/removal_run.h"
#include "install/commit_journal.h"
#include "tests/app/fake_run_windows.h"
#include "tests/app/run_surroundings.h"
#include "tests/install/recording_system.h"
#include "tests/temp_folder.h"

namespace {

using namespace run_tests;
using Files = std::map<std::string, std::string>;

struct Killed {};

// Where the kill lands: before the nth rename of the commit (set aside or put in
// place), the nth deletion of a file set aside, or a step of the store.
struct KillPoint {
    const char* what;
    int rename = 0;
    int asideDeletion = 0;
    const char* storeStep = nullptr;
    bool oldWhole = true;  // else new-whole
};

// The application directory's files, renamed and deleted as the commit asks; its
// two folders listed from them.
class Machine : public ScriptedSystem {
public:
    Files files;
    bool dead = false;
    KillPoint kill{};

    // Every step after this one is refused. raise: the run stops here too, as its
    // process would (a deletion in a destructor only stops the machine).
    void Die(bool raise = true) {
        dead = true;
        for (const std::string& staged : m_staged) files.erase(staged);
        if (raise) throw Killed{};
    }

    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override {
        const std::string text(pattern);
        if (text.rfind("C:\\App\\", 0) != 0) return ScriptedSystem::FindFirst(pattern, first);
        const std::string folder = text.substr(0, text.size() - 3);
        auto listing = std::make_unique<Listing>();
        for (const auto& file : files)
            if (file.first.rfind(folder, 0) == 0 &&
                file.first.find('\\', folder.size()) == std::string::npos)
                listing->names.push_back(file.first.substr(folder.size()));
        if (listing->names.empty()) return {};
        listing->FindNext(first);
        return {std::move(listing)};
    }
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        if (dead) return {5, std::nullopt, {}};
        // As the platform stages: under the destination's own name when that is free.
        const std::string folder(tw::FolderPart(destination));
        const std::string staged =
            files.count(destination) ? folder + "tw" + std::to_string(10 + m_staged.size()) + ".tmp"
                                     : destination;
        files[staged] = std::string("new ") + source;
        m_staged.insert(staged);
        return {0, std::nullopt, staged};
    }
    long SetAside(const char* destination, std::string& aside) override {
        const std::string chosen = aside;
        aside.clear();
        if (dead) return 5;
        auto file = files.find(destination);
        if (file == files.end()) return 2;
        Rename();
        if (chosen.empty() || files.count(chosen)) return 183;
        files[chosen] = file->second;
        files.erase(file);
        aside = chosen;
        m_asides.insert(chosen);
        return 0;
    }
    long PutInPlace(const char* file, const char* destination) override {
        if (dead) return 5;
        if (file == std::string(destination) && m_staged.count(file)) {
            Rename();  // a step of its own: the mark cleared
            m_staged.erase(file);
            return 0;
        }
        if (files.count(destination)) return 183;
        auto moved = files.find(file);
        if (moved == files.end()) return 2;
        Rename();
        files[destination] = moved->second;
        files.erase(moved);
        m_staged.erase(file);
        return 0;
    }
    void DiscardFile(const char* path) override {
        if (dead) return;
        if (m_asides.count(path) && ++m_asideDeletions == kill.asideDeletion) return Die(false);
        files.erase(path);
        m_staged.erase(path);
    }

private:
    class Listing : public FileSearch {
    public:
        std::vector<std::string> names;
        bool FindNext(DirectoryEntry& entry) override {
            if (m_next >= names.size()) return false;
            entry = {0x20, names[m_next++]};
            return true;
        }

    private:
        std::size_t m_next = 0;
    };

    void Rename() {
        if (++m_renames == kill.rename) Die();
    }

    std::set<std::string> m_staged;  // marked for deletion: they go with the process
    std::set<std::string> m_asides;
    int m_renames = 0;
    int m_asideDeletions = 0;
};

// The store, killed with the machine at one of its steps.
class KilledStore : public FakeStore {
public:
    explicit KilledStore(Machine& machine) : m_machine(machine) {}
    std::vector<std::string> journals;  // every journal written, in order

    tw::ListReading ReadList(std::string& bytes) override {
        return At("read list") ? FakeStore::ReadList(bytes) : tw::ListReading::failed;
    }
    bool WriteList(std::string_view bytes) override {
        return At("write list") && FakeStore::WriteList(bytes);
    }
    bool CopyInstaller() override { return At("copy") && FakeStore::CopyInstaller(); }
    bool WriteJournal(std::string_view bytes) override {
        if (!At(journals.empty() ? "write journal" : "write final")) return false;
        journals.emplace_back(bytes);
        return FakeStore::WriteJournal(bytes);
    }
    bool RemoveJournal() override { return At("remove journal") && FakeStore::RemoveJournal(); }

private:
    bool At(const char* step) {
        if (m_machine.dead) return false;
        if (m_machine.kill.storeStep && std::string(step) == m_machine.kill.storeStep)
            m_machine.Die();
        return true;
    }
    Machine& m_machine;
};

const Files kOld = {{"C:\\App\\s.txt", "old s"},
                    {"C:\\App\\Driver\\s.txt", "old s"},
                    {"C:\\App\\Driver\\a.bin", "old a"},
                    {"C:\\App\\readme.user", "the user's"}};
const Files kNew = {{"C:\\App\\s.txt", "new C:\\pkg\\driversupport\\s.txt"},
                    {"C:\\App\\Driver\\s.txt", "new C:\\pkg\\driversupport\\s.txt"},
                    {"C:\\App\\Driver\\a.bin", "new C:\\pkg\\Driver\\a.bin"},
                    {"C:\\App\\Driver\\b.bin", "new C:\\pkg\\Driver\\b.bin"},
                    {"C:\\App\\readme.user", "the user's"}};

// Three files set aside, four put in place (the new one by clearing its mark): seven steps.
const KillPoint kKills[] = {
    {"journal written, before the first step", 1},
    {"after the first set-aside", 2},
    {"after the first put in place", 3},
    {"after the second set-aside", 4},
    {"after the second put in place", 5},
    {"after the third set-aside", 6},
    {"after the third put in place", 7},
    {"after the last put in place", 0, 0, "read list"},
    {"after the list, before the commit is made final", 0, 0, "write final"},
    // The list names the new files: the commit is final before the copy and the entry.
    {"after the commit is made final, before the copy", 0, 0, "copy", false},
    {"after the commit is made final", 0, 1, nullptr, false},
    {"after the first file set aside is deleted", 0, 2, nullptr, false},
    {"after every file set aside is deleted", 0, 0, "remove journal", false},
    {"not killed", 0, 0, nullptr, false},
};

struct Reinstall {
    TempFolder folder;
    std::string record = folder / "ZAVIDAR.CFG";
    std::string logPath = folder / "run.log";
    Machine machine;
    KilledStore store{machine};
    tw::RecordSnapshot before{true, std::string("old record")};

    tw::RunSystem System() {
        tw::RunSystem system = KeepingInstallationSystem(
            {"C:\\pkg", record.c_str(), nullptr,
             [](const char* text) { return std::optional<std::string>(text); }, nullptr},
            machine, store);
        system.recordBefore = &before;
        return system;
    }
};

TEST(CommitRecovery, AKillAtEachPointEndsOldWholeOrNewWhole) {
    for (const KillPoint& kill : kKills) {
        SCOPED_TRACE(kill.what);
        Reinstall run;
        run.machine.files = kOld;
        run.machine.SetListing(kSupport, {FileEntry("s.txt")});
        run.machine.SetListing(kDriver, {FileEntry("a.bin"), FileEntry("b.bin")});
        run.machine.kill = kill;
        WriteBytes(run.record, "new record");  // as the run wrote it before installing
        {
            tw::InstallLog log("");
            tw::InstallAndLog(run.System(), "C:\\App\\", log);
        }
        // The journal was written whole before the first rename, naming every copy.
        ASSERT_FALSE(run.store.journals.empty());
        const std::optional<tw::CommitJournal> written =
            tw::ParseCommitJournal(run.store.journals.front());
        ASSERT_TRUE(written);
        EXPECT_FALSE(written->final);
        EXPECT_EQ(written->recordBefore, "old record");
        ASSERT_EQ(written->entries.size(), 4u);
        EXPECT_EQ(written->entries[0], (tw::JournalEntry{"s.txt", "tw10.tmp", "tw10.old", true}));
        EXPECT_EQ(written->entries[3], (tw::JournalEntry{"Driver\\b.bin", "", "", false}))
            << "new: created at its destination";

        // The next run, with the lock held, before anything else.
        run.machine.dead = false;
        run.machine.kill = {};
        {
            tw::InstallLog log(run.logPath);
            tw::RecoverInterruptedCommit(run.store, run.machine, run.record, log);
        }
        EXPECT_EQ(run.machine.files, kill.oldWhole ? kOld : kNew);
        EXPECT_EQ(ReadBytes(run.record), kill.oldWhole ? "old record" : "new record");
        EXPECT_FALSE(run.store.journal) << "cleared once recovered";
        const Lines lines = LogLines(run.logPath);
        if (kill.oldWhole) {
            EXPECT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines.front().rfind("interrupted commit undone: C:\\App\\ (", 0), 0u)
                << lines.front();
            EXPECT_EQ(lines.back(), "record: " + run.record + " restored");
        } else if (std::string(kill.what) != "not killed") {
            EXPECT_EQ(lines, Lines{"interrupted commit finished: C:\\App\\ (files set aside "
                                   "deleted)"});
        } else {
            EXPECT_TRUE(lines.empty());
        }
    }
}

// A run with nothing to recover reads the journal only; a journal it cannot trust
// is refused: logged, removed, and no file touched.
TEST(CommitRecovery, AForeignOrCorruptJournalIsRefusedAndNothingTouched) {
    tw::CommitJournal journal{false, "C:\\App\\", {}, {}, {{"s.txt", "t.tmp", "t.old", false}}};
    std::string good = *tw::FormatCommitJournal(journal);
    std::string changed = good;
    changed[changed.find("s.txt")] = 'S';
    for (const std::optional<std::string>& bytes :
         {std::optional<std::string>(), std::optional<std::string>("not a journal"),
          std::optional<std::string>(changed)}) {
        Reinstall run;
        run.machine.files = kOld;
        run.store.journal = bytes;
        {
            tw::InstallLog log(run.logPath);
            tw::RecoverInterruptedCommit(run.store, run.machine, run.record, log);
        }
        EXPECT_EQ(run.machine.files, kOld);
        EXPECT_FALSE(run.store.journal);
        EXPECT_FALSE(PathExists(run.record));
        EXPECT_EQ(LogLines(run.logPath),
                  bytes ? Lines{"commit journal refused: P:\\Tw\\commit.jnl (no file touched)"}
                        : Lines{});
    }
}

// A journal that cannot be written stops the commit before its first step: the run
// is undone and names the journal.
TEST(CommitRecovery, AJournalNotWrittenUndoesTheRun) {
    Reinstall run;
    run.machine.files = kOld;
    run.machine.SetListing(kSupport, {FileEntry("s.txt")});
    run.machine.SetListing(kDriver, {FileEntry("a.bin"), FileEntry("b.bin")});
    run.store.failing.insert("write journal");
    std::optional<tw::InstallResult> result;
    {
        tw::InstallLog log(run.logPath);
        result.emplace(tw::InstallAndLog(run.System(), "C:\\App\\", log));
    }
    EXPECT_TRUE(result->summary.undone);
    EXPECT_EQ(result->summary.failedFiles, std::vector<std::string>{"P:\\Tw\\commit.jnl"});
    EXPECT_EQ(run.machine.files, kOld);
    EXPECT_FALSE(run.store.journal);
    const Lines lines = LogLines(run.logPath);
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "commit journal not written: P:\\Tw\\commit.jnl"),
        lines.end());
}

// A first installation killed during its commit leaves a journal and no list: a
// removal puts the folder and the record back under the lock, then says that
// nothing is installed.
TEST(CommitRecovery, ARemovalUndoesAFirstInstallationKilledInItsCommit) {
    const Files before = {{"C:\\App\\readme.user", "the user's"}};
    Reinstall run;
    run.machine.files = before;
    run.machine.SetListing(kSupport, {FileEntry("s.txt")});
    run.machine.SetListing(kDriver, {FileEntry("a.bin"), FileEntry("b.bin")});
    run.machine.kill = {"after the second put in place", 3};
    WriteBytes(run.record, "new record");
    {
        tw::InstallLog log("");
        tw::InstallAndLog(run.System(), "C:\\App\\", log);
    }
    ASSERT_NE(run.machine.files, before) << "the kill left two new files in place";
    ASSERT_FALSE(run.store.list);

    run.machine.dead = false;
    run.machine.kill = {};
    FakeRunWindows windows;
    tw::ExitCode code;
    {
        tw::InstallLog log(run.logPath);
        code = tw::RunRemoval(true, run.System(), windows, log);
    }
    EXPECT_EQ(code, tw::ExitCode::failed);
    EXPECT_EQ(run.machine.files, before);
    EXPECT_EQ(ReadBytes(run.record), "old record");
    EXPECT_FALSE(run.store.journal);
    const Lines lines = LogLines(run.logPath);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1].rfind("interrupted commit undone: C:\\App\\ (", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "record: " + run.record + " restored");
}

}  // namespace
