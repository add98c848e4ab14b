#include "install/registration_rules.h"

#include "common/package_names.h"

namespace tw {

namespace {

constexpr char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

// Every byte of the name is ASCII and a lead byte is not, so a double-byte name
// never matches.
bool IsToolName(std::string_view fileName) {
    if (fileName.size() != kToolName.size()) return false;
    for (std::size_t i = 0; i < kToolName.size(); ++i)
        if (ToLowerAscii(fileName[i]) != kToolName[i]) return false;
    return true;
}

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

// Blanks, quotes and control bytes are below every trail byte (0x40 and up), so a
// byte search finds only real ones.
bool FormatToolParameters(std::string_view dllPath, ToolParameters& parameters) {
    for (char c : dllPath) {
        if (c == '"' || static_cast<unsigned char>(c) < 0x20) {
            parameters.Compose({});
            return false;
        }
    }
    if (dllPath.find(' ') == std::string_view::npos) return parameters.Compose({"/s ", dllPath});
    return parameters.Compose({"/s \"", dllPath, "\""});
}

}  // namespace tw
