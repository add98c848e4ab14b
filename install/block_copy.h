// The block copy: one file to one destination in blocks of 4096 bytes, through
// the framework's file class. The destination is created anew with normal
// attributes; only the bytes of the source are carried over.
#pragma once

#include "framework/File.h"

// Open flags of the two files: the source may still be read by others but not
// written; nobody else may open the destination.
constexpr unsigned kCopySourceFlags = CFile::modeRead | CFile::shareDenyWrite;  // 0x20
constexpr unsigned kCopyDestinationFlags =
    CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive;  // 0x1011
constexpr unsigned kCopyBlockSize = 4096;

// True when both files opened and every byte was copied. False when either file
// cannot be opened (the destination is then neither created nor touched), and
// false when a read, write or close fails once both are open: both files are
// then closed and the partly written destination is removed, so a half-copied
// file never stays installed. No exception leaves the copy.
BOOL CopyOneFile(const char* source, const char* destination);

// The same copy through two given file objects, which hold no file yet; tests
// pass subclasses that count or fail the file operations.
BOOL CopyOneFileThrough(CFile& sourceFile, CFile& destinationFile, const char* source,
                        const char* destination);
