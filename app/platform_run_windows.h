// What a run shows on Win32, made on the platform's side (dialogs/run_windows_win32.h):
// the application object, in a folder that comes before the dialogs', reaches Win32's
// windows through this one call, as it reaches the other platform parts. Win32 only.
#pragma once

#include "app/run_system.h"

tw::RunWindows& PlatformRunWindows();
