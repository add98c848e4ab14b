// A NUL-terminated path in a fixed buffer, built by concatenation. A path that
// would not fit is refused whole: nothing is ever written past the buffer.
#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string_view>

template <std::size_t Size>
class FixedPath {
public:
    static_assert(Size > 0);
    static constexpr std::size_t kMaxLength = Size - 1;  // room for the terminator

    // Sets the text to the parts joined; false, leaving the text empty, when the
    // result would be longer than kMaxLength.
    bool Compose(std::initializer_list<std::string_view> parts) {
        std::size_t total = 0;
        for (std::string_view part : parts) total += part.size();
        if (total > kMaxLength) {
            m_bytes[0] = '\0';
            m_length = 0;
            return false;
        }
        char* at = m_bytes;
        for (std::string_view part : parts) {
            std::memcpy(at, part.data(), part.size());
            at += part.size();
        }
        *at = '\0';
        m_length = total;
        return true;
    }

    const char* c_str() const { return m_bytes; }
    std::string_view view() const { return {m_bytes, m_length}; }

private:
    char m_bytes[Size] = {};
    std::size_t m_length = 0;
};

// The engine's path buffers: 260 characters and the terminator.
constexpr std::size_t kPathBufferSize = 261;
using PathBuffer = FixedPath<kPathBufferSize>;
