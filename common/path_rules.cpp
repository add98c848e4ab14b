#include "common/path_rules.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tw {

namespace {

// Calls visit(position, isSeparator) for each character of text, so that a trail
// byte 0x5C is never taken for a separator. Only "\" counts unless withSlash.
template <typename Visit>
void ForEachCharacter(std::string_view text, LeadBytePredicate isLead, bool withSlash,
                      Visit visit) {
    for (size_t i = 0; i < text.size();) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (isLead(byte) && i + 1 < text.size()) {
            visit(i, false);
            i += 2;
        } else {
            visit(i, byte == '\\' || (withSlash && byte == '/'));
            i += 1;
        }
    }
}

// Lead bytes are never ASCII letters, so folding those letters keeps every
// character boundary where it was: equal folded texts are equal paths.
std::string Folded(std::string_view text, LeadBytePredicate isLead) {
    std::string folded(text);
    for (size_t i = 0; i < folded.size();) {
        unsigned char byte = static_cast<unsigned char>(folded[i]);
        if (isLead(byte) && i + 1 < folded.size()) {
            i += 2;
            continue;
        }
        if (byte >= 'A' && byte <= 'Z') folded[i] = static_cast<char>(byte - 'A' + 'a');
        i += 1;
    }
    if (EndsWithSeparator(folded, isLead)) folded.pop_back();
    return folded;
}

}  // namespace

#ifdef _WIN32
bool IsSystemLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }
#else
bool IsSystemLeadByte(unsigned char byte) { return IsCp936LeadByte(byte); }
#endif

bool EndsWithSeparator(std::string_view text, LeadBytePredicate isLead) {
    bool last = false;
    ForEachCharacter(text, isLead, false, [&](size_t, bool isSeparator) { last = isSeparator; });
    return last;
}

std::string WithTrailingSeparator(std::string_view text, LeadBytePredicate isLead) {
    std::string result(text);
    if (!EndsWithSeparator(text, isLead)) result += '\\';
    return result;
}

std::string WithoutTrailingSeparator(std::string_view text, LeadBytePredicate isLead) {
    if (text.size() > 3 && EndsWithSeparator(text, isLead)) text.remove_suffix(1);
    return std::string(text);
}

std::string_view FolderPart(std::string_view path, LeadBytePredicate isLead) {
    size_t end = 0;
    ForEachCharacter(path, isLead, true, [&](size_t at, bool isSeparator) {
        if (isSeparator) end = at + 1;
    });
    return path.substr(0, end);
}

std::vector<std::string> SplitAtSeparators(std::string_view text, LeadBytePredicate isLead) {
    std::vector<std::string> names;
    size_t start = 0;
    ForEachCharacter(text, isLead, true, [&](size_t at, bool isSeparator) {
        if (!isSeparator) return;
        names.emplace_back(text.substr(start, at - start));
        start = at + 1;
    });
    names.emplace_back(text.substr(start));
    return names;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if ((text[i] >= 'A' && text[i] <= 'Z' ? text[i] - 'A' + 'a' : text[i]) != word[i])
            return false;
    return true;
}

bool SamePath(std::string_view a, std::string_view b, LeadBytePredicate isLead) {
    return Folded(a, isLead) == Folded(b, isLead);
}

std::string PathKey(std::string_view path, LeadBytePredicate isLead) {
    return Folded(path, isLead);
}

bool IsSameOrInside(std::string_view path, std::string_view folder, LeadBytePredicate isLead) {
    if (folder.empty()) return false;
    std::string inner = Folded(path, isLead);
    std::string outer = Folded(folder, isLead);
    if (inner.compare(0, outer.size(), outer) != 0) return false;
    return inner.size() == outer.size() ||
           EndsWithSeparator(std::string_view(inner).substr(0, outer.size() + 1), isLead);
}

std::string ToPosixPath(std::string_view windowsPath) {
    std::string result(windowsPath);
    ForEachCharacter(windowsPath, IsSystemLeadByte, false, [&](size_t at, bool isSeparator) {
        if (isSeparator) result[at] = '/';
    });
    return result;
}

}  // namespace tw
