// Holds files the way running programs do, for the end-to-end run over files in
// use: hold_in_use.exe <dll> <file> <ready>
// loads <dll> (a loaded DLL can be renamed, not replaced or deleted), opens <file>
// for reading without delete sharing (it can be neither renamed nor deleted),
// then creates <ready> and waits until it is ended.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    if (!LoadLibraryA(argv[1])) return 3;
    HANDLE held = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 4;
    HANDLE ready = CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 5;
    CloseHandle(ready);
    Sleep(INFINITE);
    return 0;
}
