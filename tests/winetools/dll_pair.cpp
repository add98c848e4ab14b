// One of two DLLs that belong together, built in an old and a new version from
// this file. The new version of each imports a function that only the other's
// new version exports, so it loads only once both new versions are in place.
// DllRegisterServer appends "version N\r\n" to "<path of this DLL>.registered":
// the file tells how often, and with which version, the DLL was registered.
//     TW_PAIR_VERSION   1 or 2
//     TW_PAIR_OWN       the function this DLL's new version exports
//     TW_PAIR_OTHER     the function it imports from the other's new version
#include <windows.h>
#include <olectl.h>

#include <string>

#include "common/win32_handles.h"
#include "framework/ReadGrowing.h"

#define TW_PAIR_TEXT(x) #x
#define TW_PAIR_STRING(x) TW_PAIR_TEXT(x)

namespace {

HMODULE g_module = nullptr;

}  // namespace

extern "C" {

#if TW_PAIR_VERSION >= 2
__declspec(dllimport) int TW_PAIR_OTHER();
int TW_PAIR_OWN() { return TW_PAIR_VERSION; }
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

HRESULT WINAPI DllRegisterServer() {
#if TW_PAIR_VERSION >= 2
    if (TW_PAIR_OTHER() != TW_PAIR_VERSION) return SELFREG_E_CLASS;
#endif
    std::string path = ReadGrowing([](char* buffer, unsigned long size) {
        return GetModuleFileNameA(g_module, buffer, static_cast<DWORD>(size));
    });
    if (path.empty()) return SELFREG_E_CLASS;
    tw::FileHandle marker(CreateFileA((path + ".registered").c_str(), FILE_APPEND_DATA, 0, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    static const char kLine[] = "version " TW_PAIR_STRING(TW_PAIR_VERSION) "\r\n";
    DWORD written = 0;
    if (marker.Get() == INVALID_HANDLE_VALUE ||
        !WriteFile(marker.Get(), kLine, sizeof kLine - 1, &written, nullptr))
        return SELFREG_E_CLASS;
    return written == sizeof kLine - 1 ? S_OK : SELFREG_E_CLASS;
}

HRESULT WINAPI DllUnregisterServer() { return S_OK; }

}  // extern "C"
