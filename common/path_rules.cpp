#include "common/path_rules.h"

namespace tw {

namespace {

// Calls visit(position, isSeparator) for each character of text, walking it as
// code page 936 so that a trail byte 0x5C is never taken for a separator.
template <typename Visit>
void ForEachCharacter(std::string_view text, Visit visit) {
    for (size_t i = 0; i < text.size();) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (IsCp936LeadByte(byte) && i + 1 < text.size()) {
            visit(i, false);
            i += 2;
        } else {
            visit(i, byte == '\\');
            i += 1;
        }
    }
}

}  // namespace

bool EndsWithSeparator(std::string_view text) {
    bool last = false;
    ForEachCharacter(text, [&](size_t, bool isSeparator) { last = isSeparator; });
    return last;
}

std::string WithTrailingSeparator(std::string_view text) {
    std::string result(text);
    if (!EndsWithSeparator(text)) result += '\\';
    return result;
}

std::string WithoutTrailingSeparator(std::string_view text) {
    if (text.size() > 3 && EndsWithSeparator(text)) text.remove_suffix(1);
    return std::string(text);
}

std::string ToPosixPath(std::string_view windowsPath) {
    std::string result(windowsPath);
    ForEachCharacter(windowsPath, [&](size_t at, bool isSeparator) {
        if (isSeparator) result[at] = '/';
    });
    return result;
}

}  // namespace tw
