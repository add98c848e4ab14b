// Writes the configuration record through the framework's file class. Failures
// leave as CFileException; nothing here catches one.
#pragma once

#include <string_view>

#include "framework/File.h"

namespace tw {

// A path from the root of the current drive, not from the application directory.
constexpr const char* kConfigRecordPath = "\\ZAVIDAR.CFG";

// Open always, never truncate (a longer file keeps its tail), read and write,
// shared for reading and writing, binary.
constexpr unsigned kConfigRecordOpenFlags = CFile::modeCreate | CFile::modeNoTruncate |
                                            CFile::modeReadWrite | CFile::shareDenyNone |
                                            CFile::typeBinary;
static_assert(kConfigRecordOpenFlags == 0xB042);

// Opens path exactly as given, writes the record for directoryText and, before
// the close, locks the file to administrators (config/record_file.h).
void WriteConfigRecord(const char* path, std::string_view directoryText);

// The two writes alone, header first: the 276 bytes at offsets 0 to 275.
void WriteConfigRecordBytes(CFile& file, std::string_view directoryText);

}  // namespace tw
