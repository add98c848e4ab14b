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
        // The last name loses its trailing dots and blanks, a name before a
        // separator one trailing dot.
        {"C:\\Varnelquist ", "C:\\Varnelquist"},
        {"C:\\Varnelquist  .. . ", "C:\\Varnelquist"},
        {"C:\\Varnelquist \\", "C:\\Varnelquist \\"},
        {"C:\\Varnelquist.\\", "C:\\Varnelquist\\"},
        {"C:\\a.\\b", "C:\\a\\b"},
        {"C:\\a..\\b.", "C:\\a.\\b"},
        {"C:\\a .\\b", "C:\\a \\b"},
        {"C:\\a. \\b", "C:\\a. \\b"},
        {"C:\\a\\....\\b", "C:\\a\\...\\b"},
        {"C:\\a\\...", "C:\\a\\"},
        {"C:\\a\\ .", "C:\\a\\"},
        {"C:\\ ", "C:\\"},
        {"inst. ", "C:\\pkg\\inst"},
        {"\\\\srv\\share. ", "\\\\srv\\share. "},  // the share is never trimmed
        {"\\\\srv\\share\\x .", "\\\\srv\\share\\x"},
        {"\xB3\xCC. ", "C:\\pkg\\\xB3\xCC"},  // a dot or a blank is never a trail byte
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

// A directory text is made whole without its trailing separator, which is then put
// back: so a last name loses its trailing dots and blanks even before a separator.
TEST(FullPath, ADirectoryIsMadeWholeAsItsFolderIsOpened) {
    const tw::FullPathFunction fromPackage = [](const char* text) -> std::optional<std::string> {
        return FullPathFrom(text, "C:\\pkg");
    };
    struct Case {
        const char* text;
        const char* full;
        const char* recorded;
    } cases[] = {
        {"C:\\Varnelquist ", "C:\\Varnelquist", "C:\\Varnelquist"},
        {"C:\\Varnelquist \\", "C:\\Varnelquist\\", "C:\\Varnelquist\\"},
        {"D:\\Apps.", "D:\\Apps", "D:\\Apps"},
        {"D:\\Apps.\\V. \\", "D:\\Apps\\V\\", "D:\\Apps\\V\\"},
        {"C:\\a\\...", "C:\\a\\", "C:\\a\\"},
        {"\\\\srv\\share\\x.", "\\\\srv\\share\\x", "\\\\srv\\share\\x"},
        // Any other full path typed with "\" stays as typed.
        {"C:\\Foo\\.\\Bar", "C:\\Foo\\Bar", "C:\\Foo\\.\\Bar"},
        {"C:\\Foo\\\\Bar", "C:\\Foo\\Bar", "C:\\Foo\\\\Bar"},
        {"C:\\Foo\\Bar\\..\\Baz ", "C:\\Foo\\Baz", "C:\\Foo\\Baz"},  // a blank dropped too
        {"C:\\Foo \\Bar", "C:\\Foo \\Bar", "C:\\Foo \\Bar"},         // kept before a separator
        {"C:\\Foo\\\\", "C:\\Foo\\", "C:\\Foo\\\\"},
        {"C:\\", "C:\\", "C:\\"},
        // Everything else is recorded whole.
        {"inst \\", "C:\\pkg\\inst\\", "C:\\pkg\\inst\\"},
        {"C:/Foo. /", "C:\\Foo\\", "C:\\Foo\\"},
        {"C:/", "C:\\", "C:\\"},
    };
    for (const Case& c : cases) {
        std::optional<std::string> full = tw::DirectoryFullPath(c.text, fromPackage);
        ASSERT_TRUE(full.has_value()) << c.text;
        EXPECT_EQ(*full, c.full) << c.text;
        EXPECT_EQ(tw::DirectoryToRecord(c.text, *full), c.recorded) << c.text;
    }
    const tw::FullPathFunction none = [](const char*) { return std::optional<std::string>(); };
    EXPECT_FALSE(tw::DirectoryFullPath("C:\\x\\", none).has_value());
    // Made whole twice, these would change again: no folder is opened by them.
    for (const char* text : {"C:\\a..\\b", "C:\\a\\...\\b\\", "....\\........"})
        EXPECT_FALSE(tw::DirectoryFullPath(text, fromPackage).has_value()) << text;
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
    // Trailing dots and blanks.
    "inst. ",
    "Q:\\Varnelquist ",
    "Q:\\Varnelquist  .. . ",
    "Q:\\Varnelquist \\",
    "Q:\\Varnelquist.\\",
    "Q:\\a.\\b",
    "Q:\\a..\\b.",
    "Q:\\a .\\b",
    "Q:\\a. \\b",
    "Q:\\a \\b",
    "Q:\\a\\....\\b",
    "Q:\\a\\...",
    "Q:\\a\\ .",
    "Q:\\ ",
    "\\\\srv\\share. ",
    "\\\\srv\\share\\x .",
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
