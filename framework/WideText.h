// The program's texts on their way to the screen. Its own texts are stored in
// code page 936 and file names come in the system's ANSI code page; both are
// turned into UTF-16 and shown through the wide functions, so that Chinese reads
// as Chinese whatever the system's code page is.
#pragma once

#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

// The code page of the program's own texts (Chinese, PRC).
constexpr UINT kTextCodePage = 936;

// text read in codePage; empty when it cannot be read.
inline std::wstring WideFromCodePage(UINT codePage, std::string_view text) {
    if (text.empty() || text.size() > INT_MAX / 2) return {};
    int length = static_cast<int>(text.size());
    int wideLength = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
    return wide;
}
// A program text falls back to the ANSI code page on a system without code page 936.
std::wstring WideFromProgramText(std::string_view text);
std::wstring WideFromAnsi(std::string_view text);

// pattern with its first "%1" replaced by insert.
std::wstring FormatWide1(std::wstring pattern, const std::wstring& insert);

// A program text (code page 936) with "%1" replaced by a file name (ANSI).
std::wstring ProgramTextWithFile(std::string_view pattern, std::string_view fileName);

// MessageBoxW with texts already in UTF-16.
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);
