#include "framework/FileException.h"

#include "common/win32_error_codes.h"
#include "framework/afx_texts.h"

namespace {

// Win32 error codes the file layer meets.
struct CodeCause {
    long code;
    int cause;
};
constexpr CodeCause kCodeCauses[] = {
    {tw::kErrorFileNotFound, CFileException::fileNotFound},
    {tw::kErrorPathNotFound, CFileException::badPath},
    {tw::kErrorTooManyOpenFiles, CFileException::tooManyOpenFiles},
    {tw::kErrorAccessDenied, CFileException::accessDenied},
    {tw::kErrorInvalidHandle, CFileException::invalidFile},
    {tw::kErrorInvalidDrive, CFileException::badPath},
    {tw::kErrorCurrentDirectory, CFileException::removeCurrentDir},
    {tw::kErrorWriteProtect, CFileException::accessDenied},
    {tw::kErrorNotReady, CFileException::hardIO},
    {tw::kErrorCrc, CFileException::hardIO},
    {tw::kErrorSeek, CFileException::badSeek},
    {tw::kErrorWriteFault, CFileException::hardIO},
    {tw::kErrorReadFault, CFileException::hardIO},
    {tw::kErrorGenFailure, CFileException::hardIO},
    {tw::kErrorSharingViolation, CFileException::sharingViolation},
    {tw::kErrorLockViolation, CFileException::lockViolation},
    {tw::kErrorSharingBufferExceeded, CFileException::tooManyOpenFiles},
    {tw::kErrorHandleEof, CFileException::endOfFile},
    {tw::kErrorHandleDiskFull, CFileException::diskFull},
    {tw::kErrorBadNetPath, CFileException::badPath},
    {tw::kErrorBadNetName, CFileException::badPath},
    {tw::kErrorFileExists, CFileException::accessDenied},
    {tw::kErrorCannotMake, CFileException::directoryFull},
    {tw::kErrorDiskFull, CFileException::diskFull},
    {tw::kErrorInvalidName, CFileException::badPath},
    {tw::kErrorBadPathName, CFileException::badPath},
    {tw::kErrorFilenameTooLong, CFileException::badPath},
    {tw::kErrorIoDevice, CFileException::hardIO},
};

// Indexed by cause, genericException to endOfFile.
constexpr const char* kErrorTexts[] = {
    AFX_TEXT_FILE_GENERIC,
    AFX_TEXT_FILE_NOT_FOUND,
    AFX_TEXT_FILE_BAD_PATH,
    AFX_TEXT_FILE_TOO_MANY_OPEN,
    AFX_TEXT_FILE_ACCESS_DENIED,
    AFX_TEXT_FILE_INVALID,
    AFX_TEXT_FILE_REMOVE_CURRENT_DIR,
    AFX_TEXT_FILE_DIRECTORY_FULL,
    AFX_TEXT_FILE_BAD_SEEK,
    AFX_TEXT_FILE_HARD_IO,
    AFX_TEXT_FILE_SHARING_VIOLATION,
    AFX_TEXT_FILE_LOCK_VIOLATION,
    AFX_TEXT_FILE_DISK_FULL,
    AFX_TEXT_FILE_END_OF_FILE,
};
static_assert(sizeof(kErrorTexts) / sizeof(kErrorTexts[0]) == CFileException::endOfFile);

}  // namespace

int CFileException::OsErrorToException(long osError) {
    for (const CodeCause& entry : kCodeCauses)
        if (entry.code == osError) return entry.cause;
    return genericException;
}

void CFileException::ThrowOsError(long osError, const char* fileName) {
    throw CFileException(OsErrorToException(osError), osError, fileName);
}

void CFileException::Throw(int cause, long osError, const char* fileName) {
    throw CFileException(cause, osError, fileName);
}

const char* CFileException::GetErrorText() const {
    int cause = (m_cause >= genericException && m_cause <= endOfFile) ? m_cause : genericException;
    return kErrorTexts[cause - genericException];
}

CString CFileException::GetErrorMessage() const {
    const char* name = m_strFileName.IsEmpty() ? AFX_TEXT_UNNAMED_FILE : m_strFileName.GetString();
    return AfxFormatString1(GetErrorText(), name);
}
