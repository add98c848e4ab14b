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

}  // namespace tw
