// Host builds: the files this process holds open through CFile, for the other
// file operations that Windows refuses on an open file.
#pragma once

namespace tw {

// True when the entry at posixPath (a link itself, not its target) is held open by
// a CFile of this process.
bool IsHeldOpen(const char* posixPath);

}  // namespace tw
