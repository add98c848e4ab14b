#include "install/set_aside.h"

#include <utility>

#include "common/path_rules.h"
#include "common/system_format.h"
#include "common/win32_error_codes.h"
#include "install/block_copy.h"
#include "install/path_buffer.h"
#include "install/replace_file.h"

namespace tw {

long SetAsideFile(const char* destination, std::string& aside) {
    const std::string chosen = std::move(aside);
    aside.clear();
    // What the one-step replacement refuses (a folder, a read-only file) is not
    // set aside either.
    if (const long code = CheckReplaceable(destination)) return code;
    if (!chosen.empty()) {
        const long code = RenameToFreeName(destination, chosen.c_str());
        if (code == 0) aside = chosen;
        return code;
    }
    const std::string_view folder = FolderPart(destination);
    PathBuffer path;
    for (unsigned attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        char name[kTemporaryNameLength + 1];
        FormatInto(name, sizeof(name), kAsideNameFormat, NextTemporaryNumber());
        if (!path.Compose({folder, name})) return kErrorFilenameTooLong;
        const long code = RenameToFreeName(destination, path.c_str());
        if (code == 0) {
            aside = std::string(path.view());
            return 0;
        }
        // Another file holds the name: the next one is tried.
        if (!IsNameTaken(code)) return code;
    }
    return kErrorFileExists;
}

}  // namespace tw
