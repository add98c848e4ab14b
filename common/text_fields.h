// The text of the files the program keeps for itself (the installed-files list,
// the commit's journal): lines that end in CR LF, fields split at tabs, bytes as
// lower-case hexadecimal digits.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tw {

constexpr std::string_view kLineEnd = "\r\n";

// Takes the next whole line, without its end, off text; false when none is left whole.
inline bool NextLine(std::string_view& text, std::string_view& line) {
    const std::size_t end = text.find(kLineEnd);
    if (end == std::string_view::npos) return false;
    line = text.substr(0, end);
    text.remove_prefix(end + kLineEnd.size());
    return true;
}

// Splits line at its tabs into exactly count fields.
inline bool SplitFields(std::string_view line, std::size_t count, std::string_view* fields) {
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return false;
        fields[i] = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    fields[count - 1] = line;
    return line.find('\t') == std::string_view::npos;
}

inline constexpr char kHexDigits[] = "0123456789abcdef";

// Two lower-case hexadecimal digits a byte.
inline std::string HexDigits(std::string_view bytes) {
    std::string text;
    for (unsigned char byte : bytes) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0xF];
    }
    return text;
}

// The bytes that HexDigits wrote as text; nothing for any other text.
inline std::optional<std::string> BytesFromHex(std::string_view text) {
    if (text.size() % 2) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const char* high = std::find(kHexDigits, kHexDigits + 16, text[i]);
        const char* low = std::find(kHexDigits, kHexDigits + 16, text[i + 1]);
        if (high == kHexDigits + 16 || low == kHexDigits + 16) return std::nullopt;
        bytes += static_cast<char>((high - kHexDigits) * 16 + (low - kHexDigits));
    }
    return bytes;
}

}  // namespace tw
