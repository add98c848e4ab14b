#include "install/registration_rules.h"

#include "common/package_names.h"
#include "common/path_rules.h"

namespace tw {

// Every byte of the name is ASCII and a lead byte is not, so a double-byte name
// never matches.
bool IsToolName(std::string_view fileName) { return EqualsIgnoringCase(fileName, kToolName); }

// ".dll" cannot end in the trail byte of a code page 936 character: "." is below
// every trail byte, so the last four bytes are four whole characters.
bool IsRegisteredName(std::string_view fileName) {
    return fileName.size() >= 4 && EqualsIgnoringCase(fileName.substr(fileName.size() - 4), ".dll");
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
