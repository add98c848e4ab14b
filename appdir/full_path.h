// The full path of a directory text, against the current directory. Win32 asks
// GetFullPathNameA; the host has the same rule in portable code, for tests.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tw {

// The full path of text, or nothing when the platform cannot make one.
using FullPathFunction = std::function<std::optional<std::string>(const char* text)>;

// text made whole against currentDirectory (a full path such as "C:\pkg" or
// "\\server\share\pkg"): "/" is taken as "\"; a drive-relative text such as "D:apps"
// is completed from the current directory when it names the same drive and from
// that drive's root otherwise; "\apps" from the current drive's root; "." and ".."
// are resolved and repeated separators joined. A trailing separator stays, and a
// drive root keeps its own. Windows also drops trailing dots and blanks from the
// last name; this rule leaves them.
std::string FullPathFrom(std::string_view text, std::string_view currentDirectory);

// True when text is already a full path written with "\" only: "X:\..." or
// "\\server\...", and no "/" anywhere ("/" is never a trail byte).
bool IsFullPathText(std::string_view text);

}  // namespace tw
