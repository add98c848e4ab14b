// Host builds: errno values translated to the Win32 error codes that Windows
// would give for the same failure, so the layers above see one set of codes.
#pragma once

namespace tw {

constexpr long kErrorFileNotFound = 2;
constexpr long kErrorPathNotFound = 3;
constexpr long kErrorTooManyOpenFiles = 4;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorWriteProtect = 19;
constexpr long kErrorSharingViolation = 32;
constexpr long kErrorFileExists = 80;
constexpr long kErrorDiskFull = 112;
constexpr long kErrorFilenameTooLong = 206;
constexpr long kErrorIoDevice = 1117;

// path, when given, tells a missing file (2) from a missing folder on the way (3).
long Win32ErrorFromErrno(int error, const char* path = nullptr);

}  // namespace tw
