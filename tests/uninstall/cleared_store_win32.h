// Win32 tests of the removal's store and the run lock share its folder under
// Program Files: each case starts with it as no installation leaves it, whatever
// an earlier, interrupted run left there.
#pragma once

#include <windows.h>

#include <string>

#include "uninstall/platform_uninstall.h"

// Removes the uninstall entry, every file of the store's folder (read-only ones
// too) and the folder itself.
inline void ClearRemovalStore() {
    PlatformRemovalStore().RemoveEntry();
    const std::string folder = RemovalStoreFolder();
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::string path = folder + entry.cFileName;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}
