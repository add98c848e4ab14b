// Win32: the full path and the file search behind the dialog's OK decision.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tw {

// GetFullPathNameA for text, against the process's current directory, whatever
// the length of the result (one over MAX_PATH comes from FullPathFrom); nothing for
// an empty text.
std::optional<std::string> FullPathName(const char* text);

// The current directory as GetCurrentDirectoryA gives it (no separator added),
// read whole whatever its length; empty when it cannot be read.
std::string CurrentDirectory();

// The attribute word of the first entry FindFirstFileA finds for path, or nothing
// when it finds none. The search handle is closed before this returns.
std::optional<std::uint32_t> FindFirstEntryAttributes(const char* path);

}  // namespace tw
