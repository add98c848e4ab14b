#include "host/posix_errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <utility>

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
    if (error == ENOENT)
        return (path && !ParentFolderExists(path)) ? kErrorPathNotFound : kErrorFileNotFound;
    static constexpr std::pair<int, long> kCodes[] = {
        {ENOTDIR, kErrorPathNotFound},
        {EACCES, kErrorAccessDenied},
        {EPERM, kErrorAccessDenied},
        {EISDIR, kErrorAccessDenied},
        {EEXIST, kErrorFileExists},
        {EROFS, kErrorWriteProtect},
        {EMFILE, kErrorTooManyOpenFiles},
        {ENFILE, kErrorTooManyOpenFiles},
        {ENOSPC, kErrorDiskFull},
        {EDQUOT, kErrorDiskFull},
        {ENAMETOOLONG, kErrorFilenameTooLong},
        {EBUSY, kErrorSharingViolation},
        {ETXTBSY, kErrorSharingViolation},
    };
    for (const auto& [known, code] : kCodes)
        if (known == error) return code;
    return kErrorIoDevice;
}

}  // namespace tw
