// The host's imitation of the record's lock, as its folders' (folder_rights_posix.cpp):
// the owner may read and write, group and others only read. The owner stays,
// since only root may give a file away.
#include <cerrno>
#include <sys/stat.h>

#include "config/record_file.h"
#include "host/posix_errors.h"

namespace tw {

void RecordFile::LockToAdministrators() {
    if (fchmod(m_hFile, 0644) != 0)
        CFileException::ThrowOsError(Win32ErrorFromErrno(errno), m_strFileName);
}

}  // namespace tw
