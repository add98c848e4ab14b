// The block copy: one file to one destination in blocks of 4096 bytes, through
// the framework's file class. The bytes go into a new file beside the destination,
// which then takes the destination's place in one step, so a copy that fails
// leaves the destination as it was. The new file has normal attributes; only the
// bytes of the source are carried over.
#pragma once

#include "framework/File.h"

// Open flags of the two files: the source may still be read by others but not
// written; nobody else may open the file being written.
constexpr unsigned kCopySourceFlags = CFile::modeRead | CFile::shareDenyWrite;  // 0x20
constexpr unsigned kCopyDestinationFlags =
    CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive;  // 0x1011
constexpr unsigned kCopyBlockSize = 4096;

// True when every byte was copied and the copy has replaced the destination (or
// taken its name, when there was none). False on any failure: the source cannot
// be opened, the destination names the source itself, the new file cannot be
// made, written or closed, or the destination cannot be replaced (a folder, a
// read-only file, a file held open). The destination is then byte for byte what
// it was, or still absent, and no file made by the copy stays behind. No
// exception of the file layer leaves the copy.
BOOL CopyOneFile(const char* source, const char* destination);

// The same copy through two given file objects, which hold no file yet; tests
// pass subclasses that count or fail the file operations. destinationFile opens
// the new file beside the destination.
BOOL CopyOneFileThrough(CFile& sourceFile, CFile& destinationFile, const char* source,
                        const char* destination);

namespace tw {

// The Win32 error code of the step that failed in the last copy of this thread
// that returned false (0 after a copy that succeeded); the same codes on the host.
long LastCopyError();

}  // namespace tw
