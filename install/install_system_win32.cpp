// The installation system on Win32: the kernel's folder calls, the shell's start
// and the wait for the started tools.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/path_rules.h"
#include "common/win32_handles.h"
#include "install/block_copy.h"
#include "install/folder_hold.h"
#include "install/held_copy.h"
#include "install/platform_folder_rights.h"
#include "install/platform_install_system.h"
#include "install/replace_file.h"
#include "install/staged_files.h"
#include "install/thread_messages.h"

namespace {

// The registration request has the 60-byte layout the 32-bit shell expects.
#if !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOA) == 60);
#endif

void Fill(DirectoryEntry& entry, const WIN32_FIND_DATAA& data) {
    entry.dwFileAttributes = data.dwFileAttributes;
    entry.cFileName = data.cFileName;
}

class Win32FileSearch : public FileSearch {
public:
    // False when no entry came; Failed() then tells whether the folder exists but
    // could not be listed, rather than being absent.
    bool Open(const char* pattern, DirectoryEntry& first) {
        WIN32_FIND_DATAA data{};
        m_handle.Reset(FindFirstFileA(pattern, &data));
        if (!m_handle.IsValid()) {
            DWORD error = GetLastError();
            m_failed = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
            return false;
        }
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
    tw::FindHandle m_handle;
    bool m_failed = false;
};

// A started tool: its process handle. Closing the handle leaves a tool that still
// runs running.
class ProcessTool : public StartedTool {
public:
    explicit ProcessTool(tw::KernelHandle process) : m_process(std::move(process)) {}
    HANDLE Process() const { return m_process.Get(); }

private:
    tw::KernelHandle m_process;
};

class Win32InstallSystem : public InstallSystem {
public:
    // The folder itself, never through a link, held as install/folder_hold.h says.
    std::unique_ptr<Hold> HoldFolder(const char* folder) override {
        std::unique_ptr<Hold> held;
        tw::OpenFolderAsItself(folder, held);
        return held;
    }

    std::unique_ptr<Hold> HoldCopy(const char* installed, const char* original) override {
        return tw::HeldCopy::Open(installed, original);
    }

    bool CreateFolder(const char* path) override { return CreateDirectoryA(path, nullptr) != 0; }

    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override {
        auto search = std::make_unique<Win32FileSearch>();
        if (search->Open(pattern, first)) return {std::move(search)};
        return {nullptr, search->Failed()};
    }

    void SleepOneMillisecond() override { Sleep(1); }

    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        return m_staged.Stage(source, destination);
    }

    long SetAside(const char* destination, std::string& aside) override {
        return m_staged.SetAside(destination, aside);
    }
    long PutInPlace(const char* file, const char* destination) override {
        return m_staged.PutInPlace(file, destination);
    }
    void DiscardFile(const char* path) override { m_staged.DiscardFile(path); }
    long PutInPlaceAtRestart(const char* file, const char* destination) override {
        return m_staged.PutInPlaceAtRestart(file, destination);
    }
    bool DiscardSetAside(const char* path) override { return m_staged.DiscardSetAside(path); }
    void RemoveFolder(const char* folder) override { tw::RemoveEmptyFolder(folder); }

    // With SEE_MASK_FLAG_NO_UI a failed start shows the user nothing. A start that
    // gives no process (the shell handed the file to a running program) cannot be
    // judged, and counts as not started.
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override {
        SHELLEXECUTEINFOA info;
        ZeroMemory(&info, sizeof(info));
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpVerb = "open";
        info.lpFile = request.toolPath;
        info.lpParameters = request.parameters;
        info.lpDirectory = request.directory;
        info.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExA(&info)) return nullptr;
        tw::KernelHandle process(info.hProcess);
        if (!process.IsValid()) return nullptr;
        return std::make_unique<ProcessTool>(std::move(process));
    }

    // A value of the machine's RunOnce key, in the 64-bit view where there is one
    // (the one every start carries out), runs the command line once at the next
    // start: the tool's path quoted, then the parameters.
    bool RegisterAtRestart(const RegistrationRequest& request) override {
        tw::RegistryKey key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.Out(),
                            nullptr) != ERROR_SUCCESS)
            return false;
        const std::string command =
            std::string("\"") + request.toolPath + "\" " + request.parameters;
        const std::string name = std::string("Tarnwhistle ") + request.parameters;
        return RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(command.c_str()),
                              static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
    }

    // Messages are handled meanwhile: a tool that sends one to our windows must not
    // wait for us while we wait for it.
    void WaitForAnyTool(const std::vector<StartedTool*>& running,
                        std::chrono::milliseconds timeout) override {
        std::vector<HANDLE> handles;
        for (StartedTool* tool : running)
            handles.push_back(static_cast<ProcessTool*>(tool)->Process());
        const DWORD count =
            static_cast<DWORD>(std::min<std::size_t>(MAXIMUM_WAIT_OBJECTS, handles.size()));
        const DWORD left = static_cast<DWORD>(
            std::min<std::chrono::milliseconds::rep>(timeout.count(), INFINITE - 1));
        if (count > 0) WaitForAnyHandlingMessages(count, handles.data(), left);
        SetExitCodes(running);
    }

    std::chrono::milliseconds Now() override {
        return std::chrono::milliseconds(
            static_cast<std::chrono::milliseconds::rep>(GetTickCount64()));
    }

    tw::FolderSecuring SecureFolder(const char* folder) override {
        return tw::SecurePlatformFolder(folder);
    }
    tw::UntrustedFiles FindUntrustedFiles(const char* folder) override {
        return tw::FindPlatformUntrustedFiles(folder);
    }

private:
    static void SetExitCodes(const std::vector<StartedTool*>& tools) {
        for (StartedTool* tool : tools) {
            HANDLE process = static_cast<ProcessTool*>(tool)->Process();
            DWORD code = 0;
            if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0 &&
                GetExitCodeProcess(process, &code))
                tool->exitCode = code;
        }
    }

    tw::StagedFiles m_staged;
};

}  // namespace

InstallSystem& PlatformInstallSystem() {
    static Win32InstallSystem system;
    return system;
}
