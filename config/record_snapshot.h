// What the configuration record held before a run wrote it, so that a run that
// is undone can give it back: its first 276 bytes (all of a shorter file), or
// that there was none. The record is only ever written over its first 276 bytes,
// so these restore the whole file.
#pragma once

#include <optional>
#include <string>

namespace tw {

struct RecordSnapshot {
    bool taken = false;                // the file could be read, or was absent
    std::optional<std::string> bytes;  // nothing: there was no record
};

// Reads the record at path, exactly as given; a file that exists but cannot be
// read gives a snapshot that is not taken.
RecordSnapshot ReadRecordSnapshot(const char* path);

// Writes the snapshot's bytes back (a shorter file is made as short again), or
// deletes the record when there was none. False when it cannot, or when the
// snapshot was not taken.
bool RestoreRecord(const char* path, const RecordSnapshot& snapshot);

}  // namespace tw
