// The Win32 error codes that the portable code names: the file layer's table of
// causes, the block copy's own failures, and the host's imitation of the calls
// behind them. The values are Windows' own, so a code logged on the host reads
// the same as one logged on Windows.
#pragma once

namespace tw {

constexpr long kErrorFileNotFound = 2;
constexpr long kErrorPathNotFound = 3;
constexpr long kErrorTooManyOpenFiles = 4;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorInvalidDrive = 15;
constexpr long kErrorCurrentDirectory = 16;
constexpr long kErrorWriteProtect = 19;
constexpr long kErrorNotReady = 21;
constexpr long kErrorCrc = 23;
constexpr long kErrorSeek = 25;
constexpr long kErrorWriteFault = 29;
constexpr long kErrorReadFault = 30;
constexpr long kErrorGenFailure = 31;
constexpr long kErrorSharingViolation = 32;
constexpr long kErrorLockViolation = 33;
constexpr long kErrorSharingBufferExceeded = 36;
constexpr long kErrorHandleEof = 38;
constexpr long kErrorHandleDiskFull = 39;
constexpr long kErrorBadNetPath = 53;
constexpr long kErrorBadNetName = 67;
constexpr long kErrorFileExists = 80;
constexpr long kErrorCannotMake = 82;
constexpr long kErrorDiskFull = 112;
constexpr long kErrorInvalidName = 123;
constexpr long kErrorBadPathName = 161;
constexpr long kErrorAlreadyExists = 183;
constexpr long kErrorFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
constexpr long kErrorIoDevice = 1117;
constexpr long kErrorCantAccessFile = 1920;  // a link refused by modeNoFollow

// Nothing there: the file, or a folder on its way, is missing.
constexpr bool IsMissing(long code) {
    return code == kErrorFileNotFound || code == kErrorPathNotFound;
}

// A rename that never replaces found its new name taken.
constexpr bool IsNameTaken(long code) {
    return code == kErrorFileExists || code == kErrorAlreadyExists;
}

}  // namespace tw
