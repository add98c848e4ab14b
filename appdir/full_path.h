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
// "\\server\share\pkg"), as GetFullPathNameA does: "/" is taken as "\"; a
// drive-relative text such as "D:apps" is completed from the current directory when
// it names the same drive and from that drive's root otherwise; "\apps" from the
// current drive's root; "." and ".." are resolved and repeated separators joined; a
// name followed by a separator loses one trailing dot ("a.\b" is "a\b"), and the
// last name, when no separator follows it, all its trailing dots and blanks
// ("C:\apps. " is "C:\apps"). A trailing separator stays, and a drive root keeps
// its own.
std::string FullPathFrom(std::string_view text, std::string_view currentDirectory);

// True when text is already a full path written with "\" only: "X:\..." or
// "\\server\...", and no "/" anywhere ("/" is never a trail byte).
bool IsFullPathText(std::string_view text);

// The full path of a directory text, as a folder of that name is opened: made from
// the text without its trailing separator ("\" or "/"), which is then put back as
// "\": Windows drops the trailing dots and blanks of a last name ("C:\Varnelquist \"
// opens C:\Varnelquist) but keeps them in a path built on it ("C:\Varnelquist \Driver").
// Nothing when the full path would be made another one again (a name "a.." becomes
// "a.", which becomes "a"): Windows opens no such folder the same way twice.
std::optional<std::string> DirectoryFullPath(std::string_view text,
                                             const FullPathFunction& fullPath);

// What a directory text is recorded and installed as, given its full path: the
// text itself when it is already a full path with "\" separators, unless Windows
// opens it under another name because names lose trailing dots or blanks
// ("C:\Varnelquist ", "D:\Apps.\V\"), where a path built on the text would miss
// the folder; otherwise the full path.
std::string DirectoryToRecord(std::string_view text, std::string_view full);

}  // namespace tw
