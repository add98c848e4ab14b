#include "uninstall/removal_store.h"

namespace tw {

UninstallEntry MakeUninstallEntry(std::string_view displayName, std::string_view copyPath,
                                  std::string_view appDir, std::uint64_t installedBytes) {
    // Appended, not "\"" + path: GCC 12's -O2 sees a false overlap in the latter.
    std::string quoted = "\"";
    quoted.append(copyPath).append("\"");
    UninstallEntry entry;
    entry.displayName = displayName;
    entry.displayVersion = "6.1.0.0";
    entry.publisher = "Ostrakelle";
    entry.displayIcon = std::string(copyPath) + ",0";
    entry.installLocation = appDir;
    std::uint64_t kb = (installedBytes + 1023) / 1024;
    entry.estimatedSizeKb = kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kb);
    entry.uninstallString = quoted + " /U";
    entry.quietUninstallString = quoted + " /U /S";
    return entry;
}

}  // namespace tw
