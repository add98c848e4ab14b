// Which installed files are registered and how the tool's parameters are written.
#pragma once

#include <string_view>

#include "install/path_buffer.h"

namespace tw {

// A file is registered when its name ends in ".dll", in any case.
bool IsRegisteredName(std::string_view fileName);

// A support file that is the registration tool once copied into the application
// directory: "regsvr32.exe" in any case, since Windows names ignore case.
bool IsToolName(std::string_view fileName);

// The tool's parameters: "/s " and the DLL's path, the path in double quotes when it
// holds a blank, so that the tool receives it as one argument. False, with nothing
// written, for a path that one argument cannot carry: one that holds a double quote
// or a control byte (below 0x20). Such a DLL is never registered.
// Room for the longest path that fits a path buffer, the quotes and "/s ".
using ToolParameters = FixedPath<3 + 2 + kPathBufferSize>;
bool FormatToolParameters(std::string_view dllPath, ToolParameters& parameters);

}  // namespace tw
