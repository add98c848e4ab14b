// The installation system on the host: POSIX calls that answer as Windows would.
// Paths arrive Windows-style and are turned into POSIX paths here; listings report
// the attribute words Windows gives. No registration tool starts here, and no
// folder's rights are read or set.
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "install/folder_hold.h"
#include "install/held_copy.h"
#include "install/platform_install_system.h"
#include "install/replace_file.h"
#include "install/staged_files.h"

namespace {

constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;

// The attribute word Windows reports: a folder 0x10, a plain file 0x20, with 0x01
// added when nobody may write it. An entry that cannot be examined counts as a file.
// The entry is looked up in the open folder, not through its whole path again.
std::uint32_t AttributesOf(DIR* folder, const char* name) {
    struct stat st {};
    int at = dirfd(folder);
    if (fstatat(at, name, &st, 0) != 0 && fstatat(at, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return kAttributeArchive;
    std::uint32_t attributes = S_ISDIR(st.st_mode) ? kAttributeDirectory : kAttributeArchive;
    if ((st.st_mode & 0222) == 0) attributes |= kAttributeReadOnly;
    return attributes;
}

class PosixFileSearch : public FileSearch {
public:
    // The pattern is a folder and "*.*", which matches every name. False when no
    // entry came; Failed() then tells whether the folder could not be listed.
    bool Open(const char* pattern, DirectoryEntry& first) {
        const std::string path = tw::ToPosixPath(pattern);
        const std::size_t slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        m_dir.reset(opendir(folder.c_str()));
        if (!m_dir) {
            m_failed = !IsAbsent(errno, folder);
            return false;
        }
        return FindNext(first);
    }

    bool FindNext(DirectoryEntry& entry) override {
        errno = 0;
        const dirent* next = readdir(m_dir.get());
        if (!next) {
            m_failed = errno != 0;  // readdir keeps errno at the end of the listing
            return false;
        }
        entry.cFileName = next->d_name;
        entry.dwFileAttributes = AttributesOf(m_dir.get(), next->d_name);
        return true;
    }

    bool Failed() const override { return m_failed; }

private:
    // Windows calls a folder absent when it, or a folder on its way, is missing or
    // is a file on the way; a name that is itself a file cannot be listed.
    static bool IsAbsent(int error, const std::string& folder) {
        if (error == ENOENT) return true;
        if (error != ENOTDIR) return false;
        struct stat st {};
        std::string name = folder.substr(0, folder.find_last_not_of('/') + 1);
        return stat(name.c_str(), &st) != 0;
    }

    std::unique_ptr<DIR, int (*)(DIR*)> m_dir{nullptr, closedir};
    bool m_failed = false;
};

class PosixInstallSystem : public InstallSystem {
public:
    std::unique_ptr<Hold> HoldFolder(const char* folder) override {
        std::unique_ptr<Hold> held;
        tw::OpenFolderAsItself(folder, held);
        return held;
    }

    std::unique_ptr<Hold> HoldCopy(const char* installed, const char* original) override {
        return tw::HeldCopy::Open(installed, original);
    }

    bool CreateFolder(const char* path) override {
        return mkdir(tw::ToPosixPath(path).c_str(), 0777) == 0;
    }

    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override {
        auto search = std::make_unique<PosixFileSearch>();
        if (search->Open(pattern, first)) return {std::move(search)};
        return {nullptr, search->Failed()};
    }

    // Nothing on the host depends on the pause's length.
    void SleepOneMillisecond() override {}

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
    void RemoveFolder(const char* folder) override { tw::RemoveEmptyFolder(folder); }

    // No tool is started on the host: the starts and the wait are Win32's, tested
    // under Wine; the engine's handling of them is tested on fakes.
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest&) override {
        return nullptr;
    }
    void WaitForAnyTool(const std::vector<StartedTool*>&, std::chrono::milliseconds) override {}
    std::chrono::milliseconds Now() override { return {}; }

    // Rights are Win32's: the host takes every folder as locked already and every
    // file as an administrator's. The rule is tested on fakes, the platform's
    // calls under Wine.
    tw::FolderSecuring SecureFolder(const char*) override { return {}; }
    tw::UntrustedFiles FindUntrustedFiles(const char*) override { return {}; }

private:
    tw::StagedFiles m_staged;
};

}  // namespace

InstallSystem& PlatformInstallSystem() {
    static PosixInstallSystem system;
    return system;
}
