// Folder identities on real folders, and the OK decision with them: on the host
// through symbolic links and "..", under Wine through a short name, a device path
// and a Unix symbolic link inside a mapped drive.
#include "appdir/folder_identity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "appdir/appdir_check.h"
#include "tests/temp_folder.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdlib>

#include "appdir/full_path_name.h"
#include "tests/machine_offers.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using tw::AppDirVerdict;
using tw::ReadFolderIdentity;

#ifndef _WIN32

namespace {

// The search's attribute word as Windows gives it, from lstat: a link is the entry itself.
std::optional<std::uint32_t> EntryAttributes(const char* path) {
    struct stat st {};
    if (lstat(path, &st) != 0) return std::nullopt;
    if (S_ISLNK(st.st_mode))
        return 0x400u | (stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? 0x10u : 0u);
    return S_ISDIR(st.st_mode) ? 0x10u : 0x20u;
}

std::optional<std::string> AsGiven(const char* text) { return std::string(text); }

void Link(const std::string& target, const std::string& link) {
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0) << link;
}

}  // namespace

TEST(FolderIdentity, AFolderIsTheSameThroughALinkAndThroughDotDot) {
    TempFolder folder;
    MakeFolder(folder / "pkg");
    MakeFolder(folder / "pkg/Driver");
    MakeFolder(folder / "other");
    Link(folder / "pkg/Driver", folder / "alias");

    std::optional<tw::FolderIdentity> driver = ReadFolderIdentity((folder / "pkg/Driver").c_str());
    ASSERT_TRUE(driver.has_value());
    EXPECT_EQ(ReadFolderIdentity((folder / "alias").c_str()), driver);
    EXPECT_EQ(ReadFolderIdentity((folder / "other/../pkg/Driver").c_str()), driver);
    EXPECT_NE(ReadFolderIdentity((folder / "other").c_str()), driver);
    EXPECT_NE(ReadFolderIdentity((folder / "pkg").c_str()), driver);
    EXPECT_FALSE(ReadFolderIdentity((folder / "missing").c_str()).has_value());
}

TEST(FolderIdentity, TheDecisionRefusesThePackageReachedThroughLinks) {
    TempFolder folder;
    const std::string package = folder / "pkg";
    for (const char* name :
         {"pkg", "pkg/Driver", "pkg/Driver/x86", "pkg/driversupport", "pkg/inst", "other"})
        MakeFolder(folder / name);
    Link(package + "/Driver", folder / "alias");  // a link to the Driver folder
    Link(folder.Path(), folder / "again");        // a second way to every folder here
    struct Case {
        std::string text;
        AppDirVerdict verdict;
    } cases[] = {
        {folder / "alias", AppDirVerdict::link},
        {folder / "alias/x86", AppDirVerdict::packageFolder},
        {folder / "again/pkg", AppDirVerdict::packageFolder},
        {folder / "again/pkg/driversupport", AppDirVerdict::packageFolder},
        {folder / "again/pkg/Driver/x86", AppDirVerdict::packageFolder},
        {folder / "again/pkg/inst", AppDirVerdict::accepted},
        {folder / "pkg/inst", AppDirVerdict::accepted},
        {folder / "again/other", AppDirVerdict::accepted},
        {folder / "missing", AppDirVerdict::missing},
    };
    for (const Case& c : cases) {
        tw::AppDirCheck check =
            tw::CheckAppDir(c.text, EntryAttributes, AsGiven, ReadFolderIdentity, package);
        EXPECT_EQ(check.verdict, c.verdict) << c.text;
    }
}

#else

namespace {

tw::AppDirCheck CheckAppDir(const std::string& text, const std::string& package) {
    return tw::CheckAppDir(text, tw::FindFirstEntryAttributes, tw::FullPathName, ReadFolderIdentity,
                           package);
}

std::string ShortPathOf(const std::string& path) {
    char shortPath[MAX_PATH] = {};
    DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(shortPath, length) : std::string();
}

}  // namespace

TEST(FolderIdentity, TheSameFolderUnderEverySpelling) {
    TempFolder folder;
    const std::string package = folder / "PackageFolderLong";
    MakeFolder(package);
    MakeFolder(package + "\\Driver");
    MakeFolder(package + "\\Driver\\x86");
    MakeFolder(package + "\\inst");
    const std::string shortPackage = ShortPathOf(package);
    ASSERT_FALSE(shortPackage.empty()) << GetLastError();
    ASSERT_NE(shortPackage, package) << "no short name to test with";
    const std::string device = "\\\\.\\" + package;

    std::optional<tw::FolderIdentity> identity = ReadFolderIdentity(package.c_str());
    ASSERT_TRUE(identity.has_value());
    EXPECT_NE(identity->index, 0u);
    EXPECT_EQ(ReadFolderIdentity(shortPackage.c_str()), identity);
    EXPECT_EQ(ReadFolderIdentity(device.c_str()), identity);
    EXPECT_NE(ReadFolderIdentity((package + "\\Driver").c_str()), identity);
    EXPECT_FALSE(ReadFolderIdentity((folder / "missing").c_str()).has_value());

    struct Case {
        std::string text;
        AppDirVerdict verdict;
    } cases[] = {
        {shortPackage, AppDirVerdict::packageFolder},
        {shortPackage + "\\Driver\\x86", AppDirVerdict::packageFolder},
        {device, AppDirVerdict::packageFolder},
        {device + "\\Driver", AppDirVerdict::packageFolder},
        {shortPackage + "\\inst", AppDirVerdict::accepted},
        {device + "\\inst", AppDirVerdict::accepted},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckAppDir(c.text, package).verdict, c.verdict) << c.text;
}

// with_record_drive.sh lays out R:\links\package\Driver\x86 and R:\links\to-driver,
// a Unix symbolic link to the Driver folder (Wine 8's CreateSymbolicLinkA reports
// success and makes nothing).
TEST(FolderIdentity, ALinkInTheDriveIsRefusedAndLeadsToThePackage) {
    const char* drive = std::getenv("TW_RECORD_DRIVE");
    if (!drive)
        TW_SKIP_UNLESS_OFFERED("drive") << "no drive mapped: run through with_record_drive.sh";
    const std::string links = std::string(drive) + "\\links";
    const std::string package = links + "\\package";
    ASSERT_TRUE(PathExists(links + "\\to-driver\\x86")) << "the runner laid out no link";

    std::optional<std::uint32_t> entry =
        tw::FindFirstEntryAttributes((links + "\\to-driver").c_str());
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(*entry & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY),
              FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(ReadFolderIdentity((links + "\\to-driver").c_str()),
              ReadFolderIdentity((package + "\\Driver").c_str()));

    EXPECT_EQ(CheckAppDir(links + "\\to-driver", package).verdict, AppDirVerdict::link);
    EXPECT_EQ(CheckAppDir(links + "\\to-driver\\", "").verdict, AppDirVerdict::link);
    EXPECT_EQ(CheckAppDir(links + "\\to-driver\\x86", package).verdict,
              AppDirVerdict::packageFolder);
    EXPECT_EQ(CheckAppDir(package + "\\Driver\\x86", package).verdict,
              AppDirVerdict::packageFolder);
    EXPECT_TRUE(CheckAppDir(links, package).Accepted());
}

#endif
