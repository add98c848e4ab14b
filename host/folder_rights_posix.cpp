// The host's imitation of folder rights: a Unix owner is the SID S-1-22-1-<uid>
// (root is the system, and the user running the program stands for the
// administrators an installation runs as on Windows), the group S-1-22-2-<gid>,
// the others Everyone; the mode bits give each its entry. Locking takes the write
// bits from group and others; the owner stays, since only root may give a folder
// away.
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "host/posix_descriptor.h"
#include "host/posix_errors.h"
#include "install/platform_folder_rights.h"

namespace tw {

namespace {

constexpr std::uint32_t kReadAndExecute = 0x001200A9u;
constexpr std::uint32_t kWriteRights = 0x00000002u | 0x00000004u | 0x00000040u | 0x00010000u;

std::string UserSid(uid_t uid) {
    if (uid == 0) return std::string(kLocalSystemSid);
    if (uid == geteuid()) return std::string(kAdministratorsSid);
    return "S-1-22-1-" + std::to_string(uid);
}

std::uint32_t MaskOf(mode_t bits) {  // bits: the three of one class, as 07
    std::uint32_t mask = 0;
    if (bits & 05) mask |= kReadAndExecute;
    if (bits & 02) mask |= kWriteRights;
    return mask;
}

std::uint32_t LastError() { return static_cast<std::uint32_t>(Win32ErrorFromErrno(errno)); }

class PosixFolderRights : public FolderRightsAccess {
public:
    explicit PosixFolderRights(int fd) : m_fd(fd) {}

    std::uint32_t Read(FolderRights& rights) override {
        struct stat st {};
        if (fstat(m_fd, &st) != 0) return LastError();
        rights.owner = UserSid(st.st_uid);
        rights.hasDacl = true;
        rights.entries.clear();
        using Kind = AccessEntry::Kind;
        const std::uint8_t inherited = kObjectInherit | kContainerInherit;
        rights.entries.push_back({Kind::allow, rights.owner, MaskOf((st.st_mode >> 6) & 07), 0});
        rights.entries.push_back({Kind::allow, "S-1-22-2-" + std::to_string(st.st_gid),
                                  MaskOf((st.st_mode >> 3) & 07), inherited});
        rights.entries.push_back(
            {Kind::allow, std::string(kEveryoneSid), MaskOf(st.st_mode & 07), inherited});
        return 0;
    }

    std::uint32_t Lock() override {
        struct stat st {};
        if (fstat(m_fd, &st) != 0) return LastError();
        if (fchmod(m_fd, st.st_mode & 07755) != 0) return LastError();
        return 0;
    }

private:
    int m_fd;
};

int OpenFolder(const char* folder) {
    // With a separator at its end, the last name would be followed when a link.
    std::string path = ToPosixPath(folder);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

}  // namespace

FolderSecuring SecurePlatformFolder(const char* folder) {
    Descriptor fd(OpenFolder(folder));
    if (fd.Get() < 0) return {FolderSecuring::Result::failed, LastError()};
    PosixFolderRights rights(fd.Get());
    return SecureFolderRights(rights);
}

std::uint32_t ReadPlatformFolderRights(const char* folder, FolderRights& rights) {
    Descriptor fd(OpenFolder(folder));
    if (fd.Get() < 0) return LastError();
    return PosixFolderRights(fd.Get()).Read(rights);
}

UntrustedFiles FindPlatformUntrustedFiles(const char* folder) {
    UntrustedFiles found;
    int fd = OpenFolder(folder);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (!dir) {
        found.unreadable = true;
        found.error = LastError();
        if (fd >= 0) close(fd);
        return found;
    }
    std::vector<OwnedEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (!entry) break;
        // An entry that cannot be examined has no owner anybody trusts.
        struct stat st {};
        bool examined = fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;
        entries.push_back({entry->d_name, examined ? UserSid(st.st_uid) : std::string()});
    }
    if (errno != 0) {
        found.unreadable = true;
        found.error = LastError();
    }
    closedir(dir);
    found.names = UntrustedEntries(entries);
    return found;
}

}  // namespace tw
