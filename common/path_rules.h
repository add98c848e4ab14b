// The separator and directory rules that the dialog, the record, the run and the
// engine share. A "\" byte counts as a separator only when it is a whole character,
// never the trail byte of a double-byte character; which bytes lead such a
// character is the running system's answer unless a caller passes a table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// Tells whether a byte starts a double-byte character, which takes the next byte with it.
using LeadBytePredicate = bool (*)(unsigned char byte);

// Code page 936 lead bytes.
constexpr bool IsCp936LeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
// A single-byte code page such as 1252 has none.
constexpr bool IsSingleByteLeadByte(unsigned char) { return false; }
// The running system's answer: IsDBCSLeadByte on Win32; code page 936 on the host,
// which stands for the system the program is made for.
bool IsSystemLeadByte(unsigned char byte);

// True when the last character of text is a "\".
bool EndsWithSeparator(std::string_view text, LeadBytePredicate isLead = IsSystemLeadByte);

// Append rule: text with "\" appended unless it already ends in one (a drive
// root such as X:\ stays unchanged).
std::string WithTrailingSeparator(std::string_view text,
                                  LeadBytePredicate isLead = IsSystemLeadByte);

// Strip rule: text with one trailing "\" dropped when it is longer than 3 bytes.
std::string WithoutTrailingSeparator(std::string_view text,
                                     LeadBytePredicate isLead = IsSystemLeadByte);

// The folder part of a path: everything up to and including its last "\" or "/";
// empty when it has none.
std::string_view FolderPart(std::string_view path, LeadBytePredicate isLead = IsSystemLeadByte);

// The names between the separators ("\" or "/") of text, empty ones included:
// "C:\a/b\" gives "C:", "a", "b" and "".
std::vector<std::string> SplitAtSeparators(std::string_view text,
                                           LeadBytePredicate isLead = IsSystemLeadByte);

// True when text is word with its ASCII letters in any case; word is lower case.
// Lead bytes are never ASCII, so a double-byte character never matches.
bool EqualsIgnoringCase(std::string_view text, std::string_view word);

// True when a and b are the same path, compared as Windows compares names as far
// as this program needs: ASCII letters in any case, double-byte characters exactly,
// and one trailing separator on either side counted as absent.
bool SamePath(std::string_view a, std::string_view b, LeadBytePredicate isLead = IsSystemLeadByte);
// The path as SamePath compares it: two paths are the same exactly when their keys
// are equal, so that many paths can be looked up at once.
std::string PathKey(std::string_view path, LeadBytePredicate isLead = IsSystemLeadByte);
// True when path names folder or something inside it, compared as SamePath does.
// An empty folder contains nothing.
bool IsSameOrInside(std::string_view path, std::string_view folder,
                    LeadBytePredicate isLead = IsSystemLeadByte);

// Directory test: a search entry is a folder when its attribute word has the
// FILE_ATTRIBUTE_DIRECTORY bit, whatever other bits it carries.
constexpr std::uint32_t kFileAttributeDirectory = 0x10;
constexpr bool IsDirectoryEntry(std::uint32_t attributes) {
    return (attributes & kFileAttributeDirectory) != 0;
}

// Host builds: a Windows-style path with every whole-character "\" turned into "/".
std::string ToPosixPath(std::string_view windowsPath);

}  // namespace tw
