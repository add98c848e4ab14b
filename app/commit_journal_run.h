// The commit's journal as a run keeps it in the removal's store: written before
// the commit's first step, with the record's previous bytes; made final once the
// list is written, before the files set aside are deleted; removed once they are
// gone or the commit was undone. A kill at any point leaves either a journal to
// undo or only leftovers to delete. The next installation or removal, with the run
// lock held and before anything else, recovers from what it finds.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "config/record_snapshot.h"
#include "install/commit_journal.h"
#include "install/forwarding_install_system.h"
#include "log/install_log.h"
#include "uninstall/removal_store.h"

namespace tw {

class JournaledInstallSystem : public ForwardingInstallSystem {
public:
    // recordPath: the record's full path; recordBefore: what it held before the run
    // (none, or not taken: the journal leaves the record alone).
    JournaledInstallSystem(InstallSystem& inner, RemovalStore& store, std::string recordPath,
                           const RecordSnapshot* recordBefore, InstallLog& log)
        : ForwardingInstallSystem(inner),
          m_store(store),
          m_recordPath(std::move(recordPath)),
          m_recordBefore(recordBefore),
          m_log(log) {}

    // Each destination that already holds a file is marked so, from one listing of
    // its folder, and the journal written whole.
    std::optional<std::string> BeginCommit(const CommitJournal& journal) override;
    // While the journal is open, a file set aside stays: it is the next run's to put back.
    void DiscardFile(const char* path) override;
    bool DiscardSetAside(const char* path) override;

    // After the list is written: the journal made final, or else removed, so that the
    // files set aside may go; when neither can be done they stay with the journal.
    void MakeFinal();
    // Once the files set aside are gone, or the commit was undone.
    void Clear();

private:
    enum class State { none, open, final };
    bool Write();

    RemovalStore& m_store;
    std::string m_recordPath;
    const RecordSnapshot* m_recordBefore;
    InstallLog& m_log;
    CommitJournal m_journal;
    State m_state = State::none;
    std::set<std::string> m_asides;  // full paths
};

// With the run lock held: the journal a killed run left, recovered from (a commit
// undone and the record given its previous bytes back, or a final commit's
// leftovers deleted), logged and removed. A journal that cannot be read, or
// names anything a commit never writes, is refused: logged and removed, no file
// touched. recordPath: the full path of the record this run writes, the only
// record a journal may give back.
void RecoverInterruptedCommit(RemovalStore& store, InstallSystem& system,
                              std::string_view recordPath, InstallLog& log);

}  // namespace tw
