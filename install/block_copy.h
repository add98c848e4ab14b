// The block copy: one file to one destination in blocks of 4096 bytes, through
// the framework's file class. The bytes go into a new file that the copy creates
// beside the destination, which then takes the destination's place in one step,
// so a copy that fails leaves the destination as it was, whatever the length of
// its folder. The new file has normal attributes; only the bytes of the source
// are carried over.
#pragma once

#include <cstddef>

#include "framework/File.h"
#include "install/copy_outcome.h"

// Open flags of the two files: the source may still be read by others but not
// written; the new file beside the destination is made by this open (never an
// existing file, nor the target of a link), and nobody else may open it; the
// open may mark it for deletion, so that it goes with the run however that ends.
constexpr unsigned kCopySourceFlags = CFile::modeRead | CFile::shareDenyWrite;  // 0x20
constexpr unsigned kCopyTemporaryFlags =
    CFile::modeCreateNew | CFile::modeWrite | CFile::shareExclusive | CFile::modeDelete;
constexpr unsigned kCopyBlockSize = 4096;

// True when every byte was copied and the copy has replaced the destination (or
// taken its name, when there was none). False on any failure: the source cannot
// be opened, the destination names the source itself, the new file cannot be
// made (its path would not fit in MAX_PATH, its folder is missing), written or
// closed, or the destination cannot be replaced (a folder, a read-only file, a
// file held open). The destination is then byte for byte what it was, or still
// absent, and no file made by the copy stays behind. The new file is marked for
// deletion as soon as it is made, and the mark is cleared only just before it is
// closed and renamed into place, so a run that is killed leaves none either. No
// exception of the file layer leaves the copy.
BOOL CopyOneFile(const char* source, const char* destination);

namespace tw {

// The new file's name: "tw", four hex digits, ".tmp".
constexpr std::size_t kTemporaryNameLength = 10;
// The new file's path with its terminator fits in MAX_PATH bytes, as the ANSI file
// calls need: a folder of up to 249 bytes leaves room for it.
constexpr std::size_t kTemporaryPathMaxBytes = 260;
// Names tried when the one chosen exists already, before the copy gives up.
constexpr unsigned kTemporaryNameAttempts = 100;

// CopyOneFile, with the error code of the step that failed.
CopyOutcome CopyFileInBlocks(const char* source, const char* destination);

// The same copy through two given file objects, which hold no file yet; tests
// pass subclasses that count or fail the file operations. newFile opens the new
// file beside the destination.
CopyOutcome CopyFileInBlocksThrough(CFile& sourceFile, CFile& newFile, const char* source,
                                    const char* destination);

// The same copy that stops before the last step: the new file, complete, stays
// beside the destination, still open through newFile and still marked for
// deletion, so that it goes with the run if the run ends before it is put in place
// (install/staged_files.h); the outcome carries its path (staged). It takes the
// destination's own name when no file has it, so that putting it in place only
// clears its mark (under Wine each rename into a free name reads the whole
// folder), else a name of its own. An existing destination is not touched. On a
// failure nothing made by the copy stays behind.
CopyOutcome StageFileInBlocksThrough(CFile& sourceFile, CFile& newFile, const char* source,
                                     const char* destination);

// Numbers for the names of files made beside a destination, from a start that
// differs between processes, so that two installers writing into one folder
// rarely try the same name.
unsigned NextTemporaryNumber();

}  // namespace tw
