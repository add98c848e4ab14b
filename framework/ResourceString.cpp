#include "framework/ResourceString.h"

CString LoadResourceString(HINSTANCE module, UINT id) {
    // Grow until the text fits: LoadStringA cuts a long text without saying so.
    for (int size = 256;; size *= 2) {
        CString text;
        char* buffer = text.GetBuffer(size);
        int length = ::LoadStringA(module, id, buffer, size + 1);
        if (length < size) {
            text.ReleaseBuffer(length > 0 ? length : 0);
            return text;
        }
        text.ReleaseBuffer(0);
    }
}

CString FirstStringField(const CString& text) {
    int end = text.Find("\n");
    return end < 0 ? text : text.Left(end);
}
