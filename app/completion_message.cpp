#include "app/completion_message.h"

#include <cstdio>

#include "framework/CString.h"
#include "res/texts.h"

namespace tw {

namespace {

std::string IncompleteText(const std::vector<std::string>& failedFiles) {
    char count[sizeof(TW_TEXT_INSTALL_INCOMPLETE) + 24];
    std::snprintf(count, sizeof(count), TW_TEXT_INSTALL_INCOMPLETE,
                  static_cast<int>(failedFiles.size()));
    std::string text = std::string(count) + "\n";
    for (std::size_t i = 0; i < failedFiles.size() && i < kNamedFailures; ++i)
        text += "\n" + failedFiles[i];
    if (failedFiles.size() > kNamedFailures) text += "\n" TW_TEXT_MORE_FILES;
    return text;
}

}  // namespace

CompletionMessage ChooseCompletionMessage(bool nothingFound,
                                          const std::vector<std::string>& failedFiles) {
    if (!failedFiles.empty())
        return {IncompleteText(failedFiles), TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation};
    if (nothingFound)
        return {TW_TEXT_NOTHING_FOUND, TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation};
    return {TW_TEXT_INSTALL_DONE, TW_TEXT_INFO_CAPTION, kBoxOk};
}

CompletionMessage LogNotOpenedMessage(std::string_view logPath) {
    const std::string path(logPath);
    return {AfxFormatString1(TW_TEXT_LOG_NOT_OPENED, path.c_str()).GetString(),
            TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation};
}

}  // namespace tw
