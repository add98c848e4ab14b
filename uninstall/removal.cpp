#include "uninstall/removal.h"

#include <algorithm>
#include <set>
#include <utility>

#include "common/package_names.h"
#include "common/path_rules.h"
#include "config/config_record.h"
#include "install/registration_rules.h"
#include "install/tool_pool.h"

namespace tw {

namespace {

// refused: the file lies in a folder refused, and stays listed without a name.
enum class Check { matches, changed, missing, failed, refused };

// The digest of what file holds from its start, read through the handle.
std::optional<Sha256Digest> DigestOf(HeldFile& file) {
    Sha256 hash;
    std::vector<unsigned char> block(64 * 1024);
    for (;;) {
        std::size_t got = 0;
        if (!file.Read(block.data(), block.size(), got)) return std::nullopt;
        if (got == 0) return hash.Finish();
        if (!hash.Update(block.data(), got)) return std::nullopt;
    }
}

struct Folder {
    std::string path;  // as listed, ending in "\"
    // What every open in the folder goes by: the held folder's own path, so that
    // a link above it pointed elsewhere meanwhile sends nothing there.
    std::string opened;
    FolderOpening opening = FolderOpening::failed;
    std::unique_ptr<HeldFolder> held;
    bool refused = false;  // not the folder installed, or no longer locked
};

// One application directory: the folder itself and its Driver\.
struct AppFolders {
    Folder app;
    Folder driver;
};

// A DLL handed to the tool; the pool holds it until it has gone or stays.
struct Unregistering {
    std::size_t file;    // index in the list
    std::size_t record;  // index in RemovalSummary::unregistrations
    HeldFile* dll;
    std::string listedTool;  // the tool's path as listed
};

class Removal {
public:
    Removal(const InstalledList& list, RemovalSystem& system, InstallSystem& tools,
            RemovalEvents& events)
        : m_list(list),
          m_system(system),
          m_events(events),
          m_handled(list.files.size(), false),
          m_tools(tools, m_summary.unregistrations, events) {}

    RemovalSummary Run() {
        OpenFolders();
        Unregister();
        DeleteFiles();
        RemoveDriverFolders();
        RemoveRecords();
        ListWhatIsLeft();
        return std::move(m_summary);
    }

private:
    // A\Driver is looked at only through a held A: never below a link.
    void OpenFolders() {
        for (const std::string& dir : m_list.appDirs) {
            AppFolders& folders = m_folders.emplace_back();
            folders.app.path = WithTrailingSeparator(dir);
            folders.driver.path = folders.app.path + std::string(kDriverFolder);
            folders.app.opening = Open(folders.app, folders.app.path);
            Verify(folders.app);
            folders.driver.opening =
                folders.app.opening == FolderOpening::held
                    ? Open(folders.driver, folders.app.opened + std::string(kDriverFolder))
                    : folders.app.opening;
            folders.driver.refused = folders.app.refused;
            Verify(folders.driver);
        }
    }

    const ListedFolder* Listed(const std::string& path) const {
        for (const ListedFolder& folder : m_list.folders)
            if (SamePath(folder.path, path)) return &folder;
        return nullptr;
    }

    // A held folder stays only when it is the folder installed and, when it was
    // locked then, locked still. One the list knows nothing of must be locked.
    void Verify(Folder& folder) {
        if (folder.opening != FolderOpening::held) return;
        const ListedFolder* listed = Listed(folder.path);
        if (listed && folder.held->Identity() != listed->identity) {
            Refuse(folder, m_summary.foldersNotInstalled);
        } else if ((!listed || listed->locked) && !m_system.IsLocked(folder.opened.c_str())) {
            Refuse(folder, m_summary.foldersNotLocked);
        }
    }

    void Refuse(Folder& folder, std::vector<std::string>& named) {
        named.push_back(folder.path);
        Fail(folder.path);
        folder.refused = true;
        folder.opening = FolderOpening::failed;
        folder.held.reset();
    }

    FolderOpening Open(Folder& folder, const std::string& path) {
        const FolderOpening opening = m_system.OpenFolder(path.c_str(), folder.held);
        folder.opened = opening == FolderOpening::held && !folder.held->Path().empty()
                            ? folder.held->Path()
                            : path;
        return opening;
    }

