// A winmm.dll that someone planted beside the installer: loaded into a process, it
// leaves the file "<path of this DLL>.loaded" (named as the loader names the DLL,
// "WINMM.DLL.loaded" for an import), so a test sees that it was never
// loaded. It exports the timer calls the installer uses, so that a program that
// imported them from it would start and run as usual.
#include <windows.h>

#include <string>

#include "framework/ReadGrowing.h"

namespace {

void LeaveMark(HMODULE self) {
    std::string path = ReadGrowing([&](char* buffer, unsigned long size) {
        return GetModuleFileNameA(self, buffer, static_cast<DWORD>(size));
    });
    if (path.empty()) return;
    HANDLE mark = CreateFileA((path + ".loaded").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LeaveMark(instance);
    return TRUE;
}

UINT WINAPI timeBeginPeriod(UINT) { return 0; }  // TIMERR_NOERROR
UINT WINAPI timeEndPeriod(UINT) { return 0; }

}  // extern "C"
