// The replacement steps on the host, answering as Windows does: a destination that
// is a folder, has no write permission or is held open by a CFile of this process
// is not replaced (ERROR_ACCESS_DENIED), whoever runs the program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "common/path_rules.h"
#include "host/open_files.h"
#include "host/posix_errors.h"
#include "install/replace_file.h"

namespace tw {

namespace {

// Names are tried in turn from a start that differs between processes.
unsigned NextNumber() {
    static std::atomic<unsigned> next{static_cast<unsigned>(getpid()) * 7919u};
    return next++ & 0xFFFFu;
}

}  // namespace

long CreateTemporaryBeside(std::string_view folder, PathBuffer& temporary) {
    for (unsigned attempt = 0; attempt <= 0xFFFFu; ++attempt) {
        char name[16];
        std::snprintf(name, sizeof(name), "tw%04X.tmp", NextNumber());
        if (!temporary.Compose({folder, name})) return kErrorFilenameTooLong;
        std::string path = ToPosixPath(temporary.view());
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return 0;
        }
        // GetTempFileNameA's answer for a missing folder.
        if (errno == ENOENT || errno == ENOTDIR) return kErrorDirectory;
        if (errno != EEXIST) return Win32ErrorFromErrno(errno, path.c_str());
    }
    return kErrorFileExists;
}

long ReplaceWithTemporary(const char* temporary, const char* destination) {
    std::string source = ToPosixPath(temporary);
    std::string target = ToPosixPath(destination);
    // Where no destination exists there is nothing to refuse: one step that takes
    // the name only while it is free. A file system that cannot do that, or a name
    // that is taken, goes through the checks below.
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EEXIST && errno != EINVAL && errno != ENOSYS)
        return Win32ErrorFromErrno(errno, target.c_str());
    struct stat st {};
    if (lstat(target.c_str(), &st) == 0) {
        bool readOnly = !S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0;
        if (S_ISDIR(st.st_mode) || readOnly || IsHeldOpen(st)) return kErrorAccessDenied;
    }
    if (::rename(source.c_str(), target.c_str()) != 0)
        return Win32ErrorFromErrno(errno, target.c_str());
    return 0;
}

void DeleteCreatedFile(const char* path) { ::unlink(ToPosixPath(path).c_str()); }

}  // namespace tw
