#include "install/install_events.h"

namespace tw {

// Nothing, unless a listener overrides it.
void ToolEvents::RegistrationStarts(const RegistrationRequest&) {}
void ToolEvents::RegistrationEnded(const Registration&) {}
void ToolEvents::FinalWait(bool) {}
void InstallEvents::FolderNotHeld(const char*) {}
void InstallEvents::FolderSecured(const char*, const FolderSecuring&) {}
void InstallEvents::FilesChecked(const char*, const UntrustedFiles&) {}
void InstallEvents::CopyBegins(const char*) {}
void InstallEvents::Staged(const char*, const char*, const CopyOutcome&) {}
void InstallEvents::SetAside(const char*, long) {}
void InstallEvents::Committed(const char*, long) {}
void InstallEvents::RolledBack(const char*, long) {}
void InstallEvents::WaitsForRestart(const char*) {}
void InstallEvents::SetAsideDeletedAtRestart(const char*) {}

}  // namespace tw
