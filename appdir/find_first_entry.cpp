#include "appdir/find_first_entry.h"

#include <windows.h>

#include "common/win32_handles.h"

namespace tw {

std::optional<std::uint32_t> FindFirstEntryAttributes(const char* path) {
    WIN32_FIND_DATAA entry{};
    FindHandle search(FindFirstFileA(path, &entry));
    if (!search.IsValid()) return std::nullopt;
    return entry.dwFileAttributes;
}

}  // namespace tw
