#include "framework/ReadGrowing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/CString.h"

namespace {

// The two ways Win32 calls answer a buffer that is too small.
enum class TooSmall { needsSize, cutsText };

// A call that holds text and answers as a Win32 call of the given kind would.
unsigned long Answer(const std::string& text, TooSmall kind, char* buffer, unsigned long size) {
    if (text.size() < size) {
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return static_cast<unsigned long>(text.size());
    }
    if (kind == TooSmall::needsSize)
        return static_cast<unsigned long>(text.size() + 1);  // as GetCurrentDirectoryA
    std::memcpy(buffer, text.data(), size - 1);              // as LoadStringA
    buffer[size - 1] = '\0';
    return size - 1;
}

}  // namespace

TEST(ReadGrowing, ReadsTextsOfAnyLengthWhole) {
    for (TooSmall kind : {TooSmall::needsSize, TooSmall::cutsText}) {
        for (std::size_t length : {0u, 1u, 254u, 255u, 256u, 257u, 4000u}) {
            std::string text(length, 'x');
            if (length > 0) text.back() = 'E';
            int calls = 0;
            std::string read = ReadGrowing([&](char* buffer, unsigned long size) {
                ++calls;
                return Answer(text, kind, buffer, size);
            });
            EXPECT_EQ(read, text) << "length " << length;
            EXPECT_LE(calls, 6) << "length " << length;
        }
    }
}

TEST(ReadGrowing, FailedCallGivesEmptyText) {
    EXPECT_EQ(ReadGrowing([](char*, unsigned long) { return 0ul; }), "");
}

TEST(AfxFormatString1, ReplacesTheFirstInsertOnly) {
    EXPECT_STREQ(AfxFormatString1("%1 x %1", "A"), "A x %1");
    EXPECT_STREQ(AfxFormatString1("\xB6\xD4 %1 \xB5\xC4", "\\ZAVIDAR.CFG"),
                 "\xB6\xD4 \\ZAVIDAR.CFG \xB5\xC4");
    EXPECT_STREQ(AfxFormatString1("none", "A"), "none");
}
