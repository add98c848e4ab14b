// The removal's system on Win32, under Wine: files held so that nobody can write,
// rename or swap them, read and deleted through that very handle, links never
// followed, only empty folders removed; and the removal on real folders, where a
// changed file, a file someone has open and everything behind a link stay.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/win32_handles.h"
#include "tests/install/recording_system.h"
#include "tests/temp_folder.h"
#include "tests/uninstall/fake_removal.h"
#include "uninstall/platform_uninstall.h"
#include "uninstall/removal.h"

namespace fs = std::filesystem;

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using OpenHandle = tw::FileHandle;

HANDLE OpenedElsewhere(const std::string& path, DWORD access, DWORD share) {
    return CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's bytes as another program reads them, sharing everything; "<none>"
// when it cannot be opened.
std::string ReadShared(const std::string& path) {
    HANDLE file = OpenedElsewhere(path, GENERIC_READ, kShareAll);
    if (file == INVALID_HANDLE_VALUE) return "<none>";
    std::string bytes;
    char block[4096];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof(block), &got, nullptr) && got > 0) bytes.append(block, got);
    CloseHandle(file);
    return bytes;
}

// The held file's bytes, read through the hold in blocks of block bytes.
std::string ReadThrough(HeldFile& held, std::size_t block) {
    std::string bytes;
    std::vector<unsigned char> buffer(block);
    for (;;) {
        std::size_t got = 0;
        if (!held.Read(buffer.data(), buffer.size(), got)) return "<failed>";
        if (got == 0) return bytes;
        bytes.append(reinterpret_cast<const char*>(buffer.data()), got);
    }
}

