// The 276 bytes of the record, byte for byte.
#include "config/config_record.h"

#include <gtest/gtest.h>

#include "tests/config/record_bytes.h"

using tw::BuildConfigRecord;

// "\xD5\x5C" is a code page 936 character whose trail byte is the byte of "\".
TEST(ConfigRecord, ProposedDirectory) {
    std::string expected(
        "Varnelquist V4.00\0\0\0"
        "C:\\Varnelquist\0",
        35);
    expected += std::string(241, '\0');
    ASSERT_EQ(expected.size(), 276u);
    EXPECT_EQ(AsBytes(BuildConfigRecord("C:\\Varnelquist")), expected);
}

TEST(ConfigRecord, OneTrailingSeparatorIsDropped) {
    struct Case {
        const char* text;
        const char* field;
    } cases[] = {
        {"D:\\Apps\\Varnelquist\\", "D:\\Apps\\Varnelquist"},
        {"D:\\Apps\\Varnelquist\\\\", "D:\\Apps\\Varnelquist\\"},  // only one
        {"C:\\", "C:\\"},                                          // 3 bytes keep it
        {"ab\\", "ab\\"},
        {"Varnelquist", "Varnelquist"},  // a relative text as it is
        {"", ""},
        {"D:\\\xD5\x5C", "D:\\\xD5\x5C"},  // the double-byte character stays whole
        {"D:\\\xD5\x5C\\", "D:\\\xD5\x5C"},
        {"D:\\\xB1\xED\\", "D:\\\xB1\xED"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AsBytes(BuildConfigRecord(c.text)), ExpectedRecord(c.field)) << c.text;
}

TEST(ConfigRecord, FullFieldHasNoTerminator) {
    std::string text = "C:\\" + std::string(253, 'a');
    ASSERT_EQ(text.size(), 256u);
    std::string record = AsBytes(BuildConfigRecord(text));
    EXPECT_EQ(record, std::string("Varnelquist V4.00\0\0\0", 20) + text);
    EXPECT_EQ(record.find('\0', 20), std::string::npos);
}

TEST(ConfigRecord, FullTextEndingInSeparatorKeeps255Bytes) {
    std::string text = "C:\\" + std::string(252, 'a') + "\\";
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(AsBytes(BuildConfigRecord(text)), ExpectedRecord(text.substr(0, 255)));
}

TEST(ConfigRecord, LongerTextsNeverOverrunTheField) {
    std::string body = "C:\\" + std::string(300, 'b');
    EXPECT_EQ(AsBytes(BuildConfigRecord(body)), ExpectedRecord(body.substr(0, 256)));
    // 257 bytes ending in a separator: the rule first, then 256 bytes fit exactly.
    std::string separated = "C:\\" + std::string(253, 'c') + "\\";
    ASSERT_EQ(separated.size(), 257u);
    EXPECT_EQ(AsBytes(BuildConfigRecord(separated)), ExpectedRecord(separated.substr(0, 256)));
    std::string huge(5000, 'd');
    EXPECT_EQ(AsBytes(BuildConfigRecord(huge)), ExpectedRecord(huge.substr(0, 256)));
}
