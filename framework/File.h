// CFile: a file of the platform, opened with the framework's open flags.
// Win32: CreateFileA and friends. Host: POSIX calls that answer with the same
// Win32 error codes and honour the sharing modes between the opens of this process.
#pragma once

#include <cstdint>

#include "framework/CString.h"
#include "framework/FileException.h"
#include "framework/afx_types.h"

// What the open flags ask of the platform's CreateFileA.
struct FileOpenRequest {
    DWORD access;        // GENERIC_READ / GENERIC_WRITE bits
    DWORD share;         // FILE_SHARE_READ / FILE_SHARE_WRITE bits
    DWORD disposition;   // OPEN_EXISTING, CREATE_NEW, CREATE_ALWAYS or OPEN_ALWAYS
    bool inheritHandle;  // child processes may inherit the handle
    bool deleteAccess;   // the handle may mark the file for deletion (DELETE)
    bool noFollow;       // a link or other reparse point is refused, never followed
};

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
        // This framework's own: a new file, refused when anything of that name
        // exists, a link included (CreateFileA's CREATE_NEW).
        modeCreateNew = 0x10000,
        // This framework's own: the open may mark the file to be deleted when it
        // is closed (CreateFileA's DELETE access).
        modeDelete = 0x20000,
        // This framework's own: a link or other reparse point in the file's place is
        // opened as itself (FILE_FLAG_OPEN_REPARSE_POINT), never followed, and
        // refused with ERROR_CANT_ACCESS_FILE.
        modeNoFollow = 0x40000,
    };
    enum SeekPosition : unsigned { begin = 0, current = 1, end = 2 };

    // Platform constants, with Win32's values on both builds.
    static constexpr DWORD kGenericRead = 0x80000000u;
    static constexpr DWORD kGenericWrite = 0x40000000u;
    static constexpr DWORD kShareRead = 0x1;
    static constexpr DWORD kShareWrite = 0x2;
    static constexpr DWORD kCreateNew = 1;
    static constexpr DWORD kCreateAlways = 2;
    static constexpr DWORD kOpenExisting = 3;
    static constexpr DWORD kOpenAlways = 4;

    static FileOpenRequest MapOpenFlags(unsigned openFlags);

    CFile() = default;
    // Opens or throws CFileException naming the path as given.
    CFile(const char* fileName, unsigned openFlags);
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    // Closes a file still open, without throwing.
    virtual ~CFile();

    // A failed open returns FALSE and fills *error when given; throws nothing.
    virtual BOOL Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr);
    // Bytes read, 0 at the end of the file; throws on a failed read.
    virtual unsigned Read(void* buffer, unsigned count);
    // Writes all count bytes or throws (diskFull when fewer were stored).
    virtual void Write(const void* buffer, unsigned count);
    // The new position; throws on a failed seek, naming no file ("一未命名文件").
    virtual long Seek(long offset, unsigned from);
    // Closes the file and forgets its path; throws, naming no file, when the
    // platform's close fails.
    virtual void Close();
    // Closes without throwing.
    virtual void Abort();
    // Marks the open file to be deleted when its last handle closes, however the
    // process ends, or clears the mark (Win32: FileDispositionInfo, which needs an
    // open with modeDelete); throws, naming the file, when the platform refuses.
    virtual void SetDeleteOnClose(bool deleteOnClose);

    // Deletes a file; throws CFileException on failure.
    static void Remove(const char* fileName);

    bool IsOpen() const;
#ifdef _WIN32
    // The open file's handle, for a system call the class does not wrap.
    operator HANDLE() const { return m_hFile; }
#endif
    // The full path of the open file, as the platform resolves it.
    const CString& GetFilePath() const { return m_strFileName; }

protected:
#ifdef _WIN32
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
#else
    int m_hFile = -1;
#endif
    BOOL m_bCloseOnDelete = FALSE;
    bool m_bDeleteOnClose = false;  // the mark as last set (the host's imitation acts on it)
    CString m_strFileName;
};
