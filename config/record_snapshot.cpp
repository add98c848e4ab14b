#include "config/record_snapshot.h"

#include "common/win32_error_codes.h"
#include "config/config_record.h"
#include "config/config_writer.h"
#include "framework/File.h"

namespace tw {

RecordSnapshot ReadRecordSnapshot(const char* path) {
    CFile file;
    CFileException error(CFileException::none, -1, nullptr);
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary, &error)) {
        if (IsMissing(error.m_lOsError)) return {true, std::nullopt};
        return {};
    }
    try {
        std::string bytes(kConfigRecordSize, '\0');
        std::size_t got = 0;
        while (got < bytes.size()) {
            const unsigned count =
                file.Read(bytes.data() + got, static_cast<unsigned>(bytes.size() - got));
            if (count == 0) break;
            got += count;
        }
        bytes.resize(got);
        return {true, std::move(bytes)};
    } catch (const CFileException&) {
        return {};
    }
}

bool RestoreRecord(const char* path, const RecordSnapshot& snapshot) {
    if (!snapshot.taken) return false;
    try {
        if (!snapshot.bytes) {
            CFile::Remove(path);
            return true;
        }
        // A whole record is written over, as the run wrote it; a shorter file is
        // made again at its length.
        const bool whole = snapshot.bytes->size() == kConfigRecordSize;
        CFile file(path, whole ? kConfigRecordOpenFlags
                               : CFile::modeCreate | CFile::modeWrite | CFile::shareDenyNone |
                                     CFile::typeBinary);
        file.Write(snapshot.bytes->data(), static_cast<unsigned>(snapshot.bytes->size()));
        file.Close();
        return true;
    } catch (const CFileException&) {
        return false;
    }
}

}  // namespace tw
