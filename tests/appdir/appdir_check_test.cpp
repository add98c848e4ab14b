// The dialog's OK decision with a file search and folder identities that answer
// from tables, the full-path rule of the host and a package folder C:\pkg.
#include "appdir/appdir_check.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "config/config_record.h"

using tw::AppDirVerdict;

namespace {

constexpr const char* kPackage = "C:\\pkg";

std::optional<std::string> FullPathFromPackage(const char* text) {
    return tw::FullPathFrom(text, kPackage);
}

std::optional<tw::FolderIdentity> NoIdentity(const char*) { return std::nullopt; }

tw::AppDirCheck CheckAppDir(std::string_view text, const tw::EntryLookup& lookup,
                            std::string_view package = kPackage,
                            const tw::FolderIdentityLookup& identity = NoIdentity) {
    return tw::CheckAppDir(text, lookup, FullPathFromPackage, identity, package);
}

// A search over fixed entries that logs every path it is asked for.
class FakeSearch {
public:
    explicit FakeSearch(std::map<std::string, std::uint32_t> entries)
        : m_entries(std::move(entries)) {}

    tw::EntryLookup Lookup() {
        return [this](const char* path) -> std::optional<std::uint32_t> {
            m_asked.push_back(path);
            auto it = m_entries.find(path);
            if (it == m_entries.end()) return std::nullopt;
            return it->second;
        };
    }
    std::vector<std::string> m_asked;

private:
    std::map<std::string, std::uint32_t> m_entries;
};

// Answers every search with a folder, as a search that matched a pattern would.
std::optional<std::uint32_t> AnyFolder(const char*) { return 0x10; }

}  // namespace

// "\xD5\x5C" is a code page 936 character whose trail byte is the byte of "\".
TEST(AppDirCheck, SearchesTheWorkingCopyAndLooksAtTheDirectoryBit) {
    const std::string trail = "D:\\\xD5\x5C";
    FakeSearch search({
        {"C:\\Varnelquist", 0x10},
        {"C:\\ReadOnly", 0x11},
        {"C:\\Archived", 0x30},
        {"C:\\NotIndexed", 0x2010},
        {"C:\\Hidden", 0x12},
        {"C:\\notes.txt", 0x20},
        {"C:\\plain", 0x80},
        {"C:\\pkg\\Varnelquist", 0x10},
        {trail, 0x10},
    });
    struct Case {
        std::string text;
        AppDirVerdict verdict;
        std::string searched;  // the working copy the search is asked for
    } cases[] = {
        {"C:\\Varnelquist", AppDirVerdict::accepted, "C:\\Varnelquist"},
        {"C:\\Varnelquist\\", AppDirVerdict::accepted, "C:\\Varnelquist"},
        {"C:\\ReadOnly", AppDirVerdict::accepted, "C:\\ReadOnly"},
        {"C:\\Archived", AppDirVerdict::accepted, "C:\\Archived"},
        {"C:\\NotIndexed", AppDirVerdict::accepted, "C:\\NotIndexed"},
        {"C:\\Hidden\\", AppDirVerdict::accepted, "C:\\Hidden"},
        {"Varnelquist", AppDirVerdict::accepted, "C:\\pkg\\Varnelquist"},  // made whole
        {trail, AppDirVerdict::accepted, trail},                           // kept whole
        {trail + "\\", AppDirVerdict::accepted, trail},
        {"C:\\Missing", AppDirVerdict::missing, "C:\\Missing"},
        {"C:\\notes.txt", AppDirVerdict::missing, "C:\\notes.txt"},  // a file, not a folder
        {"C:\\plain\\", AppDirVerdict::missing, "C:\\plain"},
    };
    for (const Case& c : cases) {
        search.m_asked.clear();
        tw::AppDirCheck check = CheckAppDir(c.text, search.Lookup());
        EXPECT_EQ(check.verdict, c.verdict) << c.text;
        EXPECT_EQ(check.Accepted(), c.verdict == AppDirVerdict::accepted) << c.text;
        EXPECT_EQ(check.workingCopy, c.searched) << c.text;
        EXPECT_EQ(search.m_asked, std::vector<std::string>{c.searched}) << c.text;
    }
}

