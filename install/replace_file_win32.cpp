#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "framework/File.h"
#include "install/replace_file.h"

namespace tw {

unsigned TemporaryNameSeed() {
    return static_cast<unsigned>(GetCurrentProcessId()) * 7919u ^ GetTickCount();
}

long ReplaceWithTemporary(const char* temporary, const char* destination) {
    if (MoveFileExA(temporary, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return static_cast<long>(GetLastError());
}

void DeleteCreatedFile(const char* path) { DeleteFileA(path); }

long RenameToFreeName(const char* from, const char* to) {
    if (MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH)) return 0;
    return static_cast<long>(GetLastError());
}

namespace {

// The system's own form of a full path, which a rename through a handle takes:
// \??\ before a drive, \??\UNC\ before a share, for \\?\ at the start.
std::string SystemPathOf(const std::string& path) {
    if (path.rfind("\\\\?\\", 0) == 0) return "\\??\\" + path.substr(4);
    if (path.rfind("\\\\", 0) == 0) return "\\??\\UNC\\" + path.substr(2);
    return "\\??\\" + path;
}

}  // namespace

long RenameOpenFile(CFile& file, const char* to) {
    const std::string path = SystemPathOf(to);
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return static_cast<long>(GetLastError());
    const std::size_t nameOffset = offsetof(FILE_RENAME_INFO, FileName);
    std::vector<unsigned char> buffer(nameOffset +
                                      sizeof(WCHAR) * static_cast<std::size_t>(length));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(sizeof(WCHAR) * static_cast<std::size_t>(length - 1));
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, info->FileName, length);
    if (SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())))
        return 0;
    return static_cast<long>(GetLastError());
}

long CheckReplaceable(const char* destination) {
    const DWORD attributes = GetFileAttributesA(destination);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : static_cast<long>(error);
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    return 0;
}

bool DeleteNowOrAtRestart(const char* path) {
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND) return false;
    return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

long ReplaceAtRestart(const char* file, const char* destination) {
    if (MoveFileExA(file, destination, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
        return 0;
    return static_cast<long>(GetLastError());
}

void RemoveEmptyFolder(const char* path) { RemoveDirectoryA(path); }

}  // namespace tw
