#include "install/destination_trust.h"

namespace tw {

bool DestinationTrust::Secure(const char* folder) {
    const FolderSecuring securing = m_system.SecureFolder(folder);
    m_events.FolderSecured(folder, securing);
    if (securing.result == FolderSecuring::Result::failed) {
        Bar(folder);
        return false;
    }
    if (m_secured < 2) m_folders[m_secured++] = folder;
    return true;
}

void DestinationTrust::CheckFiles() {
    if (m_checked) return;
    m_checked = true;
    for (int i = 0; i < m_secured; ++i) {
        UntrustedFiles found = m_system.FindUntrustedFiles(m_folders[i]);
        m_events.FilesChecked(m_folders[i], found);
        if (found.unreadable) Bar(m_folders[i]);
        for (const std::string& name : found.names) Bar(m_folders[i], name);
    }
}

void DestinationTrust::Bar(const char* folder, const std::string& name) {
    m_barred = true;
    m_failures.push_back(folder + name);
}

}  // namespace tw