    // Where a listed file in a held folder is opened.
    static std::string OpenedPath(const Folder& folder, std::string_view listed) {
        return Joined(folder.opened, listed.substr(FolderPart(listed).size()));
    }

    // The folder that holds path directly; null when no listed folder does.
    const Folder* FolderOf(std::string_view path, const AppFolders** owner = nullptr) const {
        std::string_view parent = FolderPart(path);
        for (const AppFolders& folders : m_folders) {
            if (owner) *owner = &folders;
            if (SamePath(folders.app.path, parent)) return &folders.app;
            if (SamePath(folders.driver.path, parent)) return &folders.driver;
        }
        return nullptr;
    }

    // Holds the listed file and compares its bytes with the digest recorded.
    // A file in a folder that is not held is never opened.
    Check HoldAndCheck(const ListedFile& file, std::unique_ptr<HeldFile>& held) {
        const Folder* folder = FolderOf(file.path);
        if (!folder) return Check::failed;
        if (folder->refused) return Check::refused;
        if (folder->opening == FolderOpening::missing) return Check::missing;
        if (folder->opening != FolderOpening::held) return Check::failed;
        const FileOpening opening = m_system.HoldFile(OpenedPath(*folder, file.path).c_str(), held);
        if (opening != FileOpening::held)
            return opening == FileOpening::missing ? Check::missing : Check::failed;
        std::optional<Sha256Digest> digest = DigestOf(*held);
        if (!digest) return Check::failed;
        return *digest == file.digest ? Check::matches : Check::changed;
    }

    // Counts what a check that did not match means for the file; true when it matched.
    bool Matches(Check check, const std::string& path) {
        if (check == Check::changed) m_summary.changedFiles.push_back(path);
        if (check == Check::failed) Fail(path);
        if (check == Check::refused) m_left.insert(PathKey(path));
        return check == Check::matches;
    }

    // Each path once, looked up by its key: thousands of failures cost no more
    // than thousands of removals.
    void Fail(const std::string& path) {
        if (m_left.insert(PathKey(path)).second) m_summary.failedFiles.push_back(path);
    }

    // A registered DLL whose file is gone: its registration cannot be undone by
    // anyone, so nothing waits for it (not its tool, not the list).
    void NotUnregistered(const std::string& path) {
        if (m_gone.insert(PathKey(path)).second) m_summary.notUnregistered.push_back(path);
    }

    // A DLL that may still be registered fails and stays, and so does its tool, for
    // another removal.
    void KeepRegistered(const std::string& dll, const std::string& tool) {
        Fail(dll);
        m_toolsKept.insert(PathKey(tool));
    }

    void DeleteHeld(HeldFile& file, const std::string& path) {
        if (file.Delete())
            ++m_summary.filesRemoved;
        else
            Fail(path);
    }

    // The tool listed for the DLL's application directory, held and checked: null
    // when there is none or it has changed. Each tool is checked once; it stays
    // held until every tool has ended.
    HeldFile* ToolFor(const AppFolders& folders) {
        const std::string toolPath = folders.app.path + std::string(kToolName);
        for (auto& [path, held] : m_heldTools)
            if (SamePath(path, toolPath)) return held.get();
        std::unique_ptr<HeldFile> held;
        auto listed = std::find_if(m_list.files.begin(), m_list.files.end(), [&](const auto& f) {
            return f.role == FileRole::tool && SamePath(f.path, toolPath);
        });
        if (listed == m_list.files.end() || !FilesTrusted(folders) ||
            HoldAndCheck(*listed, held) != Check::matches)
            held.reset();
        return m_heldTools.emplace_back(toolPath, std::move(held)).second.get();
    }

