#include "uninstall/keep_for_removal.h"

#include <string>
#include <set>

#include "common/path_rules.h"
#include "framework/File.h"
#include "uninstall/installed_list.h"

namespace tw {

namespace {

// The role of each file, by its path's key: the tool, the DLLs registered.
class Roles {
public:
    explicit Roles(const InstalledRun& run) : m_tool(PathKey(run.appDir + "regsvr32.exe")) {
        for (const Registration& registration : run.summary->registrations)
            if (registration.Succeeded()) m_dlls.insert(PathKey(run.appDir + registration.dll));
    }

    FileRole Of(const std::string& key) const {
        if (key == m_tool) return FileRole::tool;
        return m_dlls.count(key) ? FileRole::dll : FileRole::file;
    }

private:
    std::string m_tool;
    std::set<std::string> m_dlls;
};

// This run's part of the list; failed collects the files whose digest could not
// be taken (they are left out: they cannot be checked before removal).
InstalledList ListOfRun(const InstalledRun& run, const FileDigestFunction& digestOf,
                        std::vector<std::string>& failed) {
    InstalledList list;
    list.appDirs.push_back(run.appDir);
    list.recordPaths.push_back(run.recordPath);
    const Roles roles(run);
    std::set<std::string> seen;
    for (const std::string& path : run.copied) {
        // A destination copied twice keeps the later copy's bytes: its digest is
        // taken once, after the engine has finished.
        auto [key, first] = seen.insert(PathKey(path));
        if (!first) continue;
        std::optional<FileDigest> digest = digestOf(path.c_str());
        if (!digest) {
            failed.push_back(path);
            continue;
        }
        list.files.push_back({path, digest->digest, digest->size, roles.Of(*key)});
    }
    return list;
}

}  // namespace

std::optional<FileDigest> DigestOfFile(const char* path) {
    try {
        CFile file(path, CFile::modeRead | CFile::shareDenyWrite | CFile::modeNoInherit |
                             CFile::typeBinary);
        Sha256 hash;
        FileDigest result;
        std::vector<unsigned char> block(64 * 1024);
        for (;;) {
            unsigned got = file.Read(block.data(), static_cast<unsigned>(block.size()));
            if (got == 0) break;
            if (!hash.Update(block.data(), got)) return std::nullopt;
            result.size += got;
        }
        std::optional<Sha256Digest> digest = hash.Finish();
        if (!digest) return std::nullopt;
        result.digest = *digest;
        return result;
    } catch (const CFileException&) {
        return std::nullopt;
    }
}

std::vector<std::string> KeepForRemoval(const InstalledRun& run, RemovalStore& store,
                                        const FileDigestFunction& digestOf) {
    std::vector<std::string> failed;
    InstalledList list = ListOfRun(run, digestOf, failed);

    std::string earlierBytes;
    switch (store.ReadList(earlierBytes)) {
        case ListReading::failed:
            failed.push_back(store.ListPath());
            return failed;
        case ListReading::read: {
            std::optional<InstalledList> earlier = ParseInstalledList(earlierBytes);
            if (!earlier) {
                failed.push_back(store.ListPath());
                return failed;
            }
            list = MergeInstalledLists(*earlier, list);
            break;
        }
        case ListReading::absent:
            break;
    }
    std::optional<std::string> bytes = FormatInstalledList(list);
    if (!bytes || !store.WriteList(*bytes)) {
        failed.push_back(store.ListPath());
        return failed;
    }
    // Without the copy the entry would offer a removal that cannot start.
    if (!store.CopyInstaller()) {
        failed.push_back(store.CopyPath());
        return failed;
    }
    std::uint64_t total = 0;
    for (const ListedFile& file : list.files) total += file.size;
    if (!store.WriteEntry(MakeUninstallEntry(run.displayName, store.CopyPath(), run.appDir, total)))
        failed.push_back(store.EntryName());
    return failed;
}

}  // namespace tw
