#include "dialogs/full_path_name.h"

#include <windows.h>

namespace tw {

std::optional<std::string> FullPathName(const char* text) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length =
            GetFullPathNameA(text, static_cast<DWORD>(path.size()), path.data(), nullptr);
        if (length == 0) return std::nullopt;
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.assign(length, '\0');  // the size it needs, terminator included
    }
}

}  // namespace tw
