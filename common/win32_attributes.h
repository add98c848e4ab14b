// Win32 only: the attributes of an open file or folder, read through its handle.
// FileBasicInfo asks for nothing else. GetFileInformationByHandle also reads the
// volume's serial number, which Wine fetches from its mount manager service; that
// answer interrupts the thread with a signal, and under qemu's i386 emulation such
// a signal, in a program with a second thread, left it running as the other thread
// (install_engine_tests hung in about one run of four).
#pragma once

#include <windows.h>

#include <optional>

namespace tw {

inline std::optional<DWORD> AttributesOf(HANDLE handle) {
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof(info)))
        return std::nullopt;
    return info.FileAttributes;
}

}  // namespace tw
