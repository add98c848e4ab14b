#include "dialogs/find_first_entry.h"

#include <windows.h>

namespace tw {

namespace {

// A search handle of FindFirstFileA, closed with FindClose.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : m_handle(handle) {}
    ~FindHandle() {
        if (IsValid()) FindClose(m_handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

}  // namespace

std::optional<std::uint32_t> FindFirstEntryAttributes(const char* path) {
    WIN32_FIND_DATAA entry{};
    FindHandle search(FindFirstFileA(path, &entry));
    if (!search.IsValid()) return std::nullopt;
    return entry.dwFileAttributes;
}

}  // namespace tw
