// Host builds: the files this process holds open through CFile, for the other
// file operations that Windows refuses on an open file.
#pragma once

#include <sys/stat.h>

namespace tw {

// True when the file that entry describes (as lstat or stat filled it) is held
// open by a CFile of this process.
bool IsHeldOpen(const struct stat& entry);

}  // namespace tw