TEST(RemovalSystemWin32, AFileIsHeldOnlyWhenNobodyElseMayWriteOrDeleteIt) {
    TempFolder folder;
    const std::string file = folder / "file.dll";
    WriteBytes(file, "installed");
    MakeFolder(folder / "folder");
    MakeFolder(folder / "target");
    UnixLink link(folder / "target", folder / "folder link");
    ASSERT_TRUE(link.Made());
    const struct {
        const char* what;
        std::string path;
        DWORD otherAccess;  // 0: nobody else has it open
        DWORD otherShare;
        FileOpening opening;
    } cases[] = {
        {"a file", file, 0, 0, FileOpening::held},
        {"a file others read, sharing everything", file, GENERIC_READ, kShareAll,
         FileOpening::held},
        {"a file others read, not sharing its deletion", file, GENERIC_READ, FILE_SHARE_READ,
         FileOpening::failed},
        {"a file others may write", file, GENERIC_WRITE, kShareAll, FileOpening::failed},
        {"a file others may delete", file, DELETE, kShareAll, FileOpening::failed},
        {"nothing there", folder / "missing.dll", 0, 0, FileOpening::missing},
        {"in a folder that is not there", folder / "missing\\x.dll", 0, 0, FileOpening::missing},
        {"a folder", folder / "folder", 0, 0, FileOpening::failed},
        {"a link to a folder", folder / "folder link", 0, 0, FileOpening::failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<OpenHandle> other;
        if (c.otherAccess) {
            other =
                std::make_unique<OpenHandle>(OpenedElsewhere(c.path, c.otherAccess, c.otherShare));
            ASSERT_TRUE(other->IsValid());
        }
        std::unique_ptr<HeldFile> held;
        EXPECT_EQ(PlatformRemovalSystem().HoldFile(c.path.c_str(), held), c.opening);
        EXPECT_EQ(held != nullptr, c.opening == FileOpening::held);
    }
    EXPECT_EQ(ReadBytes(file), "installed");
    EXPECT_TRUE(fs::is_directory(folder / "target")) << "the link's folder stays";
}

// While held, others may read the file (and so start or load it) but neither
// write, delete, rename nor replace it; the hold reads it whole and deletes it
// through its own handle, so that what was checked is what goes.
TEST(RemovalSystemWin32, AHeldFileIsReadAndDeletedThroughItsOwnHandle) {
    TempFolder folder;
    const std::string file = folder / "held.dll";
    const std::string bytes = PatternBytes(3 * 4096 + 7, 5);
    WriteBytes(file, bytes);
    WriteBytes(folder / "other.dll", "swap");
    WriteBytes(folder / "beside.dll", bytes);

    std::unique_ptr<HeldFile> held;
    ASSERT_EQ(PlatformRemovalSystem().HoldFile(file.c_str(), held), FileOpening::held);
    EXPECT_TRUE(OpenHandle(OpenedElsewhere(file, GENERIC_READ, kShareAll)).IsValid())
        << "read by others";
    EXPECT_FALSE(OpenHandle(OpenedElsewhere(file, GENERIC_WRITE, kShareAll)).IsValid())
        << "written by others";
    EXPECT_FALSE(DeleteFileA(file.c_str())) << "deleted by name";
    EXPECT_FALSE(MoveFileExA(file.c_str(), (folder / "moved.dll").c_str(), 0)) << "renamed";
    EXPECT_FALSE(
        MoveFileExA((folder / "other.dll").c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING))
        << "replaced";
    EXPECT_EQ(ReadShared(file), bytes);

    EXPECT_EQ(ReadThrough(*held, 4096), bytes);
    EXPECT_EQ(ReadThrough(*held, 4096), "") << "at its end";
    EXPECT_TRUE(held->Delete());
    held.reset();
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(ReadBytes(folder / "beside.dll"), bytes) << "the same bytes elsewhere stay";
    EXPECT_EQ(ReadBytes(folder / "other.dll"), "swap");
}

// Under Wine a Unix link to a file looks like the file itself, and a file is
// deleted by its resolved name: a hold of the link would take the file it points at.
TEST(RemovalSystemWin32, ALinkInAFilesPlaceNeverTakesTheFileItPointsAt) {
    TempFolder folder;
    MakeFolder(folder / "elsewhere");
    const std::string victim = folder / "elsewhere\\victim.dll";
    WriteBytes(victim, "someone's");
    const std::string link = folder / "x.dll";
    UnixLink linked(victim, link);
    ASSERT_TRUE(linked.Made());
    std::unique_ptr<HeldFile> held;
    if (PlatformRemovalSystem().HoldFile(link.c_str(), held) == FileOpening::held) {
        held->Delete();
        held.reset();
    }
    EXPECT_EQ(ReadShared(victim), "someone's");
}

// Under Wine, removing "link\\" would remove the empty folder the link points at.
TEST(RemovalSystemWin32, AnEmptyFolderBehindALinkIsNeverRemoved) {
    TempFolder folder;
    MakeFolder(folder / "link target");
    UnixLink link(folder / "link target", folder / "link");
    ASSERT_TRUE(link.Made());
    EXPECT_FALSE(PlatformRemovalSystem().RemoveEmptyFolder((folder / "link\\").c_str()));
    EXPECT_TRUE(fs::is_directory(folder / "link target"));
}

TEST(RemovalSystemWin32, OnlyAnEmptyFolderIsRemoved) {
    TempFolder folder;
    MakeFolder(folder / "empty");
    MakeFolder(folder / "with a file");
    WriteBytes(folder / "with a file\\kept.txt", "kept");
    MakeFolder(folder / "with a folder\\inner");
    MakeFolder(folder / "link target");
    UnixLink link(folder / "link target", folder / "link");
    ASSERT_TRUE(link.Made());
    WriteBytes(folder / "link target\\inside.txt", "inside");
    const struct {
        const char* what;
        std::string path;
        bool removed;
    } cases[] = {
        {"an empty folder", folder / "empty\\", true},
        {"a folder with a file", folder / "with a file\\", false},
        {"a folder with an empty folder", folder / "with a folder\\", false},
        {"nothing there", folder / "missing\\", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PlatformRemovalSystem().RemoveEmptyFolder(c.path.c_str()), c.removed);
        EXPECT_EQ(Exists(c.path), !c.removed && c.path.find("missing") == std::string::npos);
    }
    EXPECT_EQ(ReadBytes(folder / "with a file\\kept.txt"), "kept");
    EXPECT_TRUE(fs::is_directory(folder / "with a folder\\inner"));
    EXPECT_FALSE(PlatformRemovalSystem().RemoveEmptyFolder((folder / "link\\").c_str()));
    EXPECT_EQ(ReadBytes(folder / "link target\\inside.txt"), "inside");

    std::unique_ptr<HeldFolder> held;
    EXPECT_EQ(PlatformRemovalSystem().OpenFolder((folder / "link\\").c_str(), held),
              FolderOpening::link);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(PlatformRemovalSystem().OpenFolder((folder / "with a file\\").c_str(), held),
              FolderOpening::held);
    EXPECT_NE(held, nullptr);
}

// An application directory on disk as an installation left it: the list's
// paths are Windows paths, its digests the installed bytes'.
struct Installed {
    TempFolder root;
    std::string app = root / "app\\";
    tw::InstalledList list;
    RecordingSystem tools;  // no DLLs: nothing is started
    tw::RemovalEvents unseen;

    Installed() {
        MakeFolder(root / "app\\Driver");
        list.appDirs = {app};
        Add(app + "readme.txt", "readme");
        Add(app + "Driver\\x.sys", "sys");
        Add(app + "Driver\\y.inf", "inf");
    }
    void Add(const std::string& path, const std::string& bytes) {
        WriteBytes(path, bytes);
        list.files.push_back({path, DigestOf(bytes), bytes.size(), tw::FileRole::file});
    }
    tw::RemovalSummary Remove() {
        return tw::RemoveInstalledFiles(list, PlatformRemovalSystem(), tools, unseen);
    }
};

TEST(RemovalOnDiskWin32, EveryFileGoesAndTheEmptyDriverFolderWithThem) {
    Installed installed;
    tw::RemovalSummary summary = installed.Remove();
    EXPECT_EQ(summary.filesRemoved, 3);
    EXPECT_THAT(summary.failedFiles, IsEmpty());
    EXPECT_THAT(summary.changedFiles, IsEmpty());
    EXPECT_THAT(summary.foldersRemoved, ElementsAre(installed.app + "Driver\\"));
    EXPECT_TRUE(summary.Complete());
    EXPECT_THAT(NamesIn(installed.root / "app"), IsEmpty()) << "the directory itself stays";
}

// A file changed since (the user's now), a file someone has open for writing and
// a file of someone else's in Driver\: each stays, and so does Driver\.
TEST(RemovalOnDiskWin32, WhatChangedOrIsOpenStaysAndKeepsItsFolder) {
    Installed installed;
    WriteBytes(installed.app + "Driver\\x.sys", "changed");
    WriteBytes(installed.app + "Driver\\user.txt", "user's");
    OpenHandle writer(OpenedElsewhere(installed.app + "readme.txt", GENERIC_WRITE, kShareAll));
    ASSERT_TRUE(writer.IsValid());

    tw::RemovalSummary summary = installed.Remove();

    EXPECT_EQ(summary.filesRemoved, 1);
    EXPECT_THAT(summary.changedFiles, ElementsAre(installed.app + "Driver\\x.sys"));
    EXPECT_THAT(summary.failedFiles, ElementsAre(installed.app + "readme.txt"));
    EXPECT_THAT(summary.foldersRemoved, IsEmpty());
    EXPECT_EQ(ReadBytes(installed.app + "Driver\\x.sys"), "changed");
    EXPECT_EQ(ReadBytes(installed.app + "readme.txt"), "readme");
    EXPECT_THAT(NamesIn(installed.root / "app\\Driver"), ElementsAre("user.txt", "x.sys"));
}

// A file swapped for a link to someone else's file: a link is never held, so it
// stays, named as not removed, as Windows refuses a reparse point; the file it
// points at stays too.
TEST(RemovalOnDiskWin32, AFileSwappedForALinkIsKeptAndNamed) {
    Installed installed;
    MakeFolder(installed.root / "elsewhere");
    const std::string victim = installed.root / "elsewhere\\victim";
    WriteBytes(victim, "someone's");
    const std::string sys = installed.app + "Driver\\x.sys";
    ASSERT_TRUE(DeleteFileA(sys.c_str()));
    UnixLink link(victim, sys);
    ASSERT_TRUE(link.Made());

    tw::RemovalSummary summary = installed.Remove();

    EXPECT_THAT(summary.changedFiles, IsEmpty());
    EXPECT_THAT(summary.failedFiles, ElementsAre(sys));
    EXPECT_EQ(summary.filesRemoved, 2);
    EXPECT_EQ(ReadShared(victim), "someone's");
    EXPECT_THAT(summary.foldersRemoved, IsEmpty());
}

// The directory, or its Driver\, swapped for a link to a folder holding the same
// names and bytes: nothing is removed through it, and the link stays.
TEST(RemovalOnDiskWin32, NothingIsRemovedThroughALink) {
    for (const char* linked : {"", "Driver"}) {
        SCOPED_TRACE(*linked ? linked : "the directory");
        Installed installed;
        const std::string folder = installed.root / "app" + (*linked ? "\\" : "") + linked;
        MakeFolder(installed.root / "elsewhere");
        const std::string target = installed.root / "elsewhere\\target";
        ASSERT_TRUE(MoveFileExA(folder.c_str(), target.c_str(), 0));
        UnixLink link(target, folder);
        ASSERT_TRUE(link.Made());
        const std::vector<std::string> before = NamesIn(target);

        tw::RemovalSummary summary = installed.Remove();

        EXPECT_EQ(NamesIn(target), before) << "nothing removed through the link";
        EXPECT_EQ(summary.filesRemoved, *linked ? 1 : 0);
        EXPECT_EQ(summary.failedFiles.size(), *linked ? 2u : 3u);
        EXPECT_THAT(summary.foldersRemoved, IsEmpty());
        EXPECT_NE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u)
            << "the link itself stays";
    }
}

}  // namespace
