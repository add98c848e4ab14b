#include "install/staged_installation.h"

#include <algorithm>
#include <set>
#include <utility>

#include "common/path_rules.h"
#include "common/win32_error_codes.h"
#include "install/commit_journal.h"

namespace tw {

namespace {

// The files set aside by a complete commit, deleted when the run lets go.
class SetAsideFiles : public Hold {
public:
    SetAsideFiles(InstallSystem& system, InstallEvents& events, std::vector<std::string> files,
                  bool& leftForRestart)
        : m_system(system),
          m_events(events),
          m_files(std::move(files)),
          m_leftForRestart(leftForRestart) {}
    ~SetAsideFiles() override {
        for (const std::string& file : m_files) {
            if (!m_system.DiscardSetAside(file.c_str())) continue;
            m_events.SetAsideDeletedAtRestart(file.c_str());
            m_leftForRestart = true;
        }
    }

private:
    InstallSystem& m_system;
    InstallEvents& m_events;
    std::vector<std::string> m_files;
    bool& m_leftForRestart;
};

}  // namespace

void StagedInstallation::Add(std::string staged, std::string destination, std::string source) {
    m_copies.push_back(
        {std::move(staged), std::move(destination), std::move(source), {}, false, false});
}

std::optional<std::string> StagedInstallation::Commit(std::string_view appDir) {
    DropSuperseded();
    if (std::optional<std::string> unwritten = BeginJournal(appDir)) {
        for (StagedCopy& copy : m_copies) copy.aside.clear();
        return unwritten;
    }
    for (StagedCopy& copy : m_copies) {
        if (copy.superseded) continue;
        // A file staged under its destination's own name only loses its mark; any
        // other takes a free destination at once, and a taken one is first set aside.
        long code = m_system.PutInPlace(copy.staged.c_str(), copy.destination.c_str());
        if (!IsNameTaken(code)) {
            copy.aside.clear();  // nothing set aside to put back
        } else {
            const long aside = m_system.SetAside(copy.destination.c_str(), copy.aside);
            m_events.SetAside(copy.destination.c_str(), aside);
            if (aside != 0) copy.aside.clear();
            if (aside == kErrorSharingViolation) {
                copy.atRestart = true;
                continue;
            }
            if (aside != 0 && aside != kErrorFileNotFound) return copy.source;
            code = m_system.PutInPlace(copy.staged.c_str(), copy.destination.c_str());
        }
        m_events.Committed(copy.destination.c_str(), code);
        if (code != 0) return copy.source;
        copy.placed = true;
    }
    for (const StagedCopy& copy : m_copies) {
        if (!copy.atRestart) continue;
        const long code =
            m_system.PutInPlaceAtRestart(copy.staged.c_str(), copy.destination.c_str());
        if (code != 0) {
            m_events.Committed(copy.destination.c_str(), code);
            return copy.source;
        }
        m_events.WaitsForRestart(copy.destination.c_str());
        m_atRestart.push_back(copy.destination);
    }
    return std::nullopt;
}

// Each destination's aside name is chosen now, from its staged name, so that the
// journal lists every name the commit may leave before its first step.
std::optional<std::string> StagedInstallation::BeginJournal(std::string_view appDir) {
    CommitJournal journal{false, std::string(appDir), {}, {}, {}};
    const auto name = [](const std::string& path) { return path.substr(FolderPart(path).size()); };
    for (StagedCopy& copy : m_copies) {
        if (copy.superseded) continue;
        // Staged under its own name: there is nothing to set aside.
        const bool created = copy.staged == copy.destination;
        if (!created) copy.aside = AsideNameFor(copy.staged);
        journal.entries.push_back(
            {copy.destination.substr(std::min(appDir.size(), copy.destination.size())),
             created ? std::string() : name(copy.staged), name(copy.aside), false});
    }
    // A run with nothing to commit changes nothing a kill could leave half done.
    if (journal.entries.empty()) return std::nullopt;
    return m_system.BeginCommit(journal);
}

// A destination staged twice (a name both passes write into Driver\) ends with
// the later copy: the earlier one is never put in place.
void StagedInstallation::DropSuperseded() {
    std::set<std::string> later;
    for (auto copy = m_copies.rbegin(); copy != m_copies.rend(); ++copy) {
        if (later.insert(PathKey(copy->destination)).second) continue;
        m_system.DiscardFile(copy->staged.c_str());
        copy->superseded = true;
    }
}

void StagedInstallation::Undo() {
    for (auto copy = m_copies.rbegin(); copy != m_copies.rend(); ++copy) {
        if (copy->superseded) continue;
        if (copy->placed)
            m_system.DiscardFile(copy->destination.c_str());
        else
            m_system.DiscardFile(copy->staged.c_str());
        const long back = copy->aside.empty()
                              ? 0
                              : m_system.PutInPlace(copy->aside.c_str(), copy->destination.c_str());
        m_events.RolledBack(copy->destination.c_str(), back);
    }
    m_copies.clear();
}

std::unique_ptr<Hold> StagedInstallation::TakeSetAside(bool& leftForRestart) {
    std::vector<std::string> files;
    for (const StagedCopy& copy : m_copies)
        if (!copy.aside.empty()) files.push_back(copy.aside);
    m_copies.clear();
    return std::make_unique<SetAsideFiles>(m_system, m_events, std::move(files), leftForRestart);
}

}  // namespace tw
