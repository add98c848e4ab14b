#include "app/completion_message.h"

#include <cstdio>

#include "res/texts.h"

namespace tw {

CompletionMessage ChooseCompletionMessage(bool nothingFound, int failureCount) {
    if (failureCount > 0) {
        char text[sizeof(TW_TEXT_INSTALL_INCOMPLETE) + 16];
        std::snprintf(text, sizeof(text), TW_TEXT_INSTALL_INCOMPLETE, failureCount);
        return {text, TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation};
    }
    if (nothingFound)
        return {TW_TEXT_NOTHING_FOUND, TW_TEXT_ERROR_CAPTION, kBoxOk | kBoxIconExclamation};
    return {TW_TEXT_INSTALL_DONE, TW_TEXT_INFO_CAPTION, kBoxOk};
}

}  // namespace tw
