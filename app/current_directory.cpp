#include "app/current_directory.h"

#include <windows.h>

CString CurrentDirectory() {
    // 256 bytes fit nearly every directory; a longer one is read again with the
    // size the platform asks for.
    DWORD size = 256;
    for (;;) {
        CString directory;
        DWORD length = ::GetCurrentDirectoryA(size, directory.GetBuffer(static_cast<int>(size)));
        if (length < size) {
            directory.ReleaseBuffer(static_cast<int>(length));
            return directory;
        }
        directory.ReleaseBuffer(0);
        size = length;  // the size it needs, terminator included
    }
}
