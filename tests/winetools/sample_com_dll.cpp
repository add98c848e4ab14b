// A minimal COM-style DLL for end-to-end runs with a real registration tool.
// DllRegisterServer leaves a marker file "<path of this DLL>.registered" and
// DllUnregisterServer removes it, so a test can see that the tool ran the DLL.
#include <windows.h>
#include <olectl.h>

#include <string>

namespace {

HMODULE g_module = nullptr;

std::string MarkerPath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path + ".registered";
        }
        path.resize(path.size() * 2);
    }
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
