// Win32: the record at "\ZAVIDAR.CFG" lands at the root of the current drive.
// with_record_drive.sh maps a drive letter to a fresh temporary folder and names
// it in TW_RECORD_DRIVE (such as "R:"); without it these tests are skipped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "config/config_writer.h"
#include "tests/config/record_bytes.h"
#include "tests/temp_folder.h"
#include "tests/machine_offers.h"

namespace {

std::string RecordDriveRoot() {
    const char* drive = std::getenv("TW_RECORD_DRIVE");
    return drive ? std::string(drive) + "\\" : std::string();
}

// A file's owner and its allow entries, SIDs as text, as the system reports them.
struct Rights {
    std::string owner;
    struct Entry {
        std::string sid;
        DWORD mask;
    };
    std::vector<Entry> allowed;
};

std::string SidText(PSID sid) {
    LPSTR text = nullptr;
    if (!sid || !ConvertSidToStringSidA(sid, &text)) return {};
    std::string result = text;
    LocalFree(text);
    return result;
}

Rights ReadRights(const std::string& path) {
    Rights rights;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return rights;
    rights.owner = SidText(owner);
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (GetAce(dacl, i, &ace) &&
            static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            rights.allowed.push_back({SidText(&allowed->SidStart), allowed->Mask});
        }
    }
    LocalFree(descriptor);
    return rights;
}

std::string RunningUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    const bool read = size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    return read ? SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid) : std::string();
}

// The rights that change a file: its data, attributes, access list, owner, or itself.
constexpr DWORD kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                  FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER |
                                  GENERIC_WRITE | GENERIC_ALL;

// The SIDs that may change the file.
std::vector<std::string> WhoMayChange(const Rights& rights) {
    std::vector<std::string> sids;
    for (const Rights::Entry& entry : rights.allowed)
        if (entry.mask & kChangingRights) sids.push_back(entry.sid);
    return sids;
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

// A record that everyone may change (the drive root's rights, or a record another
// user made) is afterwards changeable by SYSTEM and Administrators only, readable
// by users, its bytes after the 276th unchanged.
TEST(ConfigRecordOnDrive, IsLockedToAdministratorsWhateverItsRightsWere) {
    std::string root = RecordDriveRoot();
    if (root.empty())
        TW_SKIP_UNLESS_OFFERED("drive") << "no drive mapped: run through with_record_drive.sh";
    const std::string record = root + "ZAVIDAR.CFG";
    RemoveAfterwards cleanup(record);
    const std::string tail(300, 'T');
    WriteBytes(record, std::string(276, 'x') + tail);
    PSECURITY_DESCRIPTOR everyone = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:P(A;;FA;;;WD)", SDDL_REVISION_1, &everyone, nullptr));
    ASSERT_TRUE(SetFileSecurityA(record.c_str(), DACL_SECURITY_INFORMATION, everyone));
    LocalFree(everyone);
    ASSERT_THAT(WhoMayChange(ReadRights(record)), ::testing::Contains("S-1-1-0"))
        << "the system does not show the rights it was given";

    CurrentDirectory inRoot(root);
    tw::WriteConfigRecord(tw::kConfigRecordPath, "C:\\Varnelquist");
    EXPECT_EQ(ReadBytes(record), ExpectedRecord("C:\\Varnelquist") + tail);
    // Wine keeps a file's access list as its Unix mode, and reports the user
    // running it as every file's owner and as the holder of the owner's bits: of
    // the rights set, it shows that Everyone and Users may no longer change it.
    const Rights rights = ReadRights(record);
    const std::string user = RunningUser();
    ASSERT_FALSE(user.empty());
    for (const std::string& sid : WhoMayChange(rights))
        EXPECT_TRUE(sid == "S-1-5-18" || sid == "S-1-5-32-544" || sid == user)
            << sid << " may change the record";
    EXPECT_TRUE(rights.owner == "S-1-5-32-544" || rights.owner == user) << rights.owner;
}
