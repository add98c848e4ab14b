#include "app/completion_message.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "framework/CString.h"
#include "res/texts.h"

namespace tw {

namespace {

std::vector<TextPart> IncompleteText(const std::vector<std::string>& failedFiles) {
    char count[sizeof(TW_TEXT_INSTALL_INCOMPLETE) + 24];
    std::snprintf(count, sizeof(count), TW_TEXT_INSTALL_INCOMPLETE,
                  static_cast<int>(failedFiles.size()));
    return WordsAndNamedFiles(count, failedFiles);
}

}  // namespace

std::vector<TextPart> WordsAndNamedFiles(std::string words, const std::vector<std::string>& names) {
    std::vector<TextPart> parts{{std::move(words) + "\n", false}, {"", true}};
    for (std::size_t i = 0; i < names.size() && i < kNamedFailures; ++i)
        parts.back().bytes += "\n" + names[i];
    if (names.size() > kNamedFailures) parts.push_back({"\n" TW_TEXT_MORE_FILES, false});
    return parts;
}

CompletionMessage Message(std::vector<TextPart> parts, const char* caption, unsigned style) {
    std::string text;
    for (const TextPart& part : parts) text += part.bytes;
    return {std::move(text), caption, style, std::move(parts)};
}

CompletionMessage ChooseCompletionMessage(bool nothingFound,
                                          const std::vector<std::string>& failedFiles) {
    if (!failedFiles.empty())
        return Message(IncompleteText(failedFiles), TW_TEXT_ERROR_CAPTION,
                       kBoxOk | kBoxIconExclamation);
    if (nothingFound)
        return Message({{TW_TEXT_NOTHING_FOUND, false}}, TW_TEXT_ERROR_CAPTION,
                       kBoxOk | kBoxIconExclamation);
    return Message({{TW_TEXT_INSTALL_DONE, false}}, TW_TEXT_INFO_CAPTION, kBoxOk);
}

CompletionMessage LogNotOpenedMessage(std::string_view logPath) {
    // The program's words, then the path as given, read in the system's code page.
    constexpr std::string_view kText = TW_TEXT_LOG_NOT_OPENED;
    static_assert(kText.ends_with(" %1"));
    return Message(
        {{std::string(kText.substr(0, kText.size() - 2)), false}, {std::string(logPath), true}},
        TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation);
}

}  // namespace tw