TEST(AppDirCheck, RefusedWithoutASearch) {
    const char* texts[] = {
        "",
        "C:\\",  // a drive root keeps its separator; a search would find nothing
        "\\",
        "..\\..",        // made whole, the drive root
        "C:\\Apps\\\\",  // typed whole: still ends in a separator after the rule
        "C:\\Var*",
        "C:\\Varnelquis?",
        "C:\\*\\Varnelquist",
        "C:\\Varnelquist<",
        "C:\\Varnelquist>",
        "C:\\Varnelquist\"",
        "Var*",
        "\\\\?\\C:\\pkg",  // an unparsed path holds a "?"
    };
    for (const char* text : texts) {
        bool searched = false;
        tw::AppDirCheck check = CheckAppDir(text, [&](const char* path) {
            searched = true;
            return AnyFolder(path);
        });
        EXPECT_EQ(check.verdict, AppDirVerdict::missing) << text;
        EXPECT_FALSE(searched) << text;
    }
    EXPECT_EQ(CheckAppDir("C:\\", AnyFolder).workingCopy, "C:\\");
}

// What is recorded and installed into: the full path of a relative, drive-relative
// or "/" text, or of one whose names Windows opens without trailing dots or blanks;
// any other full path typed with "\" exactly as typed.
TEST(AppDirCheck, TheFullPathIsWhatIsUsed) {
    struct Case {
        const char* text;
        const char* fullPath;
        const char* searched;
    } cases[] = {
        {"inst", "C:\\pkg\\inst", "C:\\pkg\\inst"},
        {"..\\apps\\", "C:\\apps\\", "C:\\apps"},
        {"D:apps", "D:\\apps", "D:\\apps"},
        {"C:/Foo/", "C:\\Foo\\", "C:\\Foo"},
        {"C:\\Foo\\", "C:\\Foo\\", "C:\\Foo"},
        {"C:\\Foo\\.\\Bar", "C:\\Foo\\.\\Bar", "C:\\Foo\\.\\Bar"},
        // Windows opens these without trailing dots and blanks: so are they used.
        {"C:\\Varnelquist ", "C:\\Varnelquist", "C:\\Varnelquist"},
        {"C:\\Varnelquist \\", "C:\\Varnelquist\\", "C:\\Varnelquist"},
        {"D:\\Apps.\\V.", "D:\\Apps\\V", "D:\\Apps\\V"},
        {"inst. \\", "C:\\pkg\\inst\\", "C:\\pkg\\inst"},
    };
    for (const Case& c : cases) {
        FakeSearch search({{c.searched, 0x10}});
        tw::AppDirCheck check = CheckAppDir(c.text, search.Lookup());
        EXPECT_TRUE(check.Accepted()) << c.text;
        EXPECT_EQ(check.fullPath, c.fullPath) << c.text;
        EXPECT_EQ(search.m_asked, std::vector<std::string>{c.searched}) << c.text;
    }
}

TEST(AppDirCheck, TrailingSeparatorIsAcceptedAndRecordedWithoutIt) {
    const std::string typed = "D:\\Apps\\Varnelquist\\";
    tw::AppDirCheck check = CheckAppDir(typed, AnyFolder);
    ASSERT_TRUE(check.Accepted());
    EXPECT_EQ(check.workingCopy, "D:\\Apps\\Varnelquist");
    EXPECT_EQ(typed.back(), '\\') << "the text itself is not touched";
    // The record drops the separator by the same rule.
    tw::ConfigRecord record = tw::BuildConfigRecord(check.fullPath);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record.data()) + 20), check.workingCopy);
}

