#include "install/destination_trust.h"

#include <utility>

namespace tw {

void DestinationTrust::Secure(const char* folder) {
    if (m_system.SecureFolder(folder).result == FolderSecuring::Result::failed) {
        Bar(folder);
        return;
    }
    m_folders.emplace_back(folder);
}

void DestinationTrust::CheckFiles() {
    if (m_checked) return;
    m_checked = true;
    for (const std::string& folder : m_folders) {
        UntrustedFiles found = m_system.FindUntrustedFiles(folder.c_str());
        if (found.unreadable) Bar(folder);
        for (const std::string& name : found.names) Bar(folder + name);
    }
}

void DestinationTrust::Bar(std::string what) {
    m_barred = true;
    m_failures.push_back(std::move(what));
}

}  // namespace tw
