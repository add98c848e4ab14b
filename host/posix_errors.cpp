#include "host/posix_errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace tw {

namespace {

bool ParentFolderExists(const char* path) {
    std::string parent(path);
    size_t slash = parent.find_last_of('/');
    if (slash == std::string::npos) return true;
    parent.resize(slash == 0 ? 1 : slash);
    struct stat st {};
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

long Win32ErrorFromErrno(int error, const char* path) {
    switch (error) {
        case ENOENT:
            return (path && !ParentFolderExists(path)) ? kErrorPathNotFound : kErrorFileNotFound;
        case ENOTDIR:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
            return kErrorAccessDenied;
        case EEXIST:
            return kErrorFileExists;
        case EROFS:
            return kErrorWriteProtect;
        case EMFILE:
        case ENFILE:
            return kErrorTooManyOpenFiles;
        case ENOSPC:
        case EDQUOT:
            return kErrorDiskFull;
        case ENAMETOOLONG:
            return kErrorFilenameTooLong;
        case EBUSY:
        case ETXTBSY:
            return kErrorSharingViolation;
        default:
            return kErrorIoDevice;
    }
}

}  // namespace tw
