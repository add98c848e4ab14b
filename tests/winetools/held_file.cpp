// held_file.exe PATH: holds the file PATH open for reading and shares it with no
// one, as a program that keeps a file to itself does: every other program's
// attempt to read it fails. Prints "held" once it holds the file, and keeps it
// until its standard input closes. Ends with 1 when the file cannot be opened.
#include <windows.h>

#include <cstdio>

#include "common/win32_handles.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    tw::FileHandle file(CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        std::printf("not held: error %lu\n", GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    char byte;
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr) && read == 1) {
    }
    return 0;
}
