#include "common/path_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace tw;

// "\xD5\x5C" is a code page 936 character whose trail byte is the byte of "\".
TEST(PathRules, AppendRule) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\Varnelquist", "C:\\Varnelquist\\"},
        {"C:\\Varnelquist\\", "C:\\Varnelquist\\"},
        {"X:\\", "X:\\"},
        {"", "\\"},
        {"D:\\\xD5\x5C", "D:\\\xD5\x5C\\"},    // trail byte: a separator is still added
        {"D:\\\xD5\x5C\\", "D:\\\xD5\x5C\\"},  // a real separator after it
        {"D:\\ab\xD5", "D:\\ab\xD5\\"},        // a lone lead byte at the end
    };
    for (const Case& c : cases) EXPECT_EQ(WithTrailingSeparator(c.in), c.out) << c.in;
}

TEST(PathRules, StripRule) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"D:\\Apps\\Varnelquist\\", "D:\\Apps\\Varnelquist"},
        {"D:\\Apps\\\\", "D:\\Apps\\"},  // only one separator dropped
        {"C:\\", "C:\\"},                // three bytes: kept
        {"ab\\", "ab\\"},
        {"abc\\", "abc"},
        {"", ""},
        {"D:\\\xD5\x5C", "D:\\\xD5\x5C"},  // the character stays whole
        {"D:\\\xD5\x5C\\", "D:\\\xD5\x5C"},
        {"\xD5\x5C\xD5\x5C", "\xD5\x5C\xD5\x5C"},
    };
    for (const Case& c : cases) EXPECT_EQ(WithoutTrailingSeparator(c.in), c.out) << c.in;
}

TEST(PathRules, DirectoryTestLooksAtTheBit) {
    for (std::uint32_t folder : {0x10u, 0x11u, 0x12u, 0x30u, 0x810u, 0x2010u})
        EXPECT_TRUE(IsDirectoryEntry(folder)) << std::hex << folder;
    for (std::uint32_t file : {0x0u, 0x1u, 0x20u, 0x80u, 0x21u, 0x2020u})
        EXPECT_FALSE(IsDirectoryEntry(file)) << std::hex << file;
}

TEST(PathRules, PosixPathTurnsOnlyWholeSeparators) {
    EXPECT_EQ(ToPosixPath("/tmp/a\\driversupport\\*.*"), "/tmp/a/driversupport/*.*");
    EXPECT_EQ(ToPosixPath("/tmp/\xD5\x5C\\b"), "/tmp/\xD5\x5C/b");
}

// "\xE9" is "é" in code page 1252 and a lead byte in code page 936, where it takes
// the "\" after it as its trail byte.
TEST(PathRules, SeparatorRulesFollowTheCodePage) {
    struct Case {
        const char* in;
        LeadBytePredicate table;
        const char* stripped;
        const char* appended;
    } cases[] = {
        {"D:\\Caf\xE9\\", IsSingleByteLeadByte, "D:\\Caf\xE9", "D:\\Caf\xE9\\"},
        {"D:\\Caf\xE9\\", IsCp936LeadByte, "D:\\Caf\xE9\\", "D:\\Caf\xE9\\\\"},
        {"D:\\\xD5\x5C", IsSingleByteLeadByte, "D:\\\xD5", "D:\\\xD5\x5C"},
        {"D:\\\xD5\x5C", IsCp936LeadByte, "D:\\\xD5\x5C", "D:\\\xD5\x5C\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithoutTrailingSeparator(c.in, c.table), c.stripped) << c.in;
        EXPECT_EQ(WithTrailingSeparator(c.in, c.table), c.appended) << c.in;
    }
}

TEST(PathRules, FolderPartAndNamesSplitAtWholeSeparatorsOfBothKinds) {
    EXPECT_EQ(FolderPart("C:\\App\\Driver\\a.dll"), "C:\\App\\Driver\\");
    EXPECT_EQ(FolderPart("/tmp/app\\Driver\\a.dll"), "/tmp/app\\Driver\\");
    EXPECT_EQ(FolderPart("C:\\App/a.dll"), "C:\\App/");
    EXPECT_EQ(FolderPart("a.dll"), "");
    const std::string trail = "D:\\\xD5\x5C";
    EXPECT_EQ(FolderPart(trail + "a.dll", IsCp936LeadByte), "D:\\");
    EXPECT_EQ(FolderPart(trail + "a.dll", IsSingleByteLeadByte), trail);
    EXPECT_EQ(SplitAtSeparators("\\\\srv\\share/\xD5\x5C\\"),
              (std::vector<std::string>{"", "", "srv", "share", "\xD5\x5C", ""}));
}

TEST(PathRules, SamePathAndInsideIgnoreAsciiCaseAndATrailingSeparator) {
    struct Case {
        const char* path;
        const char* folder;
        bool same;
        bool inside;  // or the same
    } cases[] = {
        {"C:\\Pkg", "c:\\pkg\\", true, true},
        {"C:\\PKG\\DRIVER\\x", "C:\\pkg\\Driver", false, true},
        {"C:\\pkg\\Driverx", "C:\\pkg\\Driver", false, false},
        {"C:\\pkg", "C:\\pkg\\Driver", false, false},
        {"C:\\x", "C:\\", false, true},
        // "\201" is the lead byte 0x81: the letter after it is its trail byte, not folded.
        {"C:\\\201a\\Driver", "C:\\\201A", false, false},
        {"C:\\\201A\\Driver", "C:\\\201A", false, true},
        // A folder that ends in a lone lead byte: in the path that byte takes the "\".
        {"C:\\ab\x81\\x", "C:\\ab\x81", false, false},
        {"C:\\x", "", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SamePath(c.path, c.folder, IsCp936LeadByte), c.same) << c.path;
        EXPECT_EQ(IsSameOrInside(c.path, c.folder, IsCp936LeadByte), c.inside) << c.path;
        // The key that many paths are looked up by agrees with SamePath.
        EXPECT_EQ(PathKey(c.path, IsCp936LeadByte) == PathKey(c.folder, IsCp936LeadByte), c.same)
            << c.path;
    }
    EXPECT_FALSE(SamePath("C:\\\201A", "C:\\\201a", IsCp936LeadByte));
    EXPECT_TRUE(SamePath("C:\\\201A", "C:\\\201a", IsSingleByteLeadByte));
}

#ifdef _WIN32
TEST(PathRules, TheSystemsLeadBytesAreThoseOfItsCodePage) {
    ASSERT_EQ(GetACP(), 936u);
    for (unsigned byte = 0; byte < 256; ++byte)
        EXPECT_EQ(IsSystemLeadByte(static_cast<unsigned char>(byte)),
                  IsCp936LeadByte(static_cast<unsigned char>(byte)))
            << byte;
}
#endif
