// The check that the program file held is the image that was started: the PE
// headers at the file's start against the loaded module's in memory.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace tw {

// Headers larger than this belong to no image this program could be.
constexpr std::size_t kMaxImageHeaders = 64 * 1024;

// SizeOfHeaders of the PE headers that bytes begin with; nothing when they are
// no PE32 or PE32+ headers, are cut short or claim more than kMaxImageHeaders.
std::optional<std::size_t> ImageHeadersSize(std::span<const unsigned char> bytes);

// True when file and loaded both begin with PE headers of one size and hold the
// same bytes throughout them, but for the image base, which the loader rewrites
// when it places the image elsewhere.
bool SameImageHeaders(std::span<const unsigned char> file, std::span<const unsigned char> loaded);

}  // namespace tw