    // No file in A or A\Driver that no administrator owns: the tool would load
    // one for any DLL that asks for its name.
    bool FilesTrusted(const AppFolders& folders) {
        bool trusted = true;
        for (const Folder* folder : {&folders.app, &folders.driver}) {
            if (folder->opening != FolderOpening::held) continue;
            const UntrustedFiles found = m_system.FindUntrustedFiles(folder->opened.c_str());
            if (found.unreadable) m_summary.untrustedFiles.push_back(folder->path);
            for (const std::string& name : found.names)
                m_summary.untrustedFiles.push_back(folder->path + name);
            trusted = trusted && !found.unreadable && found.names.empty();
        }
        return trusted;
    }

    void Unregister() {
        for (std::size_t i = 0; i < m_list.files.size(); ++i)
            if (IsUnregistered(m_list.files[i].role)) StartUnregistration(i);
        m_tools.WaitForAll();
        for (const Unregistering& running : m_running) {
            const Registration& record = m_summary.unregistrations[running.record];
            const std::string& path = m_list.files[running.file].path;
            // A DLL that may still be registered stays, so that its registration
            // never points at nothing, and so does its tool, for another removal.
            // One whose registration never succeeded goes all the same: its
            // unregistration's end is logged, and is no failure.
            if (record.Succeeded() || m_list.files[running.file].role == FileRole::dllInDoubt) {
                m_events.Deleting(path);
                DeleteHeld(*running.dll, path);
            } else {
                KeepRegistered(path, running.listedTool);
            }
        }
        m_running.clear();
        m_tools.TakeHolds();  // the DLLs are let go, in the order they started, then the tools
        m_heldTools.clear();
    }

    void StartUnregistration(std::size_t index) {
        const ListedFile& file = m_list.files[index];
        m_handled[index] = true;
        const AppFolders* owner = nullptr;
        const Folder* folder = FolderOf(file.path, &owner);
        std::unique_ptr<HeldFile> dll;
        if (!folder || folder != &owner->driver) {
            Fail(file.path);  // only A\Driver's DLLs were ever registered
            return;
        }
        m_events.Unregistering(file.path);
        const std::string toolPath = owner->app.path + std::string(kToolName);
        switch (HoldAndCheck(file, dll)) {
            case Check::matches:
                break;
            case Check::failed:
                KeepRegistered(file.path, toolPath);  // it may be there still
                return;
            case Check::refused:
                m_left.insert(PathKey(file.path));
                m_toolsKept.insert(PathKey(toolPath));
                return;
            case Check::missing:
                NotUnregistered(file.path);
                return;
            case Check::changed:
                // The user's now: never loaded, never deleted, named as a changed file.
                m_summary.changedFiles.push_back(file.path);
                return;
        }
        HeldFile* tool = ToolFor(*owner);
        std::string parameters;
        if (!tool || !FormatUnregistrationParameters(OpenedPath(*folder, file.path), parameters)) {
            // Registered still: a tool refused or changed, once it is back, can undo it.
            KeepRegistered(file.path, toolPath);
            return;
        }
        // The tool and the DLL are started and named by the held folders' own paths.
        const std::size_t record = m_summary.unregistrations.size();
        m_summary.unregistrations.push_back(
            {file.path, Joined(owner->app.opened, kToolName), parameters});
        HeldFile* held = dll.get();
        if (!m_tools.Start(record, owner->app.opened.c_str(), std::move(dll))) {
            KeepRegistered(file.path, toolPath);
            return;
        }
        m_running.push_back({index, record, held, toolPath});
    }

    void DeleteFiles() {
        for (std::size_t i = 0; i < m_list.files.size(); ++i) {
            if (m_handled[i]) continue;
            const ListedFile& file = m_list.files[i];
            m_events.Deleting(file.path);
            std::unique_ptr<HeldFile> held;
            Check check = HoldAndCheck(file, held);
            // A tool still needed stays, unless it is gone already; one changed
            // since is the user's, and named so.
            if (check == Check::matches && file.role == FileRole::tool &&
                m_toolsKept.count(PathKey(file.path)))
                check = Check::failed;
            if (Matches(check, file.path)) DeleteHeld(*held, file.path);
        }
    }

