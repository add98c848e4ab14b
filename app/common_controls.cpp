#include "app/common_controls.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace tw {

namespace {

// The DLL from the system folder only: with the search flag where Windows has
// it, by the system folder's full path where it does not.
HMODULE LoadFromSystemFolder(const char* name) {
    if (HMODULE module = ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    char folder[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return ::LoadLibraryA((std::string(folder, length) + "\\" + name).c_str());
}

bool Register() {
    // Kept loaded for the life of the process: the window classes live in it.
    HMODULE module = LoadFromSystemFolder("comctl32.dll");
    if (!module) return false;
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    // Through the generic function type, which any function pointer may take.
    auto init = reinterpret_cast<InitFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, "InitCommonControlsEx")));
    if (!init) return false;
    INITCOMMONCONTROLSEX classes = {static_cast<DWORD>(sizeof(classes)), ICC_PROGRESS_CLASS};
    return init(&classes) != FALSE;
}

}  // namespace

bool LoadCommonControls() {
    static const bool loaded = Register();
    return loaded;
}

}  // namespace tw
