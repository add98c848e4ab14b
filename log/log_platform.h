// What the install log needs from the platform.
#pragma once

#include <string>
#include <string_view>

#include "framework/File.h"

namespace tw {

// A text in the ANSI code page, as UTF-8. Win32: through UTF-16 with the system's
// ANSI code page. Host (tests only): from code page 936, or from the iconv code
// page that TW_HOST_ANSI_CODE_PAGE names (CP1252: a western Windows). A byte that
// starts no character comes out as a replacement, never as a stray byte.
std::string AnsiToUtf8(std::string_view ansi);

// One of the program's own texts (code page 936, whatever the system's), as UTF-8.
// Win32: on a system without code page 936, from the ANSI code page.
std::string ProgramTextToUtf8(std::string_view text);

// The log's file, which can tell a file on disk from a device (NUL, a console, a
// serial port) or a pipe, which CreateFileA opens as well.
class LogFile : public CFile {
public:
    // Win32: GetFileType. Host: a regular file.
    bool IsOnDisk() const;
};

}  // namespace tw
