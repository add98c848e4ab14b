#include "config/config_writer.h"

#include "config/config_record.h"

namespace tw {

void WriteConfigRecord(const char* path, std::string_view directoryText) {
    CFile file(path, kConfigRecordOpenFlags);
    WriteConfigRecord(file, directoryText);
}

void WriteConfigRecord(CFile& file, std::string_view directoryText) {
    ConfigRecord record = BuildConfigRecord(directoryText);
    file.Seek(0, CFile::begin);
    file.Write(record.data(), kConfigHeaderSize);
    file.Seek(kConfigHeaderSize, CFile::begin);
    file.Write(record.data() + kConfigHeaderSize, kConfigDirectorySize);
    file.Close();
}

}  // namespace tw
