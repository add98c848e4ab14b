// The program's entry point: everything happens in the application object, once
// DLLs loaded by name can come from the system folder only.
#include "common/system_library.h"
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    tw::KeepDllLoadsInSystemFolder();
    return AfxWinMain();
}
