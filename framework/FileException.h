// CFileException: the file layer's failure, with its cause, the platform error
// code and the name of the file concerned. The report text lives here too.
#pragma once

#include "framework/CString.h"

class CException {
public:
    virtual ~CException() = default;
};

class CFileException : public CException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    explicit CFileException(int cause = none, long osError = -1, const char* fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

    // The cause that a Win32 error code stands for; genericException when it has none.
    static int OsErrorToException(long osError);
    [[noreturn]] static void ThrowOsError(long osError, const char* fileName = nullptr);
    [[noreturn]] static void Throw(int cause, long osError, const char* fileName = nullptr);

    // The text shown to the user: the cause's file-error text with %1 replaced by
    // the file name, or by the name of an unnamed file when there is none.
    CString GetErrorMessage() const;
    // The cause's file-error text, with "%1" where the file's name goes.
    const char* GetErrorText() const;

    int m_cause;
    long m_lOsError;
    CString m_strFileName;
};