TEST(AppDirCheck, LimitIs256BytesForTheTextAndForItsFullPath) {
    std::string text256 = "C:\\" + std::string(253, 'a');
    std::string text257 = text256 + "b";
    ASSERT_EQ(text256.size(), tw::kAppDirMaxBytes);

    FakeSearch search({{text256, 0x10}, {text257, 0x10}});
    EXPECT_EQ(CheckAppDir(text256, search.Lookup()).verdict, AppDirVerdict::accepted);
    EXPECT_EQ(CheckAppDir(text257, search.Lookup()).verdict, AppDirVerdict::tooLong);
    EXPECT_EQ(search.m_asked, std::vector<std::string>{text256}) << "257 bytes: no search";

    // 257 bytes ending in a separator: the limit holds for the text as typed.
    std::string separated = text256 + "\\";
    EXPECT_EQ(CheckAppDir(separated, AnyFolder).verdict, AppDirVerdict::tooLong);

    // "C:\pkg\" and 249 bytes make 256; one more, and the full path is too long.
    EXPECT_EQ(CheckAppDir(std::string(249, 'r'), AnyFolder).verdict, AppDirVerdict::accepted);
    bool searched = false;
    tw::AppDirCheck longer = CheckAppDir(std::string(250, 'r'), [&](const char*) {
        searched = true;
        return AnyFolder(nullptr);
    });
    EXPECT_EQ(longer.verdict, AppDirVerdict::tooLong);
    EXPECT_FALSE(searched);
}

TEST(AppDirCheck, ThePackageFolderAndItsTwoFoldersAreRefused) {
    struct Case {
        const char* text;
        AppDirVerdict verdict;
    } cases[] = {
        {".", AppDirVerdict::packageFolder},
        {"Driver", AppDirVerdict::packageFolder},
        {"driver\\", AppDirVerdict::packageFolder},
        {".\\driversupport\\x", AppDirVerdict::packageFolder},
        {"..\\pkg", AppDirVerdict::packageFolder},
        {"C:\\PKG\\DRIVER", AppDirVerdict::packageFolder},
        {"C:\\pkg\\", AppDirVerdict::packageFolder},
        {"C:\\pkg\\apps\\..\\Driver", AppDirVerdict::packageFolder},  // compared resolved
        {"Driver \\", AppDirVerdict::packageFolder},                  // the folder Windows opens
        {"C:\\pkg.\\driversupport.", AppDirVerdict::packageFolder},
        {"apps", AppDirVerdict::accepted},
        {"C:\\pkg\\Driverx", AppDirVerdict::accepted},
        {"C:\\pkg\\Driver\\..\\apps", AppDirVerdict::accepted},
        {"C:\\", AppDirVerdict::missing},
    };
    for (const Case& c : cases) {
        tw::AppDirCheck check = CheckAppDir(c.text, AnyFolder);
        EXPECT_EQ(check.verdict, c.verdict) << c.text;
    }
    // A missing folder is missing first; with no package folder nothing is refused.
    tw::EntryLookup nothing = [](const char*) { return std::optional<std::uint32_t>(); };
    EXPECT_EQ(CheckAppDir("Driver", nothing).verdict, AppDirVerdict::missing);
    EXPECT_EQ(CheckAppDir("Driver", AnyFolder, "").verdict, AppDirVerdict::accepted);
}

// Identities over fixed folders that log every path they are asked for.
class FakeIdentities {
public:
    explicit FakeIdentities(std::map<std::string, tw::FolderIdentity> folders)
        : m_folders(std::move(folders)) {}

    tw::FolderIdentityLookup Lookup() {
        return [this](const char* path) -> std::optional<tw::FolderIdentity> {
            m_asked.push_back(path);
            auto it = m_folders.find(path);
            if (it == m_folders.end()) return std::nullopt;
            return it->second;
        };
    }
    std::vector<std::string> m_asked;

private:
    std::map<std::string, tw::FolderIdentity> m_folders;
};

