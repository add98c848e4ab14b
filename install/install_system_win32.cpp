// The installation system on Win32: the kernel's folder calls and the shell's start.
#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "install/block_copy.h"
#include "install/platform_install_system.h"

namespace {

// The registration request has the 60-byte layout the 32-bit shell expects.
#if !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOA) == 60);
#endif

// A search handle of FindFirstFileA, closed with FindClose.
class FindHandle {
public:
    FindHandle() = default;
    ~FindHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) FindClose(m_handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE Get() const { return m_handle; }
    void Take(HANDLE handle) { m_handle = handle; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

void Fill(DirectoryEntry& entry, const WIN32_FIND_DATAA& data) {
    entry.dwFileAttributes = data.dwFileAttributes;
    entry.cFileName = data.cFileName;
}

class Win32FileSearch : public FileSearch {
public:
    bool FindFirst(const char* pattern, DirectoryEntry& first) {
        WIN32_FIND_DATAA data{};
        m_handle.Take(FindFirstFileA(pattern, &data));
        if (m_handle.Get() == INVALID_HANDLE_VALUE) return false;
        Fill(first, data);
        return true;
    }
    bool FindNext(DirectoryEntry& entry) override {
        WIN32_FIND_DATAA data{};
        if (!FindNextFileA(m_handle.Get(), &data)) {
            m_failed = GetLastError() != ERROR_NO_MORE_FILES;
            return false;
        }
        Fill(entry, data);
        return true;
    }
    bool Failed() const override { return m_failed; }

private:
    FindHandle m_handle;
    bool m_failed = false;
};

class Win32InstallSystem : public InstallSystem {
public:
    bool CreateFolder(const char* path) override { return CreateDirectoryA(path, nullptr) != 0; }

    std::unique_ptr<FileSearch> FindFirst(const char* pattern, DirectoryEntry& first) override {
        auto search = std::make_unique<Win32FileSearch>();
        if (!search->FindFirst(pattern, first)) return nullptr;
        return search;
    }

    void SleepOneMillisecond() override { Sleep(1); }

    bool CopyFileTo(const char* source, const char* destination) override {
        return CopyOneFile(source, destination) != FALSE;
    }

    // No process handle is asked for: nothing waits for the tool, and with
    // SEE_MASK_FLAG_NO_UI a failed start shows the user nothing.
    bool StartRegistration(const RegistrationRequest& request) override {
        SHELLEXECUTEINFOA info;
        ZeroMemory(&info, sizeof(info));
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_FLAG_NO_UI;
        info.lpVerb = "open";
        info.lpFile = request.toolPath;
        info.lpParameters = request.parameters;
        info.lpDirectory = request.directory;
        info.nShow = SW_SHOWNORMAL;
        return ShellExecuteExA(&info) != FALSE;
    }
};

}  // namespace

InstallSystem& PlatformInstallSystem() {
    static Win32InstallSystem system;
    return system;
}
