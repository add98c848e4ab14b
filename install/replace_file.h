// The platform steps of a copy that never destroys the file it replaces, besides
// the new file that the copy opens itself: the replacement of the destination by
// the new file in one step, and the removal of a new file that is not wanted.
// Win32: MoveFileExA and DeleteFileA. Host: POSIX calls that refuse what Windows
// refuses. Results are 0 or a Win32 error code, on both builds.
#pragma once

namespace tw {

// A number that differs between processes running at one time, to start the
// names of new files from.
unsigned TemporaryNameSeed();

// Puts temporary in destination's place in one step, replacing a file of that
// name. Refused, with destination unchanged, when destination is a folder, a
// read-only file or a file held open.
long ReplaceWithTemporary(const char* temporary, const char* destination);

// Deletes a file that the copy made itself; a failure is not reported.
void DeleteCreatedFile(const char* path);

}  // namespace tw
