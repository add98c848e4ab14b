#include "common/path_rules.h"

#include <gtest/gtest.h>

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
        {"D:\\\xD5\x5C", "D:\\\xD5\x5C\\"},      // trail byte: a separator is still added
        {"D:\\\xD5\x5C\\", "D:\\\xD5\x5C\\"},    // a real separator after it
        {"D:\\ab\xD5", "D:\\ab\xD5\\"},          // a lone lead byte at the end
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
        {"D:\\\xD5\x5C", "D:\\\xD5\x5C"},    // the character stays whole
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
