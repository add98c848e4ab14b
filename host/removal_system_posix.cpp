// The removal system on the host, imitating Win32's: folders and files opened
// without following a symbolic link; a file that a CFile of this process holds
// cannot be held for deleting (Windows refuses the sharing); a held file is
// deleted only while its name still leads to the file that was checked. Other
// processes are not kept from writing: POSIX has no sharing modes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/path_rules.h"
#include "host/posix_descriptor.h"
#include "host/open_files.h"
#include "install/platform_folder_rights.h"
#include "uninstall/platform_removal.h"

namespace {

using tw::Descriptor;

class PosixHeldFile : public HeldFile {
public:
    PosixHeldFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}

    bool Read(unsigned char* buffer, std::size_t size, std::size_t& got) override {
        ssize_t count;
        do count = read(m_fd.Get(), buffer, size);
        while (count < 0 && errno == EINTR);
        if (count < 0) return false;
        got = static_cast<std::size_t>(count);
        return true;
    }

    bool Delete() override {
        struct stat held {
        }, named{};
        if (fstat(m_fd.Get(), &held) != 0 || lstat(m_path.c_str(), &named) != 0 ||
            held.st_dev != named.st_dev || held.st_ino != named.st_ino)
            return false;
        return unlink(m_path.c_str()) == 0;
    }

private:
    Descriptor m_fd;
    std::string m_path;
};

class PosixRemovalSystem : public RemovalSystem {
public:
    FolderOpening OpenFolder(const char* folder, std::unique_ptr<HeldFolder>& held) override {
        return tw::OpenFolderAsItself(folder, held);
    }

    FileOpening HoldFile(const char* file, std::unique_ptr<HeldFile>& held) override {
        std::string path = tw::ToPosixPath(file);
        int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return errno == ENOENT ? FileOpening::missing : FileOpening::failed;
        struct stat st {};
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || tw::IsHeldOpen(st)) {
            close(fd);
            return FileOpening::failed;
        }
        held = std::make_unique<PosixHeldFile>(fd, path);
        return FileOpening::held;
    }

    bool RemoveEmptyFolder(const char* folder) override {
        std::string path = tw::ToPosixPath(tw::WithoutTrailingSeparator(folder));
        return rmdir(path.c_str()) == 0;
    }

    bool IsLocked(const char* folder) override {
        tw::FolderRights rights;
        return tw::ReadPlatformFolderRights(folder, rights) == 0 && !tw::NeedsLocking(rights);
    }

    tw::UntrustedFiles FindUntrustedFiles(const char* folder) override {
        return tw::FindPlatformUntrustedFiles(folder);
    }
};

}  // namespace

RemovalSystem& PlatformRemovalSystem() {
    static PosixRemovalSystem system;
    return system;
}
