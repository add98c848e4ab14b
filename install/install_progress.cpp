#include "install/install_progress.h"

#include <string_view>

#include "common/path_rules.h"

namespace tw {

namespace {

// path under folder when it starts with it, else the whole path.
std::string Under(std::string_view path, std::string_view folder) {
    if (path.substr(0, folder.size()) == folder) path.remove_prefix(folder.size());
    return std::string(path);
}

// The DLL of the tool's parameters: "/s " and its path, quoted when it holds a blank.
std::string_view DllOf(std::string_view parameters) {
    constexpr std::string_view kSilent = "/s ";
    if (parameters.substr(0, kSilent.size()) == kSilent) parameters.remove_prefix(kSilent.size());
    if (parameters.size() >= 2 && parameters.front() == '"' && parameters.back() == '"')
        parameters = parameters.substr(1, parameters.size() - 2);
    return parameters;
}

}  // namespace

InstallProgress::InstallProgress(const std::string& sourceRoot, const std::string& appDir,
                                 const ProgressPlan& plan, ProgressObserver& observer)
    : m_sourceRoot(WithTrailingSeparator(sourceRoot)),
      m_appDir(WithTrailingSeparator(appDir)),
      m_observer(observer),
      m_meter(plan.Steps()) {}

void InstallProgress::CopyBegins(const char* source) {
    m_observer.Show(ProgressStep::copying, Under(source, m_sourceRoot), m_meter.Position());
}

// Done, whatever its outcome.
void InstallProgress::Staged(const char*, const char*, const CopyOutcome&) { m_meter.StepDone(); }

void InstallProgress::RegistrationStarts(const RegistrationRequest& request) {
    m_lastRegistered = Under(DllOf(request.parameters), m_appDir);
    m_observer.Show(ProgressStep::registering, m_lastRegistered, m_meter.Position());
}

void InstallProgress::FinalWait(bool begins) {
    if (!begins) m_meter.Finish();
    m_observer.Show(ProgressStep::registering, m_lastRegistered, m_meter.Position());
}

}  // namespace tw
