#include "install/registration_rules.h"

#include <gtest/gtest.h>

#include <string>

TEST(RegistrationRules, NamesEndingInDllInAnyCase) {
    struct Case {
        const char* name;
        bool registered;
    } cases[] = {
        {"a.dll", true},      {"A.DLL", true},        {"b.Dll", true},       {".dll", true},
        {"x.dll.bak", false}, {"dll", false},         {"a.dl", false},       {"a_dll", false},
        {"a.dllx", false},    {"\xD5\x5C.dll", true}, {"readme.txt", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(tw::IsRegisteredName(c.name), c.registered) << c.name;
}

TEST(RegistrationRules, ParametersQuoteOnlyPathsWithBlanks) {
    struct Case {
        const char* path;
        const char* parameters;
    } cases[] = {
        {"C:\\App\\Driver\\a.dll", "/s C:\\App\\Driver\\a.dll"},
        {"C:\\Program Files\\App\\Driver\\a.dll", "/s \"C:\\Program Files\\App\\Driver\\a.dll\""},
        {"D:\\\xD5\x5C\\Driver\\a.dll", "/s D:\\\xD5\x5C\\Driver\\a.dll"},
    };
    for (const Case& c : cases) {
        tw::ToolParameters parameters;
        ASSERT_TRUE(tw::FormatToolParameters(c.path, parameters));
        EXPECT_STREQ(parameters.c_str(), c.parameters);
    }
}

// One argument cannot carry a double quote, and a control byte has no place in it.
TEST(RegistrationRules, PathsWithAQuoteOrAControlByteAreNeverParameters) {
    for (const char* path : {"C:\\App\\Driver\\a\"b.dll", "C:\\App\\Driver\\t\tb.dll",
                             "C:\\App\\Driver\\\x01.dll", "C:\\App\\Driver\\\x1F.dll"}) {
        tw::ToolParameters parameters;
        ASSERT_TRUE(parameters.Compose({"stale"}));
        EXPECT_FALSE(tw::FormatToolParameters(path, parameters)) << path;
        EXPECT_STREQ(parameters.c_str(), "") << path;
    }
}

TEST(PathBufferTest, RefusesWhatDoesNotFitWhole) {
    PathBuffer buffer;
    EXPECT_TRUE(buffer.Compose({std::string(250, 'a'), std::string(10, 'b')}));
    EXPECT_EQ(buffer.view().size(), 260u);
    EXPECT_EQ(buffer.c_str()[260], '\0');
    EXPECT_FALSE(buffer.Compose({std::string(250, 'a'), std::string(11, 'b')}));
    EXPECT_STREQ(buffer.c_str(), "") << "a refused path leaves no stale text behind";
    EXPECT_TRUE(buffer.Compose({"C:\\", "App\\"}));
    EXPECT_STREQ(buffer.c_str(), "C:\\App\\");
}
