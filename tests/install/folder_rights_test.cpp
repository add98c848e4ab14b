// The rule that decides when a destination folder is locked, the list it gets,
// the step that locks it, and Win32's reading and setting of rights under Wine,
// which maps the descriptors to mode bits (the host reads and sets none).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "install/folder_rights.h"
#include "install/folder_securing.h"
#include "install/platform_folder_rights.h"
#include "tests/temp_folder.h"
#include "tests/machine_offers.h"

namespace {

using Kind = tw::AccessEntry::Kind;
using Result = tw::FolderSecuring::Result;

constexpr const char* kUser = "S-1-5-21-1-2-3-1000";   // the user running the run
constexpr const char* kOther = "S-1-5-21-1-2-3-1001";  // another user of the machine
constexpr const char* kAuthenticatedUsers = "S-1-5-11";
constexpr std::uint32_t kFull = 0x001F01FF;
constexpr std::uint32_t kRead = 0x001200A9;

// The locked descriptor as the system reads it back from a folder: owner
// Administrators, SYSTEM and Administrators full control, Users read and execute,
// each inherited by files and folders.
tw::FolderRights LockedFolderRights() {
    constexpr std::uint8_t kFilesAndFolders = tw::kObjectInherit | tw::kContainerInherit;
    return {"S-1-5-32-544",
            true,
            {{Kind::allow, "S-1-5-18", kFull, kFilesAndFolders},
             {Kind::allow, "S-1-5-32-544", kFull, kFilesAndFolders},
             {Kind::allow, "S-1-5-32-545", kRead, kFilesAndFolders}}};
}
constexpr std::uint8_t kBoth = tw::kObjectInherit | tw::kContainerInherit;

tw::AccessEntry Allow(std::string_view sid, std::uint32_t mask, std::uint8_t flags = kBoth) {
    return {Kind::allow, std::string(sid), mask, flags};
}
tw::AccessEntry Deny(std::string_view sid, std::uint32_t mask) {
    return {Kind::deny, std::string(sid), mask, kBoth};
}

// The administrators' entries of a list that is locked already.
std::vector<tw::AccessEntry> AdminEntries() {
    return {Allow(tw::kLocalSystemSid, kFull), Allow(tw::kAdministratorsSid, kFull),
            Allow(tw::kUsersSid, kRead)};
}

tw::FolderRights With(std::string_view owner, std::vector<tw::AccessEntry> extra) {
    tw::FolderRights rights{std::string(owner), true, AdminEntries()};
    rights.entries.insert(rights.entries.end(), extra.begin(), extra.end());
    return rights;
}

TEST(FolderRights, TheRuleLocksWhatAnyoneButTheAdministratorsMayChange) {
    struct Case {
        const char* what;
        tw::FolderRights rights;
        bool locks;
    };
    const Case cases[] = {
        {"the locked list", LockedFolderRights(), false},
        {"Program Files: TrustedInstaller owns, CREATOR OWNER inherit-only",
         With(tw::kTrustedInstallerSid,
              {Allow(tw::kTrustedInstallerSid, kFull),
               Allow(tw::kCreatorOwnerSid, 0x10000000, kBoth | tw::kInheritOnly)}),
         false},
        {"owned by the system", With(tw::kLocalSystemSid, {}), false},
        {"owned by the user running this, who has full control", With(kUser, {Allow(kUser, kFull)}),
         true},
        {"owned by the administrators, the user running this may change it",
         With(tw::kAdministratorsSid, {Allow(kUser, 0x2, 0)}), true},
        {"a null access list", {std::string(tw::kAdministratorsSid), false, {}}, true},
        {"an empty access list (nobody may do anything)",
         {std::string(tw::kAdministratorsSid), true, {}},
         false},
        {"owned by another user", With(kOther, {}), true},
        {"an owner that could not be read", With("", {}), true},
        {"the root of C: (Authenticated Users may create folders)",
         With(tw::kAdministratorsSid,
              {Allow(kAuthenticatedUsers, 0x00000004, tw::kContainerInherit)}),
         true},
        {"Everyone may read and run",
         With(tw::kAdministratorsSid, {Allow(tw::kEveryoneSid, kRead)}), false},
        {"Everyone may write", With(tw::kAdministratorsSid, {Allow(tw::kEveryoneSid, 0x40000000)}),
         true},
        {"Everyone may write, but is denied too",
         With(tw::kAdministratorsSid,
              {Deny(tw::kEveryoneSid, 0x40000000), Allow(tw::kEveryoneSid, 0x40000000)}),
         true},
        {"Users may write, another user is denied",
         With(tw::kAdministratorsSid, {Deny(kOther, kFull), Allow(tw::kUsersSid, 0x2)}), true},
        {"only a deny for Everyone", With(tw::kAdministratorsSid, {Deny(tw::kEveryoneSid, kFull)}),
         false},
        {"another user's right for new files only (inherit-only)",
         With(tw::kAdministratorsSid, {Allow(kOther, kFull, kBoth | tw::kInheritOnly)}), true},
        {"an inherited right of Users to write",
         With(tw::kAdministratorsSid, {Allow(tw::kUsersSid, 0x2, kBoth | tw::kInherited)}), true},
        {"CREATOR OWNER full control",
         With(tw::kAdministratorsSid, {Allow(tw::kCreatorOwnerSid, kFull)}), false},
        {"OWNER RIGHTS with an administrator owner",
         With(tw::kAdministratorsSid, {Allow(tw::kOwnerRightsSid, kFull)}), false},
        {"an entry of another kind (read as nobody's every right)",
         With(tw::kAdministratorsSid, {Allow("", tw::kChangingRights)}), true},
    };
    for (const Case& c : cases) EXPECT_EQ(tw::NeedsLocking(c.rights), c.locks) << c.what;
}

// What the check before the first tool start names in a destination folder: files
// and folders alike, of any owner but the three trusted, the user running the
// installation among them.
TEST(FolderRights, EntriesOfAnyOtherOwnerAreNamedFilesAndFoldersAlike) {
    const std::vector<tw::OwnedEntry> entries = {
        {".", std::string(tw::kAdministratorsSid)},
        {"..", kOther},  // the folder above: not the folder's content
        {"tool.exe", std::string(tw::kAdministratorsSid)},
        {"system.dll", std::string(tw::kLocalSystemSid)},
        {"service.dll", std::string(tw::kTrustedInstallerSid)},
        {"mine.dll", kUser},
        {"Driver", std::string(tw::kAdministratorsSid)},
        {"my folder", kUser},
        {"their folder", kOther},
        {"unreadable", ""},
        {"users.dll", std::string(tw::kUsersSid)},
    };
    EXPECT_EQ(tw::UntrustedEntries(entries),
              (std::vector<std::string>{"mine.dll", "my folder", "their folder", "unreadable",
                                        "users.dll"}));
    EXPECT_TRUE(tw::UntrustedEntries({}).empty());
}

// Each changing right alone, given to Users, locks the folder; reading, running
// and synchronising do not.
TEST(FolderRights, EachChangingRightAloneLocks) {
    const std::uint32_t changing[] = {0x2,     0x4,     0x10,      0x40,       0x100,     0x10000,
                                      0x40000, 0x80000, 0x2000000, 0x10000000, 0x40000000};
    for (std::uint32_t mask : changing)
        EXPECT_TRUE(tw::NeedsLocking(With(tw::kAdministratorsSid, {Allow(tw::kUsersSid, mask)})))
            << std::hex << mask;
    const std::uint32_t harmless[] = {0x1, 0x8, 0x20, 0x80, 0x20000, 0x100000, 0x80000000, kRead};
    for (std::uint32_t mask : harmless)
        EXPECT_FALSE(tw::NeedsLocking(With(tw::kAdministratorsSid, {Allow(tw::kUsersSid, mask)})))
            << std::hex << mask;
}

TEST(FolderRights, TheLockedListIsProgramFilesOwn) {
    EXPECT_STREQ(tw::kLockedFolderSddl,
                 "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
}

// A folder's rights as scripted: each Read hands out the next list or error.
class ScriptedRights : public tw::FolderRightsAccess {
public:
    struct Answer {
        std::uint32_t error;
        tw::FolderRights rights;
    };
    std::vector<Answer> reads;
    std::uint32_t lockError = 0;
    std::vector<std::string> calls;

    std::uint32_t Read(tw::FolderRights& rights) override {
        calls.push_back("read");
        const Answer& next = reads[std::min(m_next++, reads.size() - 1)];
        rights = next.rights;
        return next.error;
    }
    std::uint32_t Lock() override {
        calls.push_back("lock");
        return lockError;
    }

private:
    std::size_t m_next = 0;
};

TEST(FolderRights, SecuringReadsDecidesLocksAndReadsBack) {
    const tw::FolderRights open = With(tw::kAdministratorsSid, {Allow(tw::kEveryoneSid, kFull)});
    const tw::FolderRights locked = LockedFolderRights();
    struct Case {
        const char* what;
        std::vector<ScriptedRights::Answer> reads;
        std::uint32_t lockError;
        Result result;
        std::uint32_t error;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"locked already", {{0, locked}}, 0, Result::unchanged, 0, {"read"}},
        {"its rights cannot be read", {{5, {}}}, 0, Result::failed, 5, {"read"}},
        {"open, locked", {{0, open}, {0, locked}}, 0, Result::secured, 0, {"read", "lock", "read"}},
        {"open, the owner refused", {{0, open}}, 1307, Result::failed, 1307, {"read", "lock"}},
        {"open, the lock refused (a FAT volume)",
         {{0, open}},
         50,
         Result::failed,
         50,
         {"read", "lock"}},
        {"open, locked, not readable again",
         {{0, open}, {6, {}}},
         0,
         Result::failed,
         6,
         {"read", "lock", "read"}},
        {"open, locked, still open (the volume dropped the list)",
         {{0, open}, {0, open}},
         0,
         Result::failed,
         tw::kErrorRightsNotKept,
         {"read", "lock", "read"}},
    };
    for (const Case& c : cases) {
        ScriptedRights rights;
        rights.reads = c.reads;
        rights.lockError = c.lockError;
        tw::FolderSecuring securing = tw::SecureFolderRights(rights);
        EXPECT_EQ(securing.result, c.result) << c.what;
        EXPECT_EQ(securing.error, c.error) << c.what;
        EXPECT_EQ(rights.calls, c.calls) << c.what;
    }
}

#ifdef _WIN32

// Under Wine a folder's list is mapped to its mode: the runner made "open folder"
// 777, which reads as one that Everyone may change; locked, it reads as locked and
// the next run leaves it.
TEST(FolderRightsOnWin32, AFolderEveryoneMayChangeIsLockedThroughItsHandle) {
    const char* drive = std::getenv("TW_ENGINE_DRIVE");
    if (!drive) TW_SKIP_UNLESS_OFFERED("drive") << "needs the drive of with_engine_drive.sh";
    const std::string open = std::string(drive) + "\\open folder\\";
    tw::FolderRights before;
    ASSERT_EQ(tw::ReadPlatformFolderRights(open.c_str(), before), 0u);
    EXPECT_TRUE(tw::NeedsLocking(before));

    tw::FolderSecuring securing = tw::SecurePlatformFolder(open.c_str());
    EXPECT_EQ(securing.result, Result::secured) << securing.error;
    tw::FolderRights after;
    ASSERT_EQ(tw::ReadPlatformFolderRights(open.c_str(), after), 0u);
    EXPECT_FALSE(tw::NeedsLocking(after));
    EXPECT_EQ(tw::SecurePlatformFolder(open.c_str()).result, Result::unchanged);

    // The files and folders made by this run: Wine keeps only their Unix owner,
    // which reads as the administrators' (Windows gives them to the administrators).
    WriteBytes(std::string(drive) + "\\open folder\\mine.dll", "m");
    MakeFolder(std::string(drive) + "\\open folder\\sub");
    tw::UntrustedFiles found = tw::FindPlatformUntrustedFiles(open.c_str());
    EXPECT_FALSE(found.unreadable);
    EXPECT_TRUE(found.names.empty()) << ::testing::PrintToString(found.names);
    EXPECT_EQ(after.owner, tw::kAdministratorsSid);
}

TEST(FolderRightsOnWin32, AMissingFolderIsNotSecured) {
    TempFolder temp;
    tw::FolderSecuring missing = tw::SecurePlatformFolder((temp / "missing\\").c_str());
    EXPECT_EQ(missing.result, Result::failed);
    EXPECT_EQ(missing.error, 2u);
    EXPECT_TRUE(tw::FindPlatformUntrustedFiles((temp / "missing\\").c_str()).unreadable);
}

#endif

}  // namespace
