// Win32: the record at "\ZAVIDAR.CFG" lands at the root of the current drive.
// with_record_drive.sh maps a drive letter to a fresh temporary folder and names
// it in TW_RECORD_DRIVE (such as "R:"); without it these tests are skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "config/config_writer.h"
#include "tests/config/record_bytes.h"
#include "tests/temp_folder.h"
#include "tests/machine_offers.h"

namespace {

std::string RecordDriveRoot() {
    const char* drive = std::getenv("TW_RECORD_DRIVE");
    return drive ? std::string(drive) + "\\" : std::string();
}

// Removes the record at the end of a test.
class RemoveAfterwards {
public:
    explicit RemoveAfterwards(std::string path) : m_path(std::move(path)) {}
    ~RemoveAfterwards() { DeleteFileA(m_path.c_str()); }

private:
    std::string m_path;
};

}  // namespace

TEST(ConfigRecordOnDrive, LandsAtTheRootOfTheCurrentDrive) {
    std::string root = RecordDriveRoot();
    if (root.empty())
        TW_SKIP_UNLESS_OFFERED("drive") << "no drive mapped: run through with_record_drive.sh";
    RemoveAfterwards cleanup(root + "ZAVIDAR.CFG");
    MakeFolder(root + "drivers\\Varnelquist");
    CurrentDirectory inDrivers(root + "drivers\\Varnelquist");

    tw::WriteConfigRecord(tw::kConfigRecordPath, "C:\\Varnelquist\\");
    EXPECT_EQ(ReadBytes(root + "ZAVIDAR.CFG"), ExpectedRecord("C:\\Varnelquist"));
    EXPECT_FALSE(PathExists(root + "drivers\\Varnelquist\\ZAVIDAR.CFG"));

    // A failing write would name the file by this full path.
    CFile file(tw::kConfigRecordPath, tw::kConfigRecordOpenFlags);
    EXPECT_STREQ(file.GetFilePath(), (root + "ZAVIDAR.CFG").c_str());
}

// with_record_drive.sh runs this suite alone, with the drive's folder made
// immutable: nobody, root included, may create a file in it.
TEST(ConfigRecordOnReadOnlyDrive, OpenIsRefusedWithAccessDenied) {
    std::string root = RecordDriveRoot();
    if (root.empty() || !std::getenv("TW_RECORD_DRIVE_READ_ONLY"))
        TW_SKIP_UNLESS_OFFERED("read-only-drive") << "run through with_record_drive.sh";
    CurrentDirectory inRoot(root);
    try {
        tw::WriteConfigRecord(tw::kConfigRecordPath, "C:\\Varnelquist");
        ADD_FAILURE() << "the record was written to a read-only drive";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.m_lOsError, 5);
        EXPECT_EQ(error.m_cause, CFileException::accessDenied);
        // "对 \ZAVIDAR.CFG 的存取被拒绝。"
        EXPECT_STREQ(error.GetErrorMessage(),
                     "\xB6\xD4 \\ZAVIDAR.CFG "
                     "\xB5\xC4\xB4\xE6\xC8\xA1\xB1\xBB\xBE\xDC\xBE\xF8\xA1\xA3");
    }
    EXPECT_FALSE(PathExists(root + "ZAVIDAR.CFG"));
}
