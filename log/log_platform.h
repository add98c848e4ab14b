// What the install log needs from the platform.
#pragma once

#include <string>
#include <string_view>

#include "framework/File.h"

namespace tw {

// A text in the ANSI code page, as UTF-8. Win32: through UTF-16 with the system's
// ANSI code page. Host (tests only): from code page 936. A byte that starts no
// character comes out as a replacement, never as a stray byte.
std::string AnsiToUtf8(std::string_view ansi);

// The log's file, which can tell a file on disk from a device (NUL, a console, a
// serial port) or a pipe, which CreateFileA opens as well.
class LogFile : public CFile {
public:
    // Win32: GetFileType. Host: a regular file.
    bool IsOnDisk() const;
};

}  // namespace tw
