// The message that ends a confirmed run. It follows what the installation did, so
// that a run that failed is never reported as complete.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "log/install_log.h"

namespace tw {

// MessageBoxA styles, with Win32's values on every build.
constexpr unsigned kBoxOk = 0x0;
constexpr unsigned kBoxIconExclamation = 0x30;
constexpr unsigned kBoxIconInformation = 0x40;

// At most this many failed files are named; "……" stands for the rest.
constexpr std::size_t kNamedFailures = 10;

struct CompletionMessage {
    std::string text;     // the parts, joined
    const char* caption;  // code page 936
    unsigned style;
    std::vector<TextPart> parts;
};

// The words, an empty line, then the names one a line, the first kNamedFailures
// of them, "……" standing for the rest: how the final messages name files.
std::vector<TextPart> WordsAndNamedFiles(std::string words, const std::vector<std::string>& names);

// The message of these parts, their text joined.
CompletionMessage Message(std::vector<TextPart> parts, const char* caption, unsigned style);

// All well: the congratulation, or, when something waits for the next restart,
// that the installation is complete once Windows restarts. Files not installed:
// how many, then, after an empty line, their names one a line, as an error.
// Nothing in either source folder: an error that says so.
CompletionMessage ChooseCompletionMessage(bool nothingFound,
                                          const std::vector<std::string>& failedFiles,
                                          bool restartPending = false);

// A run undone before every file was in place: how many files were not
// installed and that nothing was changed, then their names, as an error.
CompletionMessage UndoneMessage(const std::vector<std::string>& failedFiles);

// words (the program's, code page 936) with "%1" replaced by name (the system's
// code page): each part converted with its own code page when shown.
std::vector<TextPart> NameInWords(std::string_view words, std::string_view name);

// What a run with the dialog shows, instead of the dialog, when the log of /LOG=
// cannot be opened: the path as given, as an error.
CompletionMessage LogNotOpenedMessage(std::string_view logPath);

}  // namespace tw