    // Driver\ is let go only now, so that it is never a link while its files go.
    void RemoveDriverFolders() {
        for (AppFolders& folders : m_folders) {
            if (folders.driver.opening != FolderOpening::held) continue;
            folders.driver.held.reset();
            if (m_system.RemoveEmptyFolder(folders.driver.opened.c_str()))
                m_summary.foldersRemoved.push_back(folders.driver.path);
        }
    }

    // Exactly one record, 276 bytes, naming a listed directory: a file with more
    // bytes after the record holds someone's data and stays.
    bool HoldsListedDirectory(HeldFile& record) {
        ConfigRecord bytes{};
        std::size_t filled = 0;
        while (filled < bytes.size()) {
            std::size_t got = 0;
            if (!record.Read(bytes.data() + filled, bytes.size() - filled, got) || got == 0)
                return false;
            filled += got;
        }
        unsigned char after = 0;
        std::size_t got = 0;
        if (!record.Read(&after, 1, got) || got != 0) return false;
        auto names = [&](const std::string& dir) { return BuildConfigRecord(dir) == bytes; };
        return std::any_of(m_list.appDirs.begin(), m_list.appDirs.end(), names) ||
               std::any_of(m_list.givenDirs.begin(), m_list.givenDirs.end(), names);
    }

    // A record names A: while a folder is refused, the installation is still there.
    void RemoveRecords() {
        const bool refused =
            !m_summary.foldersNotInstalled.empty() || !m_summary.foldersNotLocked.empty();
        for (const std::string& path : m_list.recordPaths) {
            if (refused) {
                m_left.insert(PathKey(path));
                continue;
            }
            std::unique_ptr<HeldFile> record;
            FileOpening opening = m_system.HoldFile(path.c_str(), record);
            if (opening == FileOpening::missing) continue;
            if (opening == FileOpening::failed) {
                Fail(path);
            } else if (!HoldsListedDirectory(*record)) {
                m_summary.recordsKept.push_back(path);
            } else if (record->Delete()) {
                m_summary.recordsRemoved.push_back(path);
            } else {
                Fail(path);
            }
        }
    }

    void ListWhatIsLeft() {
        InstalledList& left = m_summary.left;
        left.appDirs = m_list.appDirs;
        left.givenDirs = m_list.givenDirs;
        left.folders = m_list.folders;
        for (const std::string& record : m_list.recordPaths)
            if (m_left.count(PathKey(record))) left.recordPaths.push_back(record);
        for (const ListedFile& file : m_list.files)
            if (m_left.count(PathKey(file.path))) left.files.push_back(ListedFile(file));
    }

    const InstalledList& m_list;
    RemovalSystem& m_system;
    RemovalEvents& m_events;
    std::vector<bool> m_handled;  // DLLs, dealt with before the other files
    std::vector<AppFolders> m_folders;
    std::vector<std::pair<std::string, std::unique_ptr<HeldFile>>> m_heldTools;
    std::vector<Unregistering> m_running;
    std::set<std::string> m_toolsKept;  // keys: a DLL of theirs may still be registered
    std::set<std::string> m_left;       // keys of what failed
    std::set<std::string> m_gone;       // keys of the registered DLLs found gone
    RemovalSummary m_summary;
    ToolPool m_tools;
};

}  // namespace

bool FormatUnregistrationParameters(std::string_view dllPath, std::string& parameters) {
    ToolParameters registering;
    if (!FormatToolParameters(dllPath, registering)) return false;
    parameters = "/u " + std::string(registering.view());
    return true;
}

RemovalSummary RemoveInstalledFiles(const InstalledList& list, RemovalSystem& system,
                                    InstallSystem& tools, RemovalEvents& events) {
    return Removal(list, system, tools, events).Run();
}

RemovalProgress::RemovalProgress(const InstalledList& list, ProgressObserver& observer)
    : m_observer(observer),
      m_steps(list.files.size() +
              static_cast<std::size_t>(std::count_if(
                  list.files.begin(), list.files.end(),
                  [](const ListedFile& file) { return IsUnregistered(file.role); }))) {}

void RemovalProgress::Show(ProgressStep step, const std::string& path) {
    m_observer.Show(step, path, static_cast<int>(m_done * kProgressRange / m_steps));
    ++m_done;
}

}  // namespace tw
