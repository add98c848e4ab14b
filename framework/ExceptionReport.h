// The framework's report of an exception that reached it: a stop-icon message box
// with the caption handed in (the application title). A file exception shows its
// file-error text.
#pragma once

#include <windows.h>

// Call only inside a catch block: reports the exception being handled.
void ReportCurrentException(HWND owner, const char* caption);
