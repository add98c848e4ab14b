#include "app/completion_message.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "res/texts.h"

namespace {

// 驱动程序安装未完成，有 N 个文件未能安装!
std::string FirstLine(const std::string& count) {
    return "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD3"
           "\xD0 " +
           count + " \xB8\xF6\xCE\xC4\xBC\xFE\xCE\xB4\xC4\xDC\xB0\xB2\xD7\xB0!";
}

// "f1" to "fN".
std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back(std::string("f").append(std::to_string(i)));
    return names;
}

const std::string kTenNames = "\nf1\nf2\nf3\nf4\nf5\nf6\nf7\nf8\nf9\nf10";
const std::string kMore = "\n\xA1\xAD\xA1\xAD";  // ……

struct Case {
    const char* name;
    bool nothingFound;
    std::vector<std::string> failedFiles;
    std::string text;
    std::string caption;
    unsigned style;
    bool restartPending = false;
};

TEST(CompletionMessage, FollowsWhatTheInstallationDid) {
    const Case cases[] = {
        {"all well", false, {}, TW_TEXT_INSTALL_DONE, TW_TEXT_INFO_CAPTION, 0x0},
        {"all well, complete once Windows restarts",
         false,
         {},
         TW_TEXT_INSTALL_AT_RESTART,
         TW_TEXT_INFO_CAPTION,
         0x0,
         true},
        {"a failure is named whatever waits for the restart",
         false,
         {"Driver\\x.dll"},
         FirstLine("1") + "\n\nDriver\\x.dll",
         TW_TEXT_ERROR_CAPTION,
         0x30,
         true},
        {"nothing found", true, {}, TW_TEXT_NOTHING_FOUND, TW_TEXT_ERROR_CAPTION, 0x30},
        {"one failure, named after an empty line",
         false,
         {"Driver\\x.dll"},
         FirstLine("1") + "\n\nDriver\\x.dll",
         TW_TEXT_ERROR_CAPTION,
         0x30},
        // A failure is never hidden behind the nothing-found text.
        {"failures win",
         true,
         {"Driver\\", "driversupport\\\xD5\xC5.txt"},
         FirstLine("2") + "\n\nDriver\\\ndriversupport\\\xD5\xC5.txt",
         TW_TEXT_ERROR_CAPTION,
         0x30},
        {"ten names, all shown", false, Names(10), FirstLine("10") + "\n" + kTenNames,
         TW_TEXT_ERROR_CAPTION, 0x30},
        {"eleven: ten names and the mark for the rest", false, Names(11),
         FirstLine("11") + "\n" + kTenNames + kMore, TW_TEXT_ERROR_CAPTION, 0x30},
        {"many", false, Names(12345), FirstLine("12345") + "\n" + kTenNames + kMore,
         TW_TEXT_ERROR_CAPTION, 0x30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tw::CompletionMessage message =
            tw::ChooseCompletionMessage(c.nothingFound, c.failedFiles, c.restartPending);
        EXPECT_EQ(message.text, c.text);
        EXPECT_STREQ(message.caption, c.caption.c_str());
        EXPECT_EQ(message.style, c.style);
        std::string joined;
        for (const tw::TextPart& part : message.parts) joined += part.bytes;
        EXPECT_EQ(joined, c.text);
    }
}

// File names are read in the system's code page, everything else in 936: the
// parts say which bytes are which.
TEST(CompletionMessage, KeepsFileNamesApartFromTheProgramsWords) {
    using Parts = std::vector<std::pair<std::string, bool>>;
    auto partsOf = [](const tw::CompletionMessage& message) {
        Parts parts;
        for (const tw::TextPart& part : message.parts)
            parts.push_back({part.bytes, part.fileNames});
        return parts;
    };
    EXPECT_EQ(partsOf(tw::ChooseCompletionMessage(false, {})),
              (Parts{{TW_TEXT_INSTALL_DONE, false}}));
    EXPECT_EQ(partsOf(tw::ChooseCompletionMessage(true, {})),
              (Parts{{TW_TEXT_NOTHING_FOUND, false}}));
    EXPECT_EQ(partsOf(tw::ChooseCompletionMessage(false, {"Driver\\\xD5\xC5.dll", "a.txt"})),
              (Parts{{FirstLine("2") + "\n", false}, {"\nDriver\\\xD5\xC5.dll\na.txt", true}}));
    EXPECT_EQ(partsOf(tw::ChooseCompletionMessage(false, Names(11))),
              (Parts{{FirstLine("11") + "\n", false}, {kTenNames, true}, {kMore, false}}));
}

// 无法打开日志文件 and the path as given, as an error ("错误信息", exclamation).
TEST(CompletionMessage, ALogThatCannotBeOpenedIsNamed) {
    const tw::CompletionMessage message = tw::LogNotOpenedMessage("D:\\\xB3\xCC\\%1.log");
    EXPECT_EQ(
        message.text,
        "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xC8\xD5\xD6\xBE\xCE\xC4\xBC\xFE D:\\\xB3\xCC\\%1.log");
    EXPECT_STREQ(message.caption, "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2");
    EXPECT_EQ(message.style, 0x30u);
    ASSERT_EQ(message.parts.size(), 2u);
    EXPECT_FALSE(message.parts[0].fileNames);
    EXPECT_EQ(message.parts[1].bytes, "D:\\\xB3\xCC\\%1.log");
    EXPECT_TRUE(message.parts[1].fileNames);
}

}  // namespace
