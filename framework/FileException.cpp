#include "framework/FileException.h"

#include "framework/afx_texts.h"

namespace {

// Win32 error codes the file layer meets.
struct CodeCause {
    long code;
    int cause;
};
constexpr CodeCause kCodeCauses[] = {
    {2, CFileException::fileNotFound},       // ERROR_FILE_NOT_FOUND
    {3, CFileException::badPath},            // ERROR_PATH_NOT_FOUND
    {4, CFileException::tooManyOpenFiles},   // ERROR_TOO_MANY_OPEN_FILES
    {5, CFileException::accessDenied},       // ERROR_ACCESS_DENIED
    {6, CFileException::invalidFile},        // ERROR_INVALID_HANDLE
    {15, CFileException::badPath},           // ERROR_INVALID_DRIVE
    {16, CFileException::removeCurrentDir},  // ERROR_CURRENT_DIRECTORY
    {19, CFileException::accessDenied},      // ERROR_WRITE_PROTECT
    {21, CFileException::hardIO},            // ERROR_NOT_READY
    {23, CFileException::hardIO},            // ERROR_CRC
    {25, CFileException::badSeek},           // ERROR_SEEK
    {29, CFileException::hardIO},            // ERROR_WRITE_FAULT
    {30, CFileException::hardIO},            // ERROR_READ_FAULT
    {31, CFileException::hardIO},            // ERROR_GEN_FAILURE
    {32, CFileException::sharingViolation},  // ERROR_SHARING_VIOLATION
    {33, CFileException::lockViolation},     // ERROR_LOCK_VIOLATION
    {36, CFileException::tooManyOpenFiles},  // ERROR_SHARING_BUFFER_EXCEEDED
    {38, CFileException::endOfFile},         // ERROR_HANDLE_EOF
    {39, CFileException::diskFull},          // ERROR_HANDLE_DISK_FULL
    {53, CFileException::badPath},           // ERROR_BAD_NETPATH
    {67, CFileException::badPath},           // ERROR_BAD_NET_NAME
    {80, CFileException::accessDenied},      // ERROR_FILE_EXISTS
    {82, CFileException::directoryFull},     // ERROR_CANNOT_MAKE
    {112, CFileException::diskFull},         // ERROR_DISK_FULL
    {123, CFileException::badPath},          // ERROR_INVALID_NAME
    {161, CFileException::badPath},          // ERROR_BAD_PATHNAME
    {206, CFileException::badPath},          // ERROR_FILENAME_EXCED_RANGE
    {1117, CFileException::hardIO},          // ERROR_IO_DEVICE
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
