// The framework's own resource ids: the strings it loads and the standard command
// ids of a frame's menu. A program's resource script includes framework/afxres.rc,
// which carries the framework's strings under these ids.
#pragma once

// The application's title (the program supplies this one) and the idle prompt.
#define AFX_IDS_APP_TITLE 57344
#define AFX_IDS_IDLEMESSAGE 57345

// The name shown for a file that has none.
#define AFX_IDS_UNNAMED_FILE 61840
// The data exchange's refusal of a text longer than its limit.
#define AFX_IDP_PARSE_STRING_SIZE 61715
// The report of a failure that is not a file error.
#define AFX_IDP_UNEXPECTED_ERROR 61704

// File-error texts, one per CFileException cause from genericException (61857)
// to endOfFile (61870).
#define AFX_IDP_FILE_GENERIC 61857
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

// Standard menu commands of a frame.
#define ID_FILE_NEW 0xE100
#define ID_FILE_OPEN 0xE101
#define ID_FILE_SAVE 0xE103
#define ID_FILE_SAVE_AS 0xE104
#define ID_FILE_MRU_FILE1 0xE110
#define ID_EDIT_COPY 0xE122
#define ID_EDIT_CUT 0xE123
#define ID_EDIT_PASTE 0xE125
#define ID_EDIT_UNDO 0xE12B
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
#define ID_NEXT_PANE 0xE150
#define ID_PREV_PANE 0xE151

// Controls without an id of their own.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
