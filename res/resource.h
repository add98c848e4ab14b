// Resource ids of the program, shared by res/Tarnwhistle.rc and the code. The
// framework's own ids (its strings and standard commands) come from framework/afxres.h.
#pragma once

#include "framework/afxres.h"

// Main resource set: menu, accelerators, icon and the frame's string.
#define IDR_MAINFRAME 128
#define IDR_DRIVERTYPE 129

#define IDD_ABOUTBOX 100
#define IDD_APPDIR 214
#define IDD_PROGRESS 215

#define IDC_BROWSE 3
#define IDC_APPDIR_EDIT 1224
#define IDC_PROGRESS_STEP 1225
#define IDC_PROGRESS_BAR 1226
