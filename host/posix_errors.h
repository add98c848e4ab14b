// Host builds: errno values translated to the Win32 error codes that Windows
// would give for the same failure, so the layers above see one set of codes.
#pragma once

#include "common/win32_error_codes.h"

namespace tw {

// path, when given, tells a missing file (2) from a missing folder on the way (3).
long Win32ErrorFromErrno(int error, const char* path = nullptr);

}  // namespace tw
