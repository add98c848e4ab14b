// The process's current directory, read whole whatever its length.
#pragma once

#include "framework/CString.h"

// The current directory as GetCurrentDirectoryA gives it (no separator added);
// empty when the platform cannot tell it.
CString CurrentDirectory();
