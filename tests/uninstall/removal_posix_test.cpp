// The removal on real folders through the host's imitation of the Win32 calls:
// links at A and A\Driver are never entered, a file held open is kept.
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/path_rules.h"
#include "framework/File.h"
#include "install/folder_hold.h"
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
    tw::RemovalEvents unseen;

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
        return tw::RemoveInstalledFiles(list, PlatformRemovalSystem(), tools, unseen);
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

// The list says what A and A\Driver were; another folder put at A's path with the
// same names and bytes (the real one renamed away) is not worked in.
TEST(RemovalOnDisk, OnlyTheFolderInstalledIsWorkedIn) {
    for (bool lookalike : {false, true}) {
        SCOPED_TRACE(lookalike ? "a lookalike at A's path" : "the folder installed");
        Disk disk;
        for (const std::string& folder : {disk.app, disk.app + "Driver\\"}) {
            std::unique_ptr<Hold> held;
            ASSERT_EQ(tw::OpenFolderAsItself(folder.c_str(), held), FolderOpening::held);
            ASSERT_TRUE(held->Identity());
            disk.list.folders.push_back({folder, *held->Identity(), true});
        }
        if (lookalike) {
            ASSERT_EQ(rename((disk.root / "app").c_str(), (disk.elsewhere + "app").c_str()), 0);
            MakeFolder(disk.root / "app/Driver");
            WriteBytes(disk.root / "app/readme.txt", "readme");
            WriteBytes(disk.root / "app/Driver/x.sys", "sys");
        }
        tw::RemovalSummary summary = disk.Remove();
        if (!lookalike) {
            EXPECT_TRUE(summary.Complete());
            EXPECT_THAT(NamesIn(disk.root / "app"), IsEmpty());
            continue;
        }
        EXPECT_THAT(summary.foldersNotInstalled, ElementsAre(disk.app));
        EXPECT_THAT(summary.failedFiles, ElementsAre(disk.app));
        EXPECT_EQ(summary.left.files, disk.list.files);
        EXPECT_THAT(NamesIn(disk.root / "app"), ElementsAre("Driver", "readme.txt"));
        EXPECT_THAT(NamesIn(disk.elsewhere + "app"), ElementsAre("Driver", "readme.txt"));
    }
}

}  // namespace
