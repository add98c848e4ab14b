// The separator and directory rules that the dialog, the record, the run and the
// engine share. Texts are in code page 936: a "\" byte counts as a separator only
// when it is a whole character, never the trail byte of a double-byte character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

// Code page 936 lead bytes take the next byte with them.
constexpr bool IsCp936LeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// True when the last character of text is a "\".
bool EndsWithSeparator(std::string_view text);

// Append rule: text with "\" appended unless it already ends in one (a drive
// root such as X:\ stays unchanged).
std::string WithTrailingSeparator(std::string_view text);

// Strip rule: text with one trailing "\" dropped when it is longer than 3 bytes.
std::string WithoutTrailingSeparator(std::string_view text);

// Directory test: a search entry is a folder when its attribute word has the
// FILE_ATTRIBUTE_DIRECTORY bit, whatever other bits it carries.
constexpr std::uint32_t kFileAttributeDirectory = 0x10;
constexpr bool IsDirectoryEntry(std::uint32_t attributes) {
    return (attributes & kFileAttributeDirectory) != 0;
}

// Host builds: a Windows-style path with every whole-character "\" turned into "/".
std::string ToPosixPath(std::string_view windowsPath);

}  // namespace tw
