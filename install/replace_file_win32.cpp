#include <windows.h>

#include <cstring>

#include "install/replace_file.h"

namespace tw {

long CreateTemporaryBeside(std::string_view folder, PathBuffer& temporary) {
    char folderText[MAX_PATH] = ".";
    if (folder.size() >= sizeof(folderText)) return ERROR_FILENAME_EXCED_RANGE;
    if (!folder.empty()) {
        std::memcpy(folderText, folder.data(), folder.size());
        folderText[folder.size()] = '\0';
    }
    char created[MAX_PATH];
    if (!GetTempFileNameA(folderText, "tw", 0, created)) return static_cast<long>(GetLastError());
    if (!temporary.Compose({created})) {
        DeleteFileA(created);
        return ERROR_FILENAME_EXCED_RANGE;
    }
    return 0;
}

long ReplaceWithTemporary(const char* temporary, const char* destination) {
    if (MoveFileExA(temporary, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return static_cast<long>(GetLastError());
}

void DeleteCreatedFile(const char* path) { DeleteFileA(path); }

}  // namespace tw
