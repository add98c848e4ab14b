#include "framework/ResourceString.h"

#include "framework/ReadGrowing.h"

CString LoadResourceString(HINSTANCE module, UINT id) {
    // LoadStringA cuts a long text without saying so: the buffer grows until it fits.
    std::string text = ReadGrowing([&](char* buffer, unsigned long size) {
        int length = ::LoadStringA(module, id, buffer, static_cast<int>(size));
        return length > 0 ? static_cast<unsigned long>(length) : 0ul;
    });
    return text.c_str();
}

CString FirstStringField(const CString& text) {
    int end = text.Find("\n");
    return end < 0 ? text : text.Left(end);
}