// The package C:\pkg on volume 1, and other spellings of its folders.
std::map<std::string, tw::FolderIdentity> PackageAndAliases() {
    const tw::FolderIdentity package{1, 100}, driver{1, 101}, support{1, 102};
    return {
        {"C:\\pkg", package},
        {"C:\\pkg\\Driver", driver},
        {"C:\\pkg\\driversupport", support},
        {"C:\\PKG~1", package},                              // its short name
        {"C:\\PKG~1\\Driver", driver},                       // the same, one level down
        {"\\\\.\\C:\\pkg", package},                         // the same, as a device path
        {"\\\\localhost\\C$\\pkg\\driversupport", support},  // the same, through a share
        {"P:\\", driver},          // a drive substituted for the Driver folder
        {"D:\\shortcut", driver},  // a link to the Driver folder
        {"D:\\shortcut\\sub", {1, 150}},
        {"C:\\pkg\\inst", {1, 200}},  // a folder of the package that is none of the three
        {"C:\\Other", {1, 300}},
        {"E:\\x", {2, 101}},  // Driver's index on another volume
    };
}

// Searches find a folder everywhere; identities come from PackageAndAliases.
TEST(AppDirCheck, ThePackageIsRecognisedByIdentityWhateverItsSpelling) {
    struct Case {
        const char* text;
        AppDirVerdict verdict;
    } cases[] = {
        {"C:\\PKG~1", AppDirVerdict::packageFolder},
        {"C:\\PKG~1\\Driver", AppDirVerdict::packageFolder},
        {"C:\\PKG~1\\Driver\\x86", AppDirVerdict::packageFolder},  // below, by its ancestor
        {"\\\\.\\C:\\pkg", AppDirVerdict::packageFolder},
        {"\\\\localhost\\C$\\pkg\\driversupport\\x", AppDirVerdict::packageFolder},
        {"P:\\apps", AppDirVerdict::packageFolder},
        {"D:\\shortcut\\sub", AppDirVerdict::packageFolder},         // a link above the folder
        {"D:\\a\\..\\shortcut\\sub", AppDirVerdict::packageFolder},  // compared resolved
        {"C:\\pkg\\inst", AppDirVerdict::accepted},  // below the package folder itself
        {"C:\\PKG~1\\inst", AppDirVerdict::accepted},
        {"C:\\Other", AppDirVerdict::accepted},
        {"E:\\x", AppDirVerdict::accepted},             // the same index on another volume
        {"F:\\unknown\\sub", AppDirVerdict::accepted},  // identities that cannot be read
    };
    for (const Case& c : cases) {
        FakeIdentities identities(PackageAndAliases());
        tw::AppDirCheck check = CheckAppDir(c.text, AnyFolder, kPackage, identities.Lookup());
        EXPECT_EQ(check.verdict, c.verdict) << c.text;
    }
    // Without a package folder no identity is asked for.
    FakeIdentities identities(PackageAndAliases());
    EXPECT_TRUE(CheckAppDir("C:\\PKG~1", AnyFolder, "", identities.Lookup()).Accepted());
    EXPECT_TRUE(identities.m_asked.empty());
}

