// CFile on Win32: one CreateFileA per open, errors from GetLastError().
#include "framework/File.h"

#include <optional>
#include <string>

#include "common/win32_attributes.h"
#include "common/win32_error_codes.h"
#include "common/win32_handles.h"

#include "framework/ReadGrowing.h"

bool CFile::IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

BOOL CFile::Open(const char* fileName, unsigned openFlags, CFileException* error) {
    FileOpenRequest request = MapOpenFlags(openFlags);
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, request.inheritHandle};
    tw::FileHandle handle(CreateFileA(
        fileName, request.access | (request.deleteAccess ? DELETE : 0), request.share, &security,
        request.disposition,
        FILE_ATTRIBUTE_NORMAL | (request.noFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr));
    // Opened as itself, a link is refused here, before anything reads through it.
    if (handle.IsValid() && request.noFollow) {
        std::optional<DWORD> attributes = tw::AttributesOf(handle.Get());
        if (!attributes || (*attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            handle.Reset();
            SetLastError(static_cast<DWORD>(tw::kErrorCantAccessFile));
        }
    }
    if (!handle.IsValid()) {
        DWORD code = GetLastError();
        if (error) {
            error->m_lOsError = static_cast<long>(code);
            error->m_cause = CFileException::OsErrorToException(static_cast<long>(code));
            error->m_strFileName = fileName;
        }
        return FALSE;
    }
    m_hFile = handle.Release();
    m_bCloseOnDelete = TRUE;
    std::string full = ReadGrowing([&](char* buffer, unsigned long size) {
        return GetFullPathNameA(fileName, static_cast<DWORD>(size), buffer, nullptr);
    });
    m_strFileName = full.empty() ? fileName : full.c_str();
    return TRUE;
}

unsigned CFile::Read(void* buffer, unsigned count) {
    if (count == 0) return 0;
    DWORD read = 0;
    if (!ReadFile(m_hFile, buffer, count, &read, nullptr))
        CFileException::ThrowOsError(static_cast<long>(GetLastError()), m_strFileName);
    return read;
}

void CFile::Write(const void* buffer, unsigned count) {
    if (count == 0) return;
    DWORD written = 0;
    if (!WriteFile(m_hFile, buffer, count, &written, nullptr))
        CFileException::ThrowOsError(static_cast<long>(GetLastError()), m_strFileName);
    if (written < count) CFileException::Throw(CFileException::diskFull, -1, m_strFileName);
}

long CFile::Seek(long offset, unsigned from) {
    SetLastError(NO_ERROR);
    DWORD position = SetFilePointer(m_hFile, offset, nullptr, from);
    DWORD code = GetLastError();
    // A failed seek or close names no file: the error text says "一未命名文件".
    if (position == INVALID_SET_FILE_POINTER && code != NO_ERROR)
        CFileException::ThrowOsError(static_cast<long>(code));
    return static_cast<long>(position);
}

void CFile::Close() {
    BOOL closed = TRUE;
    if (IsOpen()) closed = CloseHandle(m_hFile);
    DWORD code = GetLastError();
    m_hFile = INVALID_HANDLE_VALUE;
    m_bCloseOnDelete = FALSE;
    m_bDeleteOnClose = false;
    m_strFileName.Empty();
    if (!closed) CFileException::ThrowOsError(static_cast<long>(code));
}

void CFile::Abort() {
    if (IsOpen()) CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_bCloseOnDelete = FALSE;
    m_bDeleteOnClose = false;
    m_strFileName.Empty();
}

void CFile::SetDeleteOnClose(bool deleteOnClose) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteOnClose ? TRUE : FALSE;
    if (!SetFileInformationByHandle(m_hFile, FileDispositionInfo, &disposition,
                                    sizeof(disposition)))
        CFileException::ThrowOsError(static_cast<long>(GetLastError()), m_strFileName);
    m_bDeleteOnClose = deleteOnClose;
}

void CFile::Remove(const char* fileName) {
    if (!DeleteFileA(fileName))
        CFileException::ThrowOsError(static_cast<long>(GetLastError()), fileName);
}
