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

void InstallEventsFanOut::RegistrationStarts(const RegistrationRequest& request) {
    for (int i = 0; i < m_count; ++i) m_to[i]->RegistrationStarts(request);
}

void InstallEventsFanOut::RegistrationEnded(const Registration& record) {
    for (int i = 0; i < m_count; ++i) m_to[i]->RegistrationEnded(record);
}

void InstallEventsFanOut::FinalWait(bool begins) {
    for (int i = 0; i < m_count; ++i) m_to[i]->FinalWait(begins);
}

void InstallEventsFanOut::FolderNotHeld(const char* folder) {
    for (int i = 0; i < m_count; ++i) m_to[i]->FolderNotHeld(folder);
}

void InstallEventsFanOut::FolderSecured(const char* folder, const FolderSecuring& securing) {
    for (int i = 0; i < m_count; ++i) m_to[i]->FolderSecured(folder, securing);
}

void InstallEventsFanOut::FilesChecked(const char* folder, const UntrustedFiles& found) {
    for (int i = 0; i < m_count; ++i) m_to[i]->FilesChecked(folder, found);
}

void InstallEventsFanOut::CopyBegins(const char* source) {
    for (int i = 0; i < m_count; ++i) m_to[i]->CopyBegins(source);
}

void InstallEventsFanOut::Staged(const char* source, const char* destination,
                                 const CopyOutcome& outcome) {
    for (int i = 0; i < m_count; ++i) m_to[i]->Staged(source, destination, outcome);
}

void InstallEventsFanOut::SetAside(const char* destination, long code) {
    for (int i = 0; i < m_count; ++i) m_to[i]->SetAside(destination, code);
}

void InstallEventsFanOut::Committed(const char* destination, long code) {
    for (int i = 0; i < m_count; ++i) m_to[i]->Committed(destination, code);
}

void InstallEventsFanOut::RolledBack(const char* destination, long code) {
    for (int i = 0; i < m_count; ++i) m_to[i]->RolledBack(destination, code);
}

void InstallEventsFanOut::WaitsForRestart(const char* destination) {
    for (int i = 0; i < m_count; ++i) m_to[i]->WaitsForRestart(destination);
}

void InstallEventsFanOut::SetAsideDeletedAtRestart(const char* path) {
    for (int i = 0; i < m_count; ++i) m_to[i]->SetAsideDeletedAtRestart(path);
}

}  // namespace tw
