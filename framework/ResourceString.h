// Strings of the program's string table.
#pragma once

#include <windows.h>

#include "framework/CString.h"

// The string id of the module, empty when there is none.
CString LoadResourceString(HINSTANCE module, UINT id);

// The first field of a resource set's string (fields end at "\n"): a frame's title.
CString FirstStringField(const CString& text);
