// The package's names: the folders the installer reads in the folder it is started
// from, which it also writes into the application directory, and the registration
// tool. Folders end in "\".
#pragma once

#include <string>
#include <string_view>

namespace tw {

constexpr std::string_view kSupportFolder = "driversupport\\";
constexpr std::string_view kDriverFolder = "Driver\\";
constexpr std::string_view kToolName = "regsvr32.exe";

// A folder's name without its trailing separator.
constexpr std::string_view FolderName(std::string_view folder) {
    return folder.substr(0, folder.size() - 1);
}

// folder (ending in a separator) followed by one of the names above. Appended piece by
// piece: GCC 12 at -O2 reads `folder + std::string(name)` as an overlapping copy.
inline std::string Joined(std::string_view folder, std::string_view name) {
    std::string joined;
    joined.reserve(folder.size() + name.size());
    joined.append(folder);
    joined.append(name);
    return joined;
}

}  // namespace tw
