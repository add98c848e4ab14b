// The replacement steps on the host, answering as Windows does: a destination that
// is a folder, has no write permission or is held open by a CFile of this process
// is not replaced (ERROR_ACCESS_DENIED), whoever runs the program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "common/path_rules.h"
#include "framework/File.h"
#include "host/open_files.h"
#include "host/posix_errors.h"
#include "install/replace_file.h"

namespace tw {

unsigned TemporaryNameSeed() { return static_cast<unsigned>(getpid()) * 7919u; }

long ReplaceWithTemporary(const char* temporary, const char* destination) {
    std::string source = ToPosixPath(temporary);
    std::string target = ToPosixPath(destination);
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

bool DeleteNowOrAtRestart(const char* path) {
    DeleteCreatedFile(path);
    return false;
}

long ReplaceAtRestart(const char*, const char*) { return kErrorAccessDenied; }

// A file system without the one-step rename that keeps a taken name takes a link
// and drops the old name, which also never replaces anything.
long RenameToFreeName(const char* from, const char* to) {
    std::string source = ToPosixPath(from);
    std::string target = ToPosixPath(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno == EEXIST) return kErrorAlreadyExists;
    if (errno != EINVAL && errno != ENOSYS) return Win32ErrorFromErrno(errno, source.c_str());
    if (::link(source.c_str(), target.c_str()) != 0)
        return errno == EEXIST ? kErrorAlreadyExists : Win32ErrorFromErrno(errno, source.c_str());
    ::unlink(source.c_str());
    return 0;
}

long RenameOpenFile(CFile& file, const char* to) {
    return RenameToFreeName(file.GetFilePath().GetString(), to);
}

long CheckReplaceable(const char* destination) {
    struct stat st {};
    if (lstat(ToPosixPath(destination).c_str(), &st) != 0)
        return errno == ENOENT ? kErrorFileNotFound : Win32ErrorFromErrno(errno, destination);
    const bool readOnly = !S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0;
    if (S_ISDIR(st.st_mode) || readOnly || IsHeldOpen(st)) return kErrorAccessDenied;
    return 0;
}

void RemoveEmptyFolder(const char* path) { ::rmdir(ToPosixPath(path).c_str()); }

}  // namespace tw
