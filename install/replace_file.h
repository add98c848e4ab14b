// The platform steps of a copy that never destroys the file it replaces, besides
// the new file that the copy opens itself: the replacement of the destination by
// the new file in one step, and the removal of a new file that is not wanted.
// Win32: MoveFileExA and DeleteFileA. Host: POSIX calls that refuse what Windows
// refuses. Results are 0 or a Win32 error code, on both builds.
#pragma once

class CFile;

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

// Renames from to to, in one step, only while to is free: an existing to is never
// replaced (kErrorAlreadyExists or kErrorFileExists). kErrorFileNotFound when from
// does not exist.
long RenameToFreeName(const char* from, const char* to);

// Renames the file open in file to to, through its handle, only while to is free,
// as RenameToFreeName does; the file stays open. Through the handle, the name is
// looked up once, and the file renamed is the one this run holds.
long RenameOpenFile(CFile& file, const char* to);

// Whether destination may be set aside to be replaced: 0 for a file that is
// neither a folder nor read-only, kErrorFileNotFound when there is none,
// kErrorAccessDenied otherwise (as the one-step replacement refuses).
long CheckReplaceable(const char* destination);

// Deletes a file, or, when Windows refuses (a loaded DLL can be renamed but not
// deleted), has it deleted at the next restart: true then. The host knows no
// restart: a file it cannot delete stays.
bool DeleteNowOrAtRestart(const char* path);

// Has file replace destination at the next restart, as Windows allows for a
// destination held open without delete sharing. 0, or the code of the call that
// failed; kErrorAccessDenied on the host, which knows no restart.
long ReplaceAtRestart(const char* file, const char* destination);

// Removes a folder when it is empty; a failure is not reported.
void RemoveEmptyFolder(const char* path);

}  // namespace tw
