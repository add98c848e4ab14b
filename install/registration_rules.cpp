#include "install/registration_rules.h"

namespace tw {

namespace {

constexpr char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

// ".dll" cannot end in the trail byte of a code page 936 character: "." is below
// every trail byte, so the last four bytes are four whole characters.
bool IsRegisteredName(std::string_view fileName) {
    constexpr std::string_view kExtension = ".dll";
    if (fileName.size() < kExtension.size()) return false;
    std::string_view tail = fileName.substr(fileName.size() - kExtension.size());
    for (std::size_t i = 0; i < kExtension.size(); ++i)
        if (ToLowerAscii(tail[i]) != kExtension[i]) return false;
    return true;
}

// Blanks and tabs are below every trail byte, so a byte search finds only real ones.
bool FormatToolParameters(std::string_view dllPath, ToolParameters& parameters) {
    if (dllPath.find_first_of(" \t") == std::string_view::npos)
        return parameters.Compose({"/s ", dllPath});
    return parameters.Compose({"/s \"", dllPath, "\""});
}

}  // namespace tw
