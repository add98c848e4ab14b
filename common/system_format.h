// printf-style formatting into a buffer, with C99's answers: the length the whole
// text needs, and a text cut short still ends in a null. On Win32 it goes to the C
// runtime of Windows (through MinGW's thin wrapper that gives those answers), which
// reads the formats this program uses (%d, %u, %s, %X with widths) the same way;
// MinGW's own printf, with its floating-point conversions, would add 17 KB to the exe.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

#ifdef _WIN32
// libmingwex's; its header declares it only for programs without MinGW's own printf.
extern "C" int __cdecl __ms_vsnprintf(char* buffer, std::size_t size, const char* format,
                                      va_list args);
#endif

namespace tw {

inline int FormatInto(char* buffer, std::size_t size, const char* format, va_list args) {
#ifdef _WIN32
    return __ms_vsnprintf(buffer, size, format, args);
#else
    return std::vsnprintf(buffer, size, format, args);
#endif
}

__attribute__((format(printf, 3, 4))) inline int FormatInto(char* buffer, std::size_t size,
                                                            const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = FormatInto(buffer, size, format, args);
    va_end(args);
    return length;
}

}  // namespace tw
