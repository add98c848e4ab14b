// Win32: the full path behind the dialog's OK decision.
#pragma once

#include <optional>
#include <string>

namespace tw {

// GetFullPathNameA for text, against the process's current directory, whatever
// the length of the result; nothing when the platform cannot make one.
std::optional<std::string> FullPathName(const char* text);

}  // namespace tw
