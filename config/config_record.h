// The configuration record "\ZAVIDAR.CFG": 276 bytes that tell the installed
// product where its application directory is. Building the bytes is pure logic.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tw {

constexpr std::size_t kConfigHeaderSize = 20;
constexpr std::size_t kConfigDirectorySize = 256;
constexpr std::size_t kConfigRecordSize = kConfigHeaderSize + kConfigDirectorySize;

// "Varnelquist V4.00" and three zero bytes, the first of which ends the text.
constexpr std::array<unsigned char, kConfigHeaderSize> kConfigHeader = {
    'V', 'a', 'r', 'n', 'e', 'l', 'q', 'u', 'i', 's', 't', ' ', 'V', '4', '.', '0', '0', 0, 0, 0};

using ConfigRecord = std::array<unsigned char, kConfigRecordSize>;

// The header, then the directory field: the text with one trailing separator
// dropped (code page 936 aware), then zero bytes. A text of 256 bytes or more
// fills the field without a terminator; bytes past 256 are left out.
ConfigRecord BuildConfigRecord(std::string_view directoryText);

}  // namespace tw
