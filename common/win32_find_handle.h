// Win32 only: a search handle of FindFirstFileA, closed with FindClose.
#pragma once

#include <windows.h>

namespace tw {

class FindHandle {
public:
    FindHandle() = default;
    explicit FindHandle(HANDLE handle) : m_handle(handle) {}
    ~FindHandle() { Close(); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    // Takes handle, closing the one held before.
    void Take(HANDLE handle) {
        Close();
        m_handle = handle;
    }

private:
    void Close() {
        if (IsValid()) FindClose(m_handle);
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

}  // namespace tw
