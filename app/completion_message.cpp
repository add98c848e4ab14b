#include "app/completion_message.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "common/system_format.h"
#include "framework/CString.h"
#include "res/texts.h"

namespace tw {

namespace {

template <std::size_t size>
std::vector<TextPart> CountedText(const char (&words)[size],
                                  const std::vector<std::string>& failedFiles) {
    char count[size + 24];
    tw::FormatInto(count, sizeof(count), words, static_cast<int>(failedFiles.size()));
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
                                          const std::vector<std::string>& failedFiles,
                                          bool restartPending) {
    if (!failedFiles.empty())
        return Message(CountedText(TW_TEXT_INSTALL_INCOMPLETE, failedFiles), TW_TEXT_ERROR_CAPTION,
                       kBoxOk | kBoxIconExclamation);
    if (nothingFound)
        return Message({{TW_TEXT_NOTHING_FOUND, false}}, TW_TEXT_ERROR_CAPTION,
                       kBoxOk | kBoxIconExclamation);
    return Message({{restartPending ? TW_TEXT_INSTALL_AT_RESTART : TW_TEXT_INSTALL_DONE, false}},
                   TW_TEXT_INFO_CAPTION, kBoxOk);
}

CompletionMessage UndoneMessage(const std::vector<std::string>& failedFiles) {
    return Message(CountedText(TW_TEXT_INSTALL_UNDONE, failedFiles), TW_TEXT_ERROR_CAPTION,
                   kBoxOk | kBoxIconExclamation);
}

std::vector<TextPart> NameInWords(std::string_view words, std::string_view name) {
    const std::size_t at = words.find("%1");
    if (at == std::string_view::npos) return {{std::string(words), false}};
    std::vector<TextPart> parts{{std::string(words.substr(0, at)), false},
                                {std::string(name), true}};
    if (at + 2 < words.size()) parts.push_back({std::string(words.substr(at + 2)), false});
    return parts;
}

CompletionMessage LogNotOpenedMessage(std::string_view logPath) {
    // The program's words, then the path as given, read in the system's code page.
    return Message(NameInWords(TW_TEXT_LOG_NOT_OPENED, logPath), TW_TEXT_ERROR_CAPTION,
                   kBoxOk | kBoxIconExclamation);
}

}  // namespace tw
