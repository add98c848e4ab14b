// A minimal COM-style DLL for end-to-end runs with a real registration tool.
// DllRegisterServer leaves a marker file "<path of this DLL>.registered" and
// DllUnregisterServer removes it, so a test can see that the tool ran the DLL.
#include <windows.h>
#include <olectl.h>

#include <string>

#include "framework/ReadGrowing.h"

namespace {

HMODULE g_module = nullptr;

std::string MarkerPath() {
    std::string path = ReadGrowing([](char* buffer, unsigned long size) {
        return GetModuleFileNameA(g_module, buffer, static_cast<DWORD>(size));
    });
    return path.empty() ? path : path + ".registered";
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

HRESULT WINAPI DllRegisterServer() {
    std::string marker = MarkerPath();
    if (marker.empty()) return SELFREG_E_CLASS;
    HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return SELFREG_E_CLASS;
    static const char kText[] = "registered\r\n";
    DWORD written = 0;
    BOOL ok = WriteFile(file, kText, sizeof kText - 1, &written, nullptr);
    CloseHandle(file);
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT WINAPI DllUnregisterServer() {
    std::string marker = MarkerPath();
    if (marker.empty() || (!DeleteFileA(marker.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND))
        return SELFREG_E_CLASS;
    return S_OK;
}

HRESULT WINAPI DllCanUnloadNow() { return S_OK; }

HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object) {
    if (object != nullptr) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // extern "C"
