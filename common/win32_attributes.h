// Win32 only: the attributes of an open file or folder, read through its handle.
// FileBasicInfo asks for nothing else. GetFileInformationByHandle also reads the
// volume's serial number, which Wine fetches from its mount manager service; that
// answer interrupts the thread with a signal, and under qemu's i386 emulation such
// a signal, in a program with a second thread, left it running as the other thread
// (install_engine_tests hung in about one run of four).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "common/folder_identity.h"

#include "common/win32_handles.h"

namespace tw {

inline std::optional<DWORD> AttributesOf(HANDLE handle) {
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof(info)))
        return std::nullopt;
    return info.FileAttributes;
}

// What an open file or folder is: its volume's serial number and its file index.
inline std::optional<FolderIdentity> IdentityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) return std::nullopt;
    return FolderIdentity{
        information.dwVolumeSerialNumber,
        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

// The system's path of an open file or folder ("\\?\C:\A", "\\?\UNC\server\share\A"),
// through no link; empty when the system gives none or it passes the longest path
// the ANSI calls open.
inline std::string FinalPathOf(HANDLE handle) {
    char path[MAX_PATH + 8];  // "\\?\UNC\" and the longest path the ANSI calls open
    DWORD length = GetFinalPathNameByHandleA(handle, path, sizeof(path),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= sizeof(path)) return {};
    return {path, length};
}

// The entry of path as a search of its folder sees it marks a link too. Windows
// already refuses one through a handle opened without following links; Wine
// follows a Unix link all the same and tells it only here. Asked while the file
// or folder is held, so that it cannot be swapped between the two.
inline bool IsLinkByName(const std::string& path) {
    WIN32_FIND_DATAA data;
    FindHandle search(FindFirstFileA(path.c_str(), &data));
    return search.IsValid() && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace tw
