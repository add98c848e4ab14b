// Win32 only: DLLs from Windows' own system folder and nowhere else. The program
// runs elevated from wherever its package lies (a download folder, a share), where
// anyone may have put a DLL: it imports at load time only DLLs that Windows always
// takes from its system folder (its known DLLs), loads any other one through
// SystemLibrary, and keeps every later load by name (the shell's, COM's) out of
// its own folder and the current one.
#pragma once

#include <windows.h>

#include "common/win32_handles.h"

namespace tw {

// The first thing the program does: later loads by name search the system folder
// only (SetDefaultDllDirectories, where Windows has it; Windows 7 without update
// KB2533623 lacks it) and never the current folder (SetDllDirectoryA with "").
void KeepDllLoadsInSystemFolder();

// A DLL of the system folder, loaded at run time and freed with the object: with
// LOAD_LIBRARY_SEARCH_SYSTEM32, or by its full path in the system folder where
// Windows does not know that flag. Get() is null when it cannot be loaded.
class SystemLibrary {
public:
    // name: a file name such as "winmm.dll", without a folder.
    explicit SystemLibrary(const char* name);

    HMODULE Get() const { return m_module.Get(); }
    // The exported function of that name, as type Function; null when the DLL is
    // not loaded or has no such export.
    template <typename Function>
    Function Export(const char* function) const {
        if (!m_module.IsValid()) return nullptr;
        return reinterpret_cast<Function>(
            reinterpret_cast<void*>(::GetProcAddress(m_module.Get(), function)));
    }

private:
    LibraryHandle m_module;
};

}  // namespace tw
