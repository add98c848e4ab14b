// The record's file: opened as the framework's file class opens it, and locked to
// administrators through the very handle that wrote it, so that no other user
// can later point the product at a folder of theirs.
#pragma once

#include "framework/File.h"

namespace tw {

// Owner Administrators; SYSTEM and Administrators may do everything, Users only
// read; protected, so that nothing the drive's root gives its files is inherited.
constexpr const char* kLockedRecordSddl = "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)";

class RecordFile : public CFile {
public:
    using CFile::CFile;

    // Gives the open file the rights of kLockedRecordSddl, whatever it had before;
    // its bytes stay as they are. A volume that keeps no rights at all (FAT) has
    // nothing to lock. Throws CFileException naming the file when they cannot be set.
    void LockToAdministrators();
};

}  // namespace tw
