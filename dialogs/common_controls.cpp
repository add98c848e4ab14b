#include "dialogs/common_controls.h"

#include <windows.h>
#include <commctrl.h>

#include "common/system_library.h"

namespace tw {

namespace {

bool Register() {
    // Kept loaded for the life of the process: the window classes live in it.
    static const SystemLibrary comctl32("comctl32.dll");
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = comctl32.Export<InitFunction>("InitCommonControlsEx");
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
