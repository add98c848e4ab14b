#include <windows.h>

#include "framework/WideText.h"
#include "log/log_platform.h"

namespace tw {

namespace {

std::string Utf8FromCodePage(UINT codePage, std::string_view ansi) {
    const std::wstring wide = WideFromCodePage(codePage, ansi);
    if (wide.empty()) return {};
    const int wideLength = static_cast<int>(wide.size());
    int utf8Length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) return {};
    std::string utf8(static_cast<size_t>(utf8Length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr,
                          nullptr);
    return utf8;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) { return Utf8FromCodePage(CP_ACP, ansi); }

std::string ProgramTextToUtf8(std::string_view text) {
    return Utf8FromCodePage(::IsValidCodePage(936) ? 936 : CP_ACP, text);
}

bool LogFile::IsOnDisk() const { return IsOpen() && ::GetFileType(m_hFile) == FILE_TYPE_DISK; }

}  // namespace tw