// The package's three folders first, then the folder and each folder above it,
// innermost first, down to its root, "." and ".." resolved.
TEST(AppDirCheck, IdentitiesAreAskedForTheFolderAndEachFolderAbove) {
    const std::vector<std::string> package = {"C:\\pkg", "C:\\pkg\\Driver",
                                              "C:\\pkg\\driversupport"};
    const std::string trail = "D:\\\xD5\x5C";  // ends in a trail byte 0x5C
    struct Case {
        std::string text;
        std::vector<std::string> above;
    } cases[] = {
        {"C:\\a\\b\\c\\", {"C:\\a\\b\\c", "C:\\a\\b", "C:\\a", "C:\\"}},
        {"D:\\a\\.\\b\\..\\c", {"D:\\a\\c", "D:\\a", "D:\\"}},
        {"inst", {"C:\\pkg\\inst", "C:\\pkg", "C:\\"}},
        {"\\\\srv\\share\\a\\b", {"\\\\srv\\share\\a\\b", "\\\\srv\\share\\a", "\\\\srv\\share\\"}},
        {"\\\\.\\D:\\x\\y", {"\\\\.\\D:\\x\\y", "\\\\.\\D:\\x", "\\\\.\\D:\\"}},
        {trail + "\\b", {trail + "\\b", trail, "D:\\"}},
    };
    for (const Case& c : cases) {
        FakeIdentities identities({{"C:\\pkg\\Driver", {1, 101}}});
        EXPECT_TRUE(CheckAppDir(c.text, AnyFolder, kPackage, identities.Lookup()).Accepted())
            << c.text;
        std::vector<std::string> expected = package;
        expected.insert(expected.end(), c.above.begin(), c.above.end());
        EXPECT_EQ(identities.m_asked, expected) << c.text;
    }
    // A package whose folders cannot be read asks for nothing more.
    FakeIdentities none({});
    EXPECT_TRUE(CheckAppDir("C:\\a", AnyFolder, kPackage, none.Lookup()).Accepted());
    EXPECT_EQ(none.m_asked, package);
}

// A file system that numbers nothing (index 0 for everything) would make every
// folder on it look like the package.
TEST(AppDirCheck, AnIdentityWithoutANumberMatchesNothing) {
    FakeIdentities identities({{"C:\\pkg", {5, 0}},
                               {"C:\\pkg\\Driver", {5, 0}},
                               {"C:\\pkg\\driversupport", {5, 0}},
                               {"C:\\apps", {5, 0}},
                               {"C:\\", {5, 0}}});
    EXPECT_TRUE(CheckAppDir("C:\\apps", AnyFolder, kPackage, identities.Lookup()).Accepted());
}

// Each refusal has its turn: too long, then what the search finds (nothing, a
// link, no folder), then the package by its spelling, then by its identity; no
// identity is asked for before the last two.
TEST(AppDirCheck, ALinkIsRefusedAfterTheSearchAndBeforeThePackageTests) {
    FakeSearch search({
        {"C:\\Linked", 0x410},              // a junction or a link to a folder
        {"C:\\LinkedFile", 0x420},          // a link to a file
        {"C:\\Cloud", 0x400 | 0x10 | 0x1},  // any reparse point, with other bits
        {"C:\\pkg\\Driver", 0x410},         // the package's Driver\ made a link
        {"C:\\pkg\\driversupport", 0x10},
        {"C:\\PKG~1", 0x10},
        {"C:\\Folder", 0x10},
        {"C:\\notes.txt", 0x20},
    });
    struct Case {
        std::string text;
        AppDirVerdict verdict;
        bool identitiesAsked;
    } cases[] = {
        {"C:\\Linked", AppDirVerdict::link, false},
        {"C:\\Linked\\", AppDirVerdict::link, false},
        {"C:\\LinkedFile", AppDirVerdict::link, false},
        {"C:\\Cloud", AppDirVerdict::link, false},
        {"Driver", AppDirVerdict::link, false},
        {"C:\\Linked*", AppDirVerdict::missing, false},  // a pattern is never searched
        {"C:\\Linked\\" + std::string(250, 'x'), AppDirVerdict::tooLong, false},
        {"C:\\Missing", AppDirVerdict::missing, false},
        {"C:\\notes.txt", AppDirVerdict::missing, false},
        {"driversupport", AppDirVerdict::packageFolder, false},  // by its spelling
        {"C:\\PKG~1", AppDirVerdict::packageFolder, true},       // by its identity
        {"C:\\Folder", AppDirVerdict::accepted, true},
    };
    for (const Case& c : cases) {
        FakeIdentities identities(PackageAndAliases());
        tw::AppDirCheck check = CheckAppDir(c.text, search.Lookup(), kPackage, identities.Lookup());
        EXPECT_EQ(check.verdict, c.verdict) << c.text;
        EXPECT_EQ(!identities.m_asked.empty(), c.identitiesAsked) << c.text;
    }
}
