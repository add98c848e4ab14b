// What an installation trusts in its destination folders. Each held folder is
// locked to administrators before anything is written into it; before the first
// registration tool starts, the files and folders in them are checked once. A
// folder that could not be locked, or a file there that no administrator owns (the
// tool would load it for any DLL that asks for its name), or a folder inside that
// no administrator owns (its owner may still change it), bars every start, and is
// named among the run's failures by its full path.
#pragma once

#include <string>
#include <vector>

#include "install/install_events.h"
#include "install/install_system.h"

namespace tw {

class DestinationTrust {
public:
    // failures: the run's list of what was not installed, added to as found; each
    // securing and each check is told to events.
    DestinationTrust(InstallSystem& system, InstallEvents& events,
                     std::vector<std::string>& failures)
        : m_system(system), m_events(events), m_failures(failures) {}

    // folder ends in a separator, is held, and stays valid for the object's life.
    // True when it is locked now.
    bool Secure(const char* folder);
    // The files and folders in the folders secured; later calls do nothing.
    void CheckFiles();
    bool Barred() const { return m_barred; }

private:
    void Bar(const char* folder, const std::string& name = {});

    InstallSystem& m_system;
    InstallEvents& m_events;
    std::vector<std::string>& m_failures;
    const char* m_folders[2] = {};  // those secured, in order: A and its Driver\ at most
    int m_secured = 0;
    bool m_checked = false;
    bool m_barred = false;
};

}  // namespace tw
