// The package's names: the folders the installer reads in the folder it is started
// from, which it also writes into the application directory, and the registration
// tool. Folders end in "\".
#pragma once

#include <string_view>

namespace tw {

constexpr std::string_view kSupportFolder = "driversupport\\";
constexpr std::string_view kDriverFolder = "Driver\\";
constexpr std::string_view kToolName = "regsvr32.exe";

// A folder's name without its trailing separator.
constexpr std::string_view FolderName(std::string_view folder) {
    return folder.substr(0, folder.size() - 1);
}

}  // namespace tw
