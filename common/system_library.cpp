#include "common/system_library.h"

#include <string>

namespace tw {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

HMODULE LoadByFullPath(const char* name) {
    char folder[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::string path = std::string(folder, length) + "\\" + name;
    // The DLLs it needs in turn are searched from its own folder first.
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

void KeepDllLoadsInSystemFolder() {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    ::SetDllDirectoryA("");
}

SystemLibrary::SystemLibrary(const char* name)
    : m_module(::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    // Windows that predates the flag refuses it as an invalid parameter.
    if (!m_module.IsValid() && ::GetLastError() == ERROR_INVALID_PARAMETER)
        m_module.Reset(LoadByFullPath(name));
}

}  // namespace tw
