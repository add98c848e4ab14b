// CString: a byte string in the system's ANSI code page (code page 936 for our
// users). Lengths and positions count bytes, never characters.
#pragma once

#include <string>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length) : m_text(text, length > 0 ? length : 0) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    const char* GetString() const { return m_text.c_str(); }
    operator const char*() const { return m_text.c_str(); }

    // The leftmost or rightmost count bytes (all of them when count exceeds the length).
    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first, int count) const;
    int Find(const char* sub, int start = 0) const;

    CString& operator=(const char* text);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    friend CString operator+(CString left, const CString& right) { return left += right; }
    friend CString operator+(CString left, const char* right) { return left += right; }
    friend CString operator+(const char* left, const CString& right) {
        return CString(left) += right;
    }

    // Byte-wise comparison, as strcmp.
    int Compare(const char* other) const;
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }

    // Opens the buffer for writing with room for at least minLength bytes and a
    // terminator; ReleaseBuffer takes the text up to newLength bytes, or up to the
    // first zero byte when newLength is -1.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    // printf-style formatting; the result has whatever length it needs.
    void Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

private:
    std::string m_text;
};

// format with its first "%1" replaced by insert: the framework's texts with one
// insert (file-error texts, the data exchange's limit).
CString AfxFormatString1(const char* format, const char* insert);
