#include "install/progress_plan.h"

#include "common/package_names.h"
#include "common/path_rules.h"
#include "install/progress_observer.h"
#include "install/registration_rules.h"

namespace tw {

namespace {

// Calls count(name) for each file entry of the folder's listing.
template <typename Count>
void ForEachFile(InstallSystem& system, const std::string& folder, Count count) {
    DirectoryEntry entry;
    SearchStart start = system.FindFirst((folder + "*.*").c_str(), entry);
    if (!start.search) return;
    do {
        if (!IsDirectoryEntry(entry.dwFileAttributes)) count(entry.cFileName);
    } while (start.search->FindNext(entry));
}

}  // namespace

ProgressPlan PlanInstallation(InstallSystem& system, const std::string& sourceRoot) {
    const std::string root = WithTrailingSeparator(sourceRoot);
    ProgressPlan plan;
    ForEachFile(system, Joined(root, kSupportFolder),
                [&](const std::string&) { plan.copies += 2; });
    ForEachFile(system, Joined(root, kDriverFolder), [&](const std::string& name) {
        plan.copies += 1;
        if (IsRegisteredName(name)) plan.registrations += 1;
    });
    return plan;
}

int ProgressMeter::Position() const {
    if (m_finished || m_done >= m_planned) return m_planned > 0 || m_finished ? kProgressRange : 0;
    return static_cast<int>(static_cast<long long>(m_done) * kProgressRange / m_planned);
}

}  // namespace tw
