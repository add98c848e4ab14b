// Win32: the dialog's OK decision with the real file search and full paths, on
// real folders.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "appdir/appdir_check.h"
#include "appdir/full_path_name.h"
#include "tests/temp_folder.h"

using tw::FindFirstEntryAttributes;

namespace {

tw::AppDirCheck CheckAppDir(const std::string& text, const std::string& package = "") {
    return tw::CheckAppDir(text, FindFirstEntryAttributes, tw::FullPathName, tw::ReadFolderIdentity,
                           package);
}

bool Accepted(const std::string& text) { return CheckAppDir(text).Accepted(); }

}  // namespace

TEST(FindFirstEntry, FoldersFilesAndMissingNames) {
    TempFolder folder;
    std::string sub = folder / "Varnelquist";
    MakeFolder(sub);
    WriteBytes(folder / "notes.txt", "x");

    std::optional<std::uint32_t> attributes = FindFirstEntryAttributes(sub.c_str());
    ASSERT_TRUE(attributes.has_value());
    EXPECT_TRUE(*attributes & FILE_ATTRIBUTE_DIRECTORY) << std::hex << *attributes;
    EXPECT_TRUE(Accepted(sub));
    EXPECT_TRUE(Accepted(sub + "\\"));

    EXPECT_FALSE(FindFirstEntryAttributes((folder / "missing").c_str()).has_value());
    EXPECT_FALSE(Accepted(folder / "missing"));
    ASSERT_TRUE(FindFirstEntryAttributes((folder / "notes.txt").c_str()).has_value());
    EXPECT_FALSE(Accepted(folder / "notes.txt"));
    EXPECT_FALSE(Accepted(""));
}

TEST(FindFirstEntry, FoldersWithFurtherAttributeBitsAreAccepted) {
    TempFolder folder;
    struct Case {
        const char* name;
        DWORD attributes;
    } cases[] = {
        {"readonly", FILE_ATTRIBUTE_READONLY},
        {"archive", FILE_ATTRIBUTE_ARCHIVE},
        {"hidden", FILE_ATTRIBUTE_HIDDEN},
    };
    for (const Case& c : cases) {
        std::string path = folder / c.name;
        MakeFolder(path);
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), c.attributes)) << c.name;
        std::optional<std::uint32_t> found = FindFirstEntryAttributes(path.c_str());
        ASSERT_TRUE(found.has_value()) << c.name;
        // Wine keeps no read-only or archive bit on a folder; Windows does.
        EXPECT_EQ(*found & ~c.attributes, FILE_ATTRIBUTE_DIRECTORY) << c.name;
        if (c.attributes == FILE_ATTRIBUTE_HIDDEN) {
            EXPECT_EQ(*found, 0x12u) << "a word other than 0x10 exactly";
        }
        EXPECT_TRUE(Accepted(path)) << c.name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(FindFirstEntry, PatternsAndRootsAreRefused) {
    TempFolder folder;
    MakeFolder(folder / "Varnelquist");
    // The search itself would match the pattern; the decision never asks it.
    EXPECT_TRUE(FindFirstEntryAttributes((folder / "Varnel*").c_str()).has_value());
    EXPECT_FALSE(Accepted(folder / "Varnel*"));
    EXPECT_FALSE(Accepted(folder / "Varnelquis?"));
    EXPECT_FALSE(Accepted(folder / "Varnel<"));

    std::string root = folder.Path().substr(0, 3);  // such as C:\ .
    ASSERT_EQ(root.substr(1), ":\\");
    EXPECT_FALSE(Accepted(root));
}

TEST(FindFirstEntry, RelativeTextIsMadeWholeFromTheCurrentDirectory) {
    TempFolder folder;
    MakeFolder(folder / "Varnelquist");
    CurrentDirectory inFolder(folder.Path());
    for (const char* text : {"Varnelquist", "Varnelquist\\", ".\\Varnelquist/"}) {
        tw::AppDirCheck check = CheckAppDir(text);
        EXPECT_TRUE(check.Accepted()) << text;
        EXPECT_EQ(check.workingCopy, folder / "Varnelquist") << text;
    }
    EXPECT_FALSE(Accepted("Elsewhere"));
    EXPECT_EQ(CheckAppDir(std::string(250, 'a')).verdict, tw::AppDirVerdict::tooLong)
        << "a full path over 256 bytes";
}

TEST(FindFirstEntry, ThePackageFolderAndItsDriverFolderAreRefused) {
    TempFolder folder;
    MakeFolder(folder / "Driver");
    MakeFolder(folder / "apps");
    CurrentDirectory inPackage(folder.Path());
    for (const char* text : {".", "Driver", "driver\\", ".\\Driver."})
        EXPECT_EQ(CheckAppDir(text, folder.Path()).verdict, tw::AppDirVerdict::packageFolder)
            << text;
    EXPECT_TRUE(CheckAppDir("apps", folder.Path()).Accepted());
}

// "\xD5\x5C" is a code page 936 character whose trail byte is the byte of "\".
TEST(FindFirstEntry, FolderEndingInTrailByte5CIsFound) {
    ASSERT_EQ(GetACP(), 936u);
    TempFolder folder;
    std::string path = folder.Path() + "\\\xD5\x5C";
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << GetLastError();
    EXPECT_TRUE(Accepted(path));
    tw::AppDirCheck check = CheckAppDir(path + "\\");
    EXPECT_TRUE(check.Accepted());
    EXPECT_EQ(check.workingCopy, path);
}
