// The record's rights on Win32: a second handle to the open file (never its name
// again), with the rights to change its owner and access list, and the locked
// descriptor built by the system from its descriptor language.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "common/locked_rights_win32.h"
#include "common/win32_handles.h"
#include "config/record_file.h"

namespace tw {

namespace {

// False only when the volume says it keeps no access lists.
bool VolumeKeepsRights(HANDLE file) {
    DWORD flags = 0;
    if (!GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        return true;
    return (flags & FILE_PERSISTENT_ACLS) != 0;
}

}  // namespace

void RecordFile::LockToAdministrators() {
    // The writer's own handle may read and write only, as the record's open asks.
    FileHandle rights(ReOpenFile(m_hFile, READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
    if (!rights.IsValid())
        CFileException::ThrowOsError(static_cast<long>(GetLastError()), m_strFileName);
    if (!VolumeKeepsRights(rights.Get())) return;
    const DWORD error = ApplyRights(rights.Get(), kLockedRecordSddl);
    if (error != ERROR_SUCCESS)
        CFileException::ThrowOsError(static_cast<long>(error), m_strFileName);
}

}  // namespace tw
