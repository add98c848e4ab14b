#include <windows.h>

#include <climits>

#include "log/log_platform.h"

namespace tw {

namespace {

std::string Utf8FromCodePage(UINT codePage, std::string_view ansi) {
    if (ansi.empty() || ansi.size() > INT_MAX / 2) return {};
    int ansiLength = static_cast<int>(ansi.size());
    int wideLength = ::MultiByteToWideChar(codePage, 0, ansi.data(), ansiLength, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(codePage, 0, ansi.data(), ansiLength, wide.data(), wideLength);
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
