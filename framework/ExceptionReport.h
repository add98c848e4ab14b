// The framework's report of an exception that reached it: a stop-icon message box
// with the application title as caption. A file exception shows its file-error text.
#pragma once

#include <windows.h>

#include "framework/CString.h"

// Call only inside a catch block: reports the exception being handled.
void ReportCurrentException(HWND owner);

// The text the report shows for the exception being handled.
CString CurrentExceptionText();
