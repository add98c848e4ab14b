// The full-path rule: on its own with a fixed current directory, and on Win32 side
// by side with GetFullPathNameA, which the dialog uses.
#include "appdir/full_path.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>

#include "appdir/full_path_name.h"
#include "tests/temp_folder.h"
#endif

using tw::FullPathFrom;

TEST(FullPath, MadeWholeAgainstTheCurrentDirectory) {
    struct Case {
        const char* text;
        const char* full;
    } cases[] = {
        {"inst", "C:\\pkg\\inst"},
        {"inst\\", "C:\\pkg\\inst\\"},
        {"..\\apps", "C:\\apps"},
        {"./Driver/x", "C:\\pkg\\Driver\\x"},
        {"a\\\\b", "C:\\pkg\\a\\b"},
        {".", "C:\\pkg"},
        {".\\", "C:\\pkg\\"},
        {"..\\..\\..", "C:\\"},
        {"\\apps", "C:\\apps"},
        {"/apps/", "C:\\apps\\"},
        {"c:apps", "C:\\pkg\\apps"},  // the current drive: from the current directory
        {"D:apps", "D:\\apps"},       // another drive: from its root
        {"D:", "D:\\"},
        {"C:/Foo\\Bar/", "C:\\Foo\\Bar\\"},
        {"C:\\Foo\\.\\Bar\\..", "C:\\Foo"},
        {"\\\\srv\\share\\a\\..\\b", "\\\\srv\\share\\b"},
        {"\xD5\x5C\\x", "C:\\pkg\\\xD5\x5C\\x"},  // a trail byte 0x5C is no separator
    };
    for (const Case& c : cases) EXPECT_EQ(FullPathFrom(c.text, "C:\\pkg"), c.full) << c.text;
    EXPECT_EQ(FullPathFrom("inst", "\\\\srv\\share\\pkg"), "\\\\srv\\share\\pkg\\inst");
    EXPECT_EQ(FullPathFrom("\\apps", "\\\\srv\\share\\pkg"), "\\\\srv\\share\\apps");
    EXPECT_EQ(FullPathFrom("inst", "C:\\"), "C:\\inst");
}

TEST(FullPath, OnlyAFullPathWithBackslashesIsTakenAsTyped) {
    for (const char* text : {"C:\\Foo", "c:\\", "C:\\Foo\\\\", "\\\\srv\\share"})
        EXPECT_TRUE(tw::IsFullPathText(text)) << text;
    for (const char* text : {"Foo", "C:Foo", "\\Foo", "C:/Foo", "C:\\Foo/Bar", "", "C:"})
        EXPECT_FALSE(tw::IsFullPathText(text)) << text;
}

#ifdef _WIN32
namespace {

// Texts whose full path Windows and the rule agree on, from a current directory
// below a drive root; "Q:" is a drive other than the current one. (Wine takes a
// text that starts with "/" for a path of its host: "/apps" is left out.)
const char* const kTexts[] = {
    "inst",
    "inst\\",
    "..\\apps",
    "./Driver/x",
    "a\\\\b",
    ".",
    ".\\",
    "..\\..\\..\\..\\..\\..\\..",
    "\\apps",
    "\\apps/",
    "Q:apps",
    "Q:",
    "a\\.\\b\\..\\c",
    "Q:\\a\\..\\b",
};

}  // namespace

TEST(FullPath, TheRuleAgreesWithGetFullPathNameA) {
    TempFolder folder;
    std::string current = folder / "pkg";
    MakeFolder(current);
    CurrentDirectory inPackage(current);
    for (const char* text : kTexts) {
        std::optional<std::string> platform = tw::FullPathName(text);
        ASSERT_TRUE(platform.has_value()) << text;
        EXPECT_EQ(FullPathFrom(text, current), *platform) << text;
    }
    std::string longText(300, 'a');
    std::optional<std::string> longPath = tw::FullPathName(longText.c_str());
    ASSERT_TRUE(longPath.has_value());
    EXPECT_EQ(*longPath, current + "\\" + longText) << "a result longer than MAX_PATH, whole";
}
#endif
