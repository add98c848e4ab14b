#include "framework/WideText.h"

std::wstring WideFromProgramText(std::string_view text) {
    std::wstring wide = WideFromCodePage(kTextCodePage, text);
    return wide.empty() ? WideFromAnsi(text) : wide;
}

std::wstring WideFromAnsi(std::string_view text) { return WideFromCodePage(CP_ACP, text); }

std::wstring FormatWide1(std::wstring pattern, const std::wstring& insert) {
    std::wstring::size_type at = pattern.find(L"%1");
    if (at != std::wstring::npos) pattern.replace(at, 2, insert);
    return pattern;
}

std::wstring ProgramTextWithFile(std::string_view pattern, std::string_view fileName) {
    return FormatWide1(WideFromProgramText(pattern), WideFromAnsi(fileName));
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}
