// Texts that Win32 calls write into a caller's buffer (the current directory, a
// module's path, a string resource), read whole whatever their length.
#pragma once

#include <algorithm>
#include <string>

// call(buffer, size) writes at most size bytes, terminator included, and returns
// the length of what it wrote. A result of size - 1 or more means that the text
// may have been cut, or is the size the call needs: the call is made again with a
// larger buffer. A result of 0 gives an empty text (nothing there, or a failure).
template <typename Call>
std::string ReadGrowing(Call call) {
    constexpr unsigned long kLargest = 1ul << 20;  // far beyond any path or string
    std::string text;
    for (unsigned long size = 256;;) {
        text.resize(size);
        unsigned long length = static_cast<unsigned long>(call(text.data(), size));
        if (length + 1 < size || size >= kLargest) {
            text.resize(std::min(length, size - 1));
            return text;
        }
        size = std::min(std::max(size * 2, length + 1), kLargest);
    }
}
