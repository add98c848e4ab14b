#include "dialogs/full_path_name.h"

#include <windows.h>

#include "dialogs/full_path.h"

namespace tw {

namespace {

std::string CurrentDirectoryText() {
    DWORD size = GetCurrentDirectoryA(0, nullptr);
    std::string directory(size, '\0');
    DWORD length = GetCurrentDirectoryA(size, directory.data());
    directory.resize(length < size ? length : 0);
    return directory;
}

}  // namespace

std::optional<std::string> FullPathName(const char* text) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length =
            GetFullPathNameA(text, static_cast<DWORD>(path.size()), path.data(), nullptr);
        if (length == 0) break;
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.assign(length, '\0');  // the size it needs, terminator included
    }
    // The ANSI call holds no result longer than MAX_PATH. The same rule gives it
    // whole, so that the dialog refuses it as too long rather than as missing.
    if (*text == '\0') return std::nullopt;
    std::string current = CurrentDirectoryText();
    if (current.empty()) return std::nullopt;
    return FullPathFrom(text, current);
}

}  // namespace tw
