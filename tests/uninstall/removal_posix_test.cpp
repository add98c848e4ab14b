// The removal on real folders through the host's imitation of the Win32 calls:
// links at A and A\Driver are never entered, a file held open is kept.
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/path_rules.h"
#include "framework/File.h"
#include "tests/install/recording_system.h"
#include "tests/temp_folder.h"
#include "tests/uninstall/fake_removal.h"
#include "uninstall/platform_removal.h"
#include "uninstall/removal.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Paths as the list holds them, with "\\"; the host takes them as POSIX paths.
struct Disk {
    TempFolder root;
    std::string app = root.Path() + "\\app\\";
    std::string elsewhere = root / "elsewhere/";
    tw::InstalledList list;
    RecordingSystem tools;  // no DLLs here: nothing is started

    Disk() {
        MakeFolder(root / "app");
        MakeFolder(root / "app/Driver");
        MakeFolder(elsewhere);
        list.appDirs = {app};
        list.recordPaths = {root / "ZAVIDAR.CFG"};
        Add(app + "readme.txt", "readme");
        Add(app + "Driver\\x.sys", "sys");
        WriteBytes(root / "ZAVIDAR.CFG", "not this folder");
    }
    void Add(const std::string& path, const std::string& bytes) {
        WriteBytes(tw::ToPosixPath(path), bytes);
        list.files.push_back({path, DigestOf(bytes), bytes.size(), tw::FileRole::file});
    }
    tw::RemovalSummary Remove() {
        return tw::RemoveInstalledFiles(list, PlatformRemovalSystem(), tools);
    }
};

TEST(RemovalOnDisk, RemovesFilesAndTheEmptyDriverFolderKeepsAAndAForeignRecord) {
    Disk disk;
    tw::RemovalSummary summary = disk.Remove();
    EXPECT_THAT(summary.failedFiles, IsEmpty());
    EXPECT_EQ(summary.filesRemoved, 2);
    EXPECT_THAT(NamesIn(disk.root / "app"), IsEmpty());
    EXPECT_THAT(summary.recordsKept, ElementsAre(disk.root / "ZAVIDAR.CFG"));
    EXPECT_EQ(ReadBytes(disk.root / "ZAVIDAR.CFG"), "not this folder");
}

TEST(RemovalOnDisk, LinksAreNeverEntered) {
    for (const char* linked : {"", "Driver"}) {
        SCOPED_TRACE(linked);
        Disk disk;
        // The folder is replaced by a link to a folder that holds the same names.
        std::string folder = disk.root / "app" + (*linked ? "/" : "") + linked;
        std::string target = disk.elsewhere + "target";
        ASSERT_EQ(rename(folder.c_str(), target.c_str()), 0);
        ASSERT_EQ(symlink(target.c_str(), folder.c_str()), 0);
        std::vector<std::string> before = NamesIn(target);
        tw::RemovalSummary summary = disk.Remove();
        EXPECT_EQ(NamesIn(target), before) << "nothing removed through the link";
        EXPECT_FALSE(summary.failedFiles.empty());
        struct stat st {};
        EXPECT_EQ(lstat(folder.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link itself stays";
    }
}

TEST(RemovalOnDisk, AFileHeldOpenOrSwappedForALinkIsKept) {
    Disk disk;
    CFile holder((disk.app + "readme.txt").c_str(), CFile::modeRead | CFile::shareDenyNone);
    const std::string sys = disk.root / "app/Driver/x.sys";
    WriteBytes(disk.elsewhere + "victim", "sys");
    ASSERT_EQ(unlink(sys.c_str()), 0);
    ASSERT_EQ(symlink((disk.elsewhere + "victim").c_str(), sys.c_str()), 0);
    tw::RemovalSummary summary = disk.Remove();
    EXPECT_THAT(summary.failedFiles,
                ElementsAre(disk.app + "readme.txt", disk.app + "Driver\\x.sys"));
    EXPECT_EQ(ReadBytes(disk.elsewhere + "victim"), "sys");
    EXPECT_THAT(NamesIn(disk.root / "app"), ElementsAre("Driver", "readme.txt"));
}

}  // namespace
