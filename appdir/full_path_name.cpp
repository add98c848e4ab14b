#include "appdir/full_path_name.h"

#include <windows.h>

#include "appdir/full_path.h"
#include "common/win32_handles.h"
#include "framework/ReadGrowing.h"

namespace tw {

std::optional<std::string> FullPathName(const char* text) {
    if (*text == '\0') return std::nullopt;
    std::string path = ReadGrowing([&](char* buffer, unsigned long size) {
        return GetFullPathNameA(text, static_cast<DWORD>(size), buffer, nullptr);
    });
    if (!path.empty()) return path;
    // The ANSI call holds no result longer than MAX_PATH. The same rule gives it
    // whole, so that the dialog refuses it as too long rather than as missing.
    std::string current = CurrentDirectory();
    if (current.empty()) return std::nullopt;
    return FullPathFrom(text, current);
}

std::string CurrentDirectory() {
    return ReadGrowing([](char* buffer, unsigned long size) {
        return GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    });
}

std::optional<std::uint32_t> FindFirstEntryAttributes(const char* path) {
    WIN32_FIND_DATAA entry{};
    FindHandle search(FindFirstFileA(path, &entry));
    if (!search.IsValid()) return std::nullopt;
    return entry.dwFileAttributes;
}

}  // namespace tw
