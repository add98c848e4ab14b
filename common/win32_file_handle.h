// Win32 only: a handle of CreateFileA, closed with CloseHandle.
#pragma once

#include <windows.h>

namespace tw {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    // Hands the handle to the caller, who closes it.
    HANDLE Release() {
        HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE m_handle;
};

}  // namespace tw
