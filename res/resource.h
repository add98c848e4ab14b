// Resource ids, shared by res/Tarnwhistle.rc and the code.
#pragma once

// Main resource set: menu, accelerators, icon and the frame's string.
#define IDR_MAINFRAME 128
#define IDR_DRIVERTYPE 129

#define IDD_ABOUTBOX 100
#define IDD_APPDIR 214

#define IDC_BROWSE 3
#define IDC_APPDIR_EDIT 1224

// Strings the framework stand-in loads.
#define AFX_IDS_APP_TITLE 57344
#define AFX_IDS_IDLEMESSAGE 57345
#define AFX_IDS_UNNAMED_FILE 61840
#define AFX_IDP_PARSE_STRING_SIZE 61715
// File-error texts, one per CFileException cause from genericException (61857)
// to endOfFile (61870).
#define AFX_IDP_FILE_GENERIC 61857

// Strings the dialog and the run show.
#define IDS_APPDIR_MISSING 1000
#define IDS_ERROR_CAPTION 1001
#define IDS_BROWSE_TITLE 1002
#define IDS_INSTALL_DONE 1003
#define IDS_INFO_CAPTION 1004
#define IDS_NOTHING_FOUND 1005
#define IDS_INSTALL_INCOMPLETE 1006

// Menu commands of the main frame (never reachable: the frame stays hidden).
#define ID_FILE_NEW 0xE100
#define ID_FILE_OPEN 0xE101
#define ID_FILE_SAVE 0xE103
#define ID_FILE_SAVE_AS 0xE104
#define ID_FILE_MRU_FILE1 0xE110
#define ID_APP_EXIT 0xE141
#define ID_EDIT_UNDO 0xE12B
#define ID_EDIT_CUT 0xE123
#define ID_EDIT_COPY 0xE122
#define ID_EDIT_PASTE 0xE125
#define ID_APP_ABOUT 0xE140
#define ID_NEXT_PANE 0xE150
#define ID_PREV_PANE 0xE151

// The other file-error texts, in the order of the causes.
#define AFX_IDP_FILE_NOT_FOUND 61858
#define AFX_IDP_FILE_BAD_PATH 61859
#define AFX_IDP_FILE_TOO_MANY_OPEN 61860
#define AFX_IDP_FILE_ACCESS_DENIED 61861
#define AFX_IDP_FILE_INVALID_FILE 61862
#define AFX_IDP_FILE_REMOVE_CURRENT 61863
#define AFX_IDP_FILE_DIR_FULL 61864
#define AFX_IDP_FILE_BAD_SEEK 61865
#define AFX_IDP_FILE_HARD_IO 61866
#define AFX_IDP_FILE_SHARING 61867
#define AFX_IDP_FILE_LOCKING 61868
#define AFX_IDP_FILE_DISKFULL 61869
#define AFX_IDP_FILE_EOF 61870

// Controls without an id of their own.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The report of an unexpected failure in a message handler.
#define IDS_UNEXPECTED_ERROR 1007
