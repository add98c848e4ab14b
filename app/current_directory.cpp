#include "app/current_directory.h"

#include <windows.h>

#include "framework/ReadGrowing.h"

CString CurrentDirectory() {
    std::string directory = ReadGrowing([](char* buffer, unsigned long size) {
        return ::GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    });
    return directory.c_str();
}
