#include "config/config_writer.h"

#include "config/config_record.h"
#include "config/record_file.h"

namespace tw {

void WriteConfigRecord(const char* path, std::string_view directoryText) {
    RecordFile file(path, kConfigRecordOpenFlags);
    WriteConfigRecordBytes(file, directoryText);
    // Whatever rights a record there had, and whatever the drive's root gives
    // its files: from now on only administrators may change it.
    file.LockToAdministrators();
    file.Close();
}

void WriteConfigRecordBytes(CFile& file, std::string_view directoryText) {
    ConfigRecord record = BuildConfigRecord(directoryText);
    file.Seek(0, CFile::begin);
    file.Write(record.data(), kConfigHeaderSize);
    file.Seek(kConfigHeaderSize, CFile::begin);
    file.Write(record.data() + kConfigHeaderSize, kConfigDirectorySize);
}

}  // namespace tw
