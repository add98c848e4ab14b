#include "uninstall/keep_for_removal.h"

#include <map>
#include <set>
#include <string>

#include "common/package_names.h"
#include "common/path_rules.h"
#include "uninstall/installed_list.h"

namespace tw {

namespace {

// The role of each file, by its path's key: the tool, the DLLs registered, and
// those whose tool started but did not end with 0 (exited otherwise, or still
// running at the end of the wait), which may be registered all the same.
class Roles {
public:
    Roles(const InstalledRun& run, const std::string& appDir)
        : m_tool(PathKey(Joined(appDir, kToolName))) {
        for (const Registration& registration : run.summary->registrations)
            if (registration.Started())
                (registration.Succeeded() ? m_registered : m_inDoubt)
                    .insert(PathKey(appDir + registration.dll));
    }

    FileRole Of(const std::string& key) const {
        if (key == m_tool) return FileRole::tool;
        if (m_registered.count(key)) return FileRole::dll;
        return m_inDoubt.count(key) ? FileRole::dllInDoubt : FileRole::file;
    }

private:
    std::string m_tool;
    std::set<std::string> m_registered;
    std::set<std::string> m_inDoubt;
};

// This run's part of the list; failed collects the files whose copy gave no
// digest (they are left out: they cannot be checked before removal).
InstalledList ListOfRun(const InstalledRun& run, std::vector<std::string>& failed) {
    InstalledList list;
    // One path for A: the one every copy and start went by.
    const std::string& worked = run.summary->appFolder.path;
    const std::string appDir = worked.empty() ? run.appDir : worked;
    list.appDirs.push_back(appDir);
    if (!SamePath(appDir, run.appDir)) list.givenDirs.push_back(run.appDir);
    for (const HeldDestination* folder : {&run.summary->appFolder, &run.summary->driverFolder})
        if (folder->identity)
            list.folders.push_back({folder->path, *folder->identity, folder->locked});
    list.recordPaths.push_back(run.recordPath);
    // A destination copied twice keeps its first place and the later copy's bytes.
    std::map<std::string, std::size_t> lastCopy;
    std::vector<std::string> order;  // each key once, at its first copy
    for (std::size_t i = 0; i < run.copied.size(); ++i) {
        auto [known, first] = lastCopy.emplace(PathKey(run.copied[i].path), i);
        if (first)
            order.push_back(known->first);
        else
            known->second = i;
    }
    const Roles roles(run, appDir);
    for (const std::string& key : order) {
        const CopiedFile& copy = run.copied[lastCopy.find(key)->second];
        if (!copy.written) {
            failed.push_back(copy.path);
            continue;
        }
        list.files.push_back({copy.path, copy.written->digest, copy.written->size, roles.Of(key)});
    }
    return list;
}

}  // namespace

KeptList KeepListForRemoval(const InstalledRun& run, RemovalStore& store) {
    KeptList kept;
    InstalledList list = ListOfRun(run, kept.failed);

    std::string earlierBytes;
    const ListReading reading = store.ReadList(earlierBytes);
    std::optional<InstalledList> earlier;
    if (reading == ListReading::read) earlier = ParseInstalledList(earlierBytes);
    if (earlier) list = MergeInstalledLists(*earlier, list);
    // A list that cannot be read or parsed is never written over.
    std::optional<std::string> bytes;
    if (reading == ListReading::absent || earlier) bytes = FormatInstalledList(list);
    if (!bytes || !store.WriteList(*bytes)) {
        kept.failed.push_back(store.ListPath());
        return kept;
    }
    std::uint64_t total = 0;
    for (const ListedFile& file : list.files) total += file.size;
    kept.listedBytes = total;
    return kept;
}

std::vector<std::string> KeepEntryForRemoval(const InstalledRun& run, std::uint64_t listedBytes,
                                             RemovalStore& store) {
    // Without the copy the entry would offer a removal that cannot start.
    if (!store.CopyInstaller()) return {store.CopyPath()};
    if (!store.WriteEntry(
            MakeUninstallEntry(run.displayName, store.CopyPath(), run.appDir, listedBytes)))
        return {store.EntryName()};
    return {};
}

}  // namespace tw
