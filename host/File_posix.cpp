// CFile on the host: POSIX calls that answer as Win32 would. Errors carry Win32
// codes, Windows-style paths are accepted, a read-only file or a folder cannot be
// opened for writing even by root, and sharing modes hold between the opens of
// this process, so a second open that Windows would refuse fails with error 32.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/path_rules.h"
#include "framework/File.h"
#include "host/open_files.h"
#include "host/posix_errors.h"

namespace {

struct OpenRecord {
    int fd;
    DWORD access;
    DWORD share;
};

// Every file this process holds open, by device and inode.
class ShareTable {
public:
    // True when an open with access and share may join the opens already there.
    bool Admits(const struct stat& st, DWORD access, DWORD share) {
        std::lock_guard lock(m_mutex);
        auto it = m_opens.find(Key(st));
        return it == m_opens.end() || JoinsAll({-1, access, share}, it->second);
    }
    // Adds the open when its access and share may join the opens already there;
    // false, adding nothing, when they may not. One step, so that two opens of the
    // same file cannot both pass the check before either is recorded.
    bool AddIfAdmitted(const struct stat& st, OpenRecord record) {
        std::lock_guard lock(m_mutex);
        std::vector<OpenRecord>& records = m_opens[Key(st)];
        if (!JoinsAll(record, records)) return false;
        records.push_back(record);
        return true;
    }
    bool Holds(const struct stat& st) {
        std::lock_guard lock(m_mutex);
        return m_opens.count(Key(st)) != 0;
    }
    void Remove(int fd) {
        std::lock_guard lock(m_mutex);
        for (auto it = m_opens.begin(); it != m_opens.end(); ++it) {
            auto& records = it->second;
            for (auto r = records.begin(); r != records.end(); ++r) {
                if (r->fd != fd) continue;
                records.erase(r);
                if (records.empty()) m_opens.erase(it);
                return;
            }
        }
    }

private:
    static bool Compatible(const OpenRecord& a, const OpenRecord& b) {
        auto allows = [](const OpenRecord& wanted, const OpenRecord& held) {
            if ((wanted.access & CFile::kGenericRead) && !(held.share & CFile::kShareRead))
                return false;
            return !(wanted.access & CFile::kGenericWrite) || (held.share & CFile::kShareWrite);
        };
        return allows(a, b) && allows(b, a);
    }
    static bool JoinsAll(const OpenRecord& record, const std::vector<OpenRecord>& records) {
        return std::all_of(records.begin(), records.end(),
                           [&](const OpenRecord& other) { return Compatible(record, other); });
    }
    static std::pair<dev_t, ino_t> Key(const struct stat& st) { return {st.st_dev, st.st_ino}; }
    std::mutex m_mutex;
    std::map<std::pair<dev_t, ino_t>, std::vector<OpenRecord>> m_opens;
};

ShareTable& Shares() {
    static ShareTable table;
    return table;
}

// Windows refuses to open a folder as a file, and to write a read-only file,
// whoever asks; 0 when neither applies.
long Refusal(const struct stat& st, bool wantsWrite) {
    if (S_ISDIR(st.st_mode)) return tw::kErrorAccessDenied;
    if (wantsWrite && (st.st_mode & 0222) == 0) return tw::kErrorAccessDenied;
    return 0;
}

std::string FullPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.string();
}

}  // namespace

bool tw::IsHeldOpen(const struct stat& entry) { return Shares().Holds(entry); }

bool CFile::IsOpen() const { return m_hFile >= 0; }

