// The two platform steps of a copy that never destroys the file it replaces: a new
// file beside the destination, and the replacement of the destination by it in one
// step. Win32: GetTempFileNameA and MoveFileExA. Host: POSIX calls that refuse what
// Windows refuses. Results are 0 or a Win32 error code, on both builds.
#pragma once

#include <cstddef>
#include <string_view>

#include "install/path_buffer.h"

namespace tw {

// GetTempFileNameA takes a folder of at most MAX_PATH - 14 bytes and adds a name
// of 10 ("tw", four hex digits, ".tmp"), so the temporary path always fits 260.
constexpr std::size_t kTemporaryFolderMaxBytes = 246;

// Creates a new, empty file with a name of its own in folder (a path ending in a
// separator, or empty for the current directory); an existing file is never
// touched. The new file's path goes to temporary.
long CreateTemporaryBeside(std::string_view folder, PathBuffer& temporary);

// Puts temporary in destination's place in one step, replacing a file of that
// name. Refused, with destination unchanged, when destination is a folder, a
// read-only file or a file held open.
long ReplaceWithTemporary(const char* temporary, const char* destination);

// Deletes a file that the copy made itself (or cut to zero and part-written);
// a failure is not reported.
void DeleteCreatedFile(const char* path);

}  // namespace tw
