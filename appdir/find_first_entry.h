// Win32: the file search behind the dialog's existence test.
#pragma once

#include <cstdint>
#include <optional>

namespace tw {

// The attribute word of the first entry FindFirstFileA finds for path, or nothing
// when it finds none. The search handle is closed before this returns.
std::optional<std::uint32_t> FindFirstEntryAttributes(const char* path);

}  // namespace tw
