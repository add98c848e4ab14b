#include "app/commit_journal_run.h"

#include "common/package_names.h"
#include "common/path_rules.h"

namespace tw {

namespace {

// The names in folder, as PathKey gives them, prefixed with prefix.
void ListNames(InstallSystem& system, const std::string& folder, std::string_view prefix,
               std::set<std::string>& names) {
    DirectoryEntry entry;
    std::unique_ptr<FileSearch> search = system.FindFirst((folder + "*.*").c_str(), entry).search;
    if (!search) return;
    do names.insert(PathKey(std::string(prefix) + entry.cFileName));
    while (search->FindNext(entry));
}

}  // namespace

std::optional<std::string> JournaledInstallSystem::BeginCommit(const CommitJournal& journal) {
    m_journal = journal;
    if (m_recordBefore && m_recordBefore->taken) {
        m_journal.recordPath = m_recordPath;
        m_journal.recordBefore = m_recordBefore->bytes;
    }
    std::set<std::string> present;
    ListNames(Inner(), m_journal.appDir, {}, present);
    ListNames(Inner(), m_journal.appDir + std::string(kDriverFolder), kDriverFolder, present);
    for (JournalEntry& entry : m_journal.entries) {
        // A file created at its destination had none before it, nor an aside name.
        if (entry.staged.empty()) continue;
        entry.replaces = present.count(PathKey(entry.destination)) > 0;
        const std::string folder(FolderPart(m_journal.appDir + entry.destination));
        m_asides.insert(folder + entry.aside);
    }
    if (!Write()) {
        m_log.Write<LogEvent::journalNotWritten>(m_store.JournalPath());
        return m_store.JournalPath();
    }
    m_state = State::open;
    return ForwardingInstallSystem::BeginCommit(m_journal);
}

void JournaledInstallSystem::DiscardFile(const char* path) {
    if (m_state == State::open && m_asides.count(path)) return;
    ForwardingInstallSystem::DiscardFile(path);
}

bool JournaledInstallSystem::DiscardSetAside(const char* path) {
    if (m_state == State::open && m_asides.count(path)) return false;
    return ForwardingInstallSystem::DiscardSetAside(path);
}

bool JournaledInstallSystem::Write() {
    std::optional<std::string> bytes = FormatCommitJournal(m_journal);
    return bytes && m_store.WriteJournal(*bytes);
}

void JournaledInstallSystem::MakeFinal() {
    if (m_state != State::open) return;
    m_journal.final = true;
    if (Write() || m_store.RemoveJournal()) m_state = State::final;
}

void JournaledInstallSystem::Clear() {
    if (m_state != State::none && m_store.RemoveJournal()) m_state = State::none;
}

void RecoverInterruptedCommit(RemovalStore& store, InstallSystem& system,
                              std::string_view recordPath, InstallLog& log) {
    std::string bytes;
    const ListReading reading = store.ReadJournal(bytes);
    if (reading == ListReading::absent) return;
    std::optional<CommitJournal> journal;
    if (reading == ListReading::read) journal = ParseCommitJournal(bytes);
    if (!journal) {
        log.Write<LogEvent::journalRefused>(store.JournalPath());
        store.RemoveJournal();
        return;
    }
    CommitRecovery recovery = RecoverCommitFiles(*journal, system);
    if (journal->final) {
        log.Write<LogEvent::commitFinished>(journal->appDir);
    } else {
        log.Write<LogEvent::commitUndone>(journal->appDir, recovery.putBack);
        // Only this run's own record is given its previous bytes back.
        const std::string& record = journal->recordPath;
        if (!record.empty() && SamePath(record, recordPath) &&
            RestoreRecord(record.c_str(), {true, journal->recordBefore}))
            log.Write<LogEvent::recordRestored>(record);
        else if (!record.empty())
            recovery.failed.push_back(record);
    }
    log.WriteEach<LogEvent::commitNotRecovered>(recovery.failed);
    store.RemoveJournal();
}

}  // namespace tw