BOOL CFile::Open(const char* fileName, unsigned openFlags, CFileException* error) {
    FileOpenRequest request = MapOpenFlags(openFlags);
    std::string path = tw::ToPosixPath(fileName);
    auto fail = [&](long code) {
        if (error) {
            error->m_lOsError = code;
            error->m_cause = CFileException::OsErrorToException(code);
            error->m_strFileName = fileName;
        }
        return FALSE;
    };

    bool wantsWrite = (request.access & kGenericWrite) != 0;
    int flags = (request.access == (kGenericRead | kGenericWrite)) ? O_RDWR
                : wantsWrite                                       ? O_WRONLY
                                                                   : O_RDONLY;
    if (!request.inheritHandle) flags |= O_CLOEXEC;
    if (request.noFollow) flags |= O_NOFOLLOW;
    // An open that may create or cut the file looks at it first, so that a refused
    // open changes nothing. An open of an existing file changes nothing by itself:
    // it opens first and looks at what it opened, which saves a lookup of the path.
    if (request.disposition != kOpenExisting) {
        struct stat before {};
        // A new file is refused whatever has its name, a link included.
        if (request.disposition == kCreateNew && lstat(path.c_str(), &before) == 0)
            return fail(tw::kErrorFileExists);
        if (stat(path.c_str(), &before) == 0) {
            if (long refusal = Refusal(before, wantsWrite)) return fail(refusal);
            if (!Shares().Admits(before, request.access, request.share))
                return fail(tw::kErrorSharingViolation);
        }
        flags |= O_CREAT;
        if (request.disposition == kCreateAlways) flags |= O_TRUNC;
        if (request.disposition == kCreateNew) flags |= O_EXCL;  // never through a link
    }
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0 && request.noFollow && errno == ELOOP) return fail(tw::kErrorCantAccessFile);
    if (fd < 0) return fail(tw::Win32ErrorFromErrno(errno, path.c_str()));

    struct stat opened {};
    fstat(fd, &opened);
    long refusal = request.disposition == kOpenExisting ? Refusal(opened, wantsWrite) : 0;
    if (!refusal && !Shares().AddIfAdmitted(opened, {fd, request.access, request.share}))
        refusal = tw::kErrorSharingViolation;
    if (refusal) {
        ::close(fd);
        return fail(refusal);
    }
    m_hFile = fd;
    m_bCloseOnDelete = TRUE;
    m_strFileName = FullPath(path).c_str();
    return TRUE;
}

unsigned CFile::Read(void* buffer, unsigned count) {
    if (count == 0) return 0;
    ssize_t got;
    do {
        got = ::read(m_hFile, buffer, count);
    } while (got < 0 && errno == EINTR);
    if (got < 0) CFileException::ThrowOsError(tw::Win32ErrorFromErrno(errno), m_strFileName);
    return static_cast<unsigned>(got);
}

void CFile::Write(const void* buffer, unsigned count) {
    if (count == 0) return;
    ssize_t put;
    do {
        put = ::write(m_hFile, buffer, count);
    } while (put < 0 && errno == EINTR);
    if (put < 0) CFileException::ThrowOsError(tw::Win32ErrorFromErrno(errno), m_strFileName);
    if (static_cast<unsigned>(put) < count)
        CFileException::Throw(CFileException::diskFull, -1, m_strFileName);
}

long CFile::Seek(long offset, unsigned from) {
    int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
    off_t position = ::lseek(m_hFile, offset, whence);
    // A failed seek or close names no file, as on Win32.
    if (position < 0) CFileException::ThrowOsError(tw::Win32ErrorFromErrno(errno));
    return static_cast<long>(position);
}

// The mark's imitation: the file goes when this open closes, before its name is
// forgotten (a killed host process leaves it, as no POSIX call can promise that).
void CFile::SetDeleteOnClose(bool deleteOnClose) {
    if (!IsOpen()) CFileException::ThrowOsError(tw::kErrorInvalidHandle, m_strFileName);
    m_bDeleteOnClose = deleteOnClose;
}

namespace {

void DeleteIfMarked(bool marked, const CString& path) {
    if (marked) ::unlink(path.GetString());
}

}  // namespace

void CFile::Close() {
    int result = 0;
    int code = 0;
    if (IsOpen()) {
        DeleteIfMarked(m_bDeleteOnClose, m_strFileName);
        Shares().Remove(m_hFile);
        result = ::close(m_hFile);
        code = errno;
    }
    m_hFile = -1;
    m_bCloseOnDelete = FALSE;
    m_bDeleteOnClose = false;
    m_strFileName.Empty();
    if (result != 0) CFileException::ThrowOsError(tw::Win32ErrorFromErrno(code));
}

// Close's steps, a failure of the platform's close passed over.
void CFile::Abort() {
    try {
        CFile::Close();  // this class's own, never a subclass's
    } catch (const CFileException&) {
        // the descriptor is gone whatever close said
    }
}

void CFile::Remove(const char* fileName) {
    std::string path = tw::ToPosixPath(fileName);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        CFileException::ThrowOsError(tw::kErrorAccessDenied, fileName);
    // Every open of this layer leaves deletion unshared, as CFile's opens do on Windows.
    struct stat entry {};
    if (lstat(path.c_str(), &entry) == 0 && tw::IsHeldOpen(entry))
        CFileException::ThrowOsError(tw::kErrorSharingViolation, fileName);
    if (::unlink(path.c_str()) != 0)
        CFileException::ThrowOsError(tw::Win32ErrorFromErrno(errno, path.c_str()), fileName);
}
