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

// Strings the dialog and the run show.
#define IDS_APPDIR_MISSING 1000
#define IDS_ERROR_CAPTION 1001
#define IDS_BROWSE_TITLE 1002
#define IDS_INSTALL_DONE 1003
#define IDS_INFO_CAPTION 1004
#define IDS_NOTHING_FOUND 1005
#define IDS_INSTALL_INCOMPLETE 1006
#define IDS_APPDIR_IS_PACKAGE 1008
#define IDS_MORE_FILES 1009
#define IDS_PROGRESS_COPYING 1010
#define IDS_PROGRESS_REGISTERING 1011
