#include "app/completion_message.h"

#include <cstdio>

#include "res/texts.h"

namespace tw {

namespace {

std::string IncompleteText(const std::vector<std::string>& failedFiles) {
    char count[sizeof(TW_TEXT_INSTALL_INCOMPLETE) + 24];
    std::snprintf(count, sizeof(count), TW_TEXT_INSTALL_INCOMPLETE,
                  static_cast<int>(failedFiles.size()));
    return std::string(count) + NamedFiles(failedFiles);
}

}  // namespace

std::string NamedFiles(const std::vector<std::string>& names) {
    std::string text = "\n";
    for (std::size_t i = 0; i < names.size() && i < kNamedFailures; ++i) text += "\n" + names[i];
    if (names.size() > kNamedFailures) text += "\n" TW_TEXT_MORE_FILES;
    return text;
}

CompletionMessage ChooseCompletionMessage(bool nothingFound,
                                          const std::vector<std::string>& failedFiles) {
    if (!failedFiles.empty())
        return {IncompleteText(failedFiles), TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation};
    if (nothingFound)
        return {TW_TEXT_NOTHING_FOUND, TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation};
    return {TW_TEXT_INSTALL_DONE, TW_TEXT_INFO_CAPTION, kBoxOk};
}

}  // namespace tw
