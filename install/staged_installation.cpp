#include "install/staged_installation.h"

#include <set>
#include <utility>

#include "common/path_rules.h"
#include "common/win32_error_codes.h"

namespace tw {

namespace {

// The files set aside by a complete commit, deleted when the run lets go.
class SetAsideFiles : public Hold {
public:
    SetAsideFiles(InstallSystem& system, std::vector<std::string> files)
        : m_system(system), m_files(std::move(files)) {}
    ~SetAsideFiles() override {
        for (const std::string& file : m_files) m_system.DiscardFile(file.c_str());
    }

private:
    InstallSystem& m_system;
    std::vector<std::string> m_files;
};

}  // namespace

void StagedInstallation::Add(std::string staged, std::string destination, std::string source) {
    m_copies.push_back(
        {std::move(staged), std::move(destination), std::move(source), {}, false, false});
}

std::optional<std::string> StagedInstallation::Commit() {
    DropSuperseded();
    for (StagedCopy& copy : m_copies) {
        if (copy.superseded) continue;
        const long aside = m_system.SetAside(copy.destination.c_str(), copy.aside);
        m_events.SetAside(copy.destination.c_str(), aside);
        if (aside != 0 && aside != kErrorFileNotFound) return copy.source;
        const long put = m_system.PutInPlace(copy.staged.c_str(), copy.destination.c_str());
        m_events.Committed(copy.destination.c_str(), put);
        if (put != 0) return copy.source;
        copy.placed = true;
    }
    return std::nullopt;
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

std::unique_ptr<Hold> StagedInstallation::TakeSetAside() {
    std::vector<std::string> files;
    for (const StagedCopy& copy : m_copies)
        if (!copy.aside.empty()) files.push_back(copy.aside);
    m_copies.clear();
    return std::make_unique<SetAsideFiles>(m_system, std::move(files));
}

}  // namespace tw
