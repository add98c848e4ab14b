// The installation system on the host: POSIX calls that answer as Windows would.
// Paths arrive Windows-style and are turned into POSIX paths here; listings report
// the attribute words Windows gives; the tool is started without a shell, as a
// child process that is waited for with waitpid.
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/path_rules.h"
#include "install/block_copy.h"
#include "install/folder_hold.h"
#include "install/held_copy.h"
#include "install/platform_folder_rights.h"
#include "install/platform_install_system.h"
#include "install/replace_file.h"
#include "install/staged_files.h"

extern char** environ;

namespace {

constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;

// An open directory stream, closed with closedir.
class DirectoryStream {
public:
    DirectoryStream() = default;
    ~DirectoryStream() {
        if (m_dir) closedir(m_dir);
    }
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;
    DIR* Get() const { return m_dir; }
    void Take(DIR* dir) { m_dir = dir; }

private:
    DIR* m_dir = nullptr;
};

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
        m_dir.Take(opendir(folder.c_str()));
        if (!m_dir.Get()) {
            m_failed = !IsAbsent(errno, folder);
            return false;
        }
        return FindNext(first);
    }

    bool FindNext(DirectoryEntry& entry) override {
        errno = 0;
        const dirent* next = readdir(m_dir.Get());
        if (!next) {
            m_failed = errno != 0;  // readdir keeps errno at the end of the listing
            return false;
        }
        entry.cFileName = next->d_name;
        entry.dwFileAttributes = AttributesOf(m_dir.Get(), next->d_name);
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

    DirectoryStream m_dir;
    bool m_failed = false;
};

// The words of a Windows command line: blanks and tabs separate them, double
// quotes group them and are dropped; every other byte is kept as it is.
std::vector<std::string> SplitParameters(std::string_view parameters) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : parameters) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

// posix_spawn's file actions, destroyed with the object.
class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPollInterval{5};

// A started tool: a child process, collected with waitpid. A child still running
// when the object goes is left to run.
class ChildTool : public StartedTool {
public:
    explicit ChildTool(pid_t pid) : m_pid(pid) {}
    ~ChildTool() override {
        if (!m_collected) waitpid(m_pid, nullptr, WNOHANG);
    }
    ChildTool(const ChildTool&) = delete;
    ChildTool& operator=(const ChildTool&) = delete;

    // True once the child has ended, its exit code set, or can no longer be waited
    // for, which leaves the exit code unknown.
    bool Collect() {
        if (m_collected) return true;
        int status = 0;
        pid_t result = waitpid(m_pid, &status, WNOHANG);
        if (result == 0 || (result < 0 && errno == EINTR)) return false;
        m_collected = true;
        if (result == m_pid) exitCode = ExitCodeOf(status);
        return true;
    }

private:
    // A child ended by a signal reports 128 and the signal's number, as a shell does.
    static std::uint32_t ExitCodeOf(int status) {
        if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
        return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
    }

    pid_t m_pid;
    bool m_collected = false;
};

// The tools that have ended are collected; false while none of them has.
bool CollectAny(const std::vector<StartedTool*>& tools) {
    bool any = false;
    for (StartedTool* tool : tools) any = static_cast<ChildTool*>(tool)->Collect() || any;
    return any;
}

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

    void SleepOneMillisecond() override {
        timespec pause{0, 1'000'000};
        nanosleep(&pause, nullptr);
    }

    // Windows starts any file; here a copy keeps the source's permission to run,
    // so a tool installed from the package can be started.
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        tw::CopyOutcome outcome = m_staged.Stage(source, destination);
        if (!outcome) return outcome;
        struct stat st {};
        std::string copy = tw::ToPosixPath(outcome.staged.c_str());
        if (stat(tw::ToPosixPath(source).c_str(), &st) == 0 && (st.st_mode & 0111) != 0) {
            struct stat made {};
            if (stat(copy.c_str(), &made) == 0)
                chmod(copy.c_str(), made.st_mode | (st.st_mode & 0111));
        }
        return outcome;
    }

    long SetAside(const char* destination, std::string& aside) override {
        return m_staged.SetAside(destination, aside);
    }
    long PutInPlace(const char* file, const char* destination) override {
        return m_staged.PutInPlace(file, destination);
    }
    void DiscardFile(const char* path) override { m_staged.DiscardFile(path); }
    void RemoveFolder(const char* folder) override { tw::RemoveEmptyFolder(folder); }

    // The tool runs in the directory given, with the parameters as its arguments.
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override {
        std::string tool = tw::ToPosixPath(request.toolPath);
        std::string directory = tw::ToPosixPath(request.directory);
        // A tool that is not there cannot start, as with the shell on Windows. Asked
        // first, because posix_spawn cannot always report a failed exec (under
        // valgrind it forks, and the failure stays in the child).
        if (access(tool.c_str(), X_OK) != 0) return nullptr;
        std::vector<std::string> words = SplitParameters(request.parameters);
        std::vector<char*> argv{tool.data()};
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);

        SpawnActions actions;
        if (posix_spawn_file_actions_addchdir_np(actions.Get(), directory.c_str()) != 0)
            return nullptr;
        pid_t pid = 0;
        if (posix_spawn(&pid, tool.c_str(), actions.Get(), nullptr, argv.data(), environ) != 0)
            return nullptr;
        return std::make_unique<ChildTool>(pid);
    }

    // Polls the children until one has ended or the time is up.
    void WaitForAnyTool(const std::vector<StartedTool*>& running,
                        std::chrono::milliseconds timeout) override {
        const Clock::time_point deadline = Clock::now() + timeout;
        for (;;) {
            if (CollectAny(running)) return;
            Clock::time_point now = Clock::now();
            if (running.empty() || now >= deadline) return;
            std::this_thread::sleep_for(std::min<Clock::duration>(kPollInterval, deadline - now));
        }
    }

    std::chrono::milliseconds Now() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            Clock::now().time_since_epoch());
    }

    tw::FolderSecuring SecureFolder(const char* folder) override {
        return tw::SecurePlatformFolder(folder);
    }
    tw::UntrustedFiles FindUntrustedFiles(const char* folder) override {
        return tw::FindPlatformUntrustedFiles(folder);
    }

private:
    tw::StagedFiles m_staged;
};

}  // namespace

InstallSystem& PlatformInstallSystem() {
    static PosixInstallSystem system;
    return system;
}
