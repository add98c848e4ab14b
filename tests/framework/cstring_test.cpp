#include "framework/CString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(CString, RightAndLeftCountBytesNotCharacters) {
    // "\xD5\xE2" is one code page 936 character, two bytes.
    CString text("ab\xD5\xE2");
    EXPECT_EQ(text.GetLength(), 4);
    EXPECT_STREQ(text.Right(1), "\xE2");
    EXPECT_STREQ(text.Right(2), "\xD5\xE2");
    EXPECT_STREQ(text.Right(9), "ab\xD5\xE2");
    EXPECT_STREQ(text.Right(0), "");
    EXPECT_STREQ(text.Left(3), "ab\xD5");
    EXPECT_STREQ(text.Mid(1, 2), "b\xD5");
    EXPECT_STREQ(CString().Right(1), "");
}

TEST(CString, ConcatenationAndComparison) {
    CString path("C:\\Varnelquist");
    path += "\\";
    CString full = path + "Driver\\" + CString("a.dll");
    EXPECT_STREQ(full, "C:\\Varnelquist\\Driver\\a.dll");
    EXPECT_TRUE(full == "C:\\Varnelquist\\Driver\\a.dll");
    EXPECT_LT(CString("a").Compare("b"), 0);
    EXPECT_EQ(CString(nullptr).GetLength(), 0);
    EXPECT_EQ(full.Find("Driver"), 15);
    EXPECT_EQ(full.Find("missing"), -1);
}

TEST(CString, BufferRoundTripKeepsTextUpToTerminator) {
    CString text;
    char* buffer = text.GetBuffer(260);
    std::memset(buffer, 'x', 260);
    std::strcpy(buffer, "C:\\Drivers");
    text.ReleaseBuffer();
    EXPECT_STREQ(text, "C:\\Drivers");
    EXPECT_EQ(text.GetLength(), 10);

    buffer = text.GetBuffer(4);  // never shrinks below the current text
    buffer[2] = '\0';
    text.ReleaseBuffer(5);
    EXPECT_EQ(text.GetLength(), 5);
    text.ReleaseBuffer(-1);
    EXPECT_STREQ(text, "C:");
}

TEST(CString, FormatGrowsToAnyLength) {
    CString text;
    text.Format("/s %s", "C:\\A\\Driver\\x.dll");
    EXPECT_STREQ(text, "/s C:\\A\\Driver\\x.dll");
    std::string longName(5000, 'n');
    text.Format("%s|%d", longName.c_str(), 42);
    EXPECT_EQ(text.GetLength(), 5003);
    EXPECT_STREQ(text.Right(3), "|42");
}
