// The host's folder hold: O_NOFOLLOW refuses a link as the last name (trailing
// "/"s are dropped first, since with one the link would be followed) and
// O_DIRECTORY anything but a folder. POSIX cannot keep a held folder from being
// renamed; the descriptor still names the folder that was opened.
#include "install/folder_hold.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/path_rules.h"

namespace tw {

namespace {

class PosixFolderHold : public Hold {
public:
    explicit PosixFolderHold(int fd) : m_fd(fd) {}
    ~PosixFolderHold() override { ::close(m_fd); }
    PosixFolderHold(const PosixFolderHold&) = delete;
    PosixFolderHold& operator=(const PosixFolderHold&) = delete;
    std::optional<FolderIdentity> Identity() const override {
        struct stat st {};
        if (fstat(m_fd, &st) != 0) return std::nullopt;
        return FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                              static_cast<std::uint64_t>(st.st_ino)};
    }

private:
    int m_fd;
};

bool IsLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

FolderOpening OpenFolderAsItself(const char* folder, std::unique_ptr<Hold>& held) {
    std::string path = ToPosixPath(folder);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return FolderOpening::missing;
        return IsLink(path) ? FolderOpening::link : FolderOpening::failed;
    }
    held = std::make_unique<PosixFolderHold>(fd);
    return FolderOpening::held;
}

}  // namespace tw
