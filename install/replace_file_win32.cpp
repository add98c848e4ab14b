#include <windows.h>

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
