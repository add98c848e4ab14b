#include "app/completion_message.h"

#include <gtest/gtest.h>

#include "res/texts.h"

namespace {

struct Case {
    const char* name;
    bool nothingFound;
    int failureCount;
    std::string text;
    std::string caption;
    unsigned style;
};

TEST(CompletionMessage, FollowsWhatTheInstallationDid) {
    const Case cases[] = {
        {"all well", false, 0, TW_TEXT_INSTALL_DONE, TW_TEXT_INFO_CAPTION, 0x0},
        {"nothing found", true, 0, TW_TEXT_NOTHING_FOUND, TW_TEXT_ERROR_CAPTION, 0x30},
        // 驱动程序安装未完成，有 1 个文件未能安装!
        {"one failure", false, 1,
         "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD3\xD0"
         " 1 \xB8\xF6\xCE\xC4\xBC\xFE\xCE\xB4\xC4\xDC\xB0\xB2\xD7\xB0!",
         TW_TEXT_ERROR_CAPTION, 0x30},
        {"many failures", false, 12345,
         "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD3\xD0"
         " 12345 \xB8\xF6\xCE\xC4\xBC\xFE\xCE\xB4\xC4\xDC\xB0\xB2\xD7\xB0!",
         TW_TEXT_ERROR_CAPTION, 0x30},
        // A failure is never hidden behind the nothing-found text.
        {"failures win", true, 2,
         "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD3\xD0"
         " 2 \xB8\xF6\xCE\xC4\xBC\xFE\xCE\xB4\xC4\xDC\xB0\xB2\xD7\xB0!",
         TW_TEXT_ERROR_CAPTION, 0x30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tw::CompletionMessage message = tw::ChooseCompletionMessage(c.nothingFound, c.failureCount);
        EXPECT_EQ(message.text, c.text);
        EXPECT_STREQ(message.caption, c.caption.c_str());
        EXPECT_EQ(message.style, c.style);
    }
}

TEST(CompletionMessage, LargestCountFitsWhole) {
    tw::CompletionMessage message = tw::ChooseCompletionMessage(false, 2147483647);
    EXPECT_NE(message.text.find(" 2147483647 "), std::string::npos);
    EXPECT_EQ(message.text.back(), '!');
}

}  // namespace
