#include "framework/CString.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/system_format.h"

CString CString::Left(int count) const {
    if (count <= 0) return CString();
    return CString(m_text.substr(0, static_cast<size_t>(count)).c_str());
}

CString CString::Right(int count) const {
    if (count <= 0) return CString();
    size_t n = static_cast<size_t>(count);
    if (n >= m_text.size()) return *this;
    CString result;
    result.m_text = m_text.substr(m_text.size() - n);
    return result;
}

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (count <= 0 || static_cast<size_t>(first) >= m_text.size()) return CString();
    CString result;
    result.m_text = m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count));
    return result;
}

int CString::Find(const char* sub, int start) const {
    if (start < 0 || static_cast<size_t>(start) > m_text.size()) return -1;
    size_t at = m_text.find(sub, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString& CString::operator=(const char* text) {
    m_text = text ? text : "";
    return *this;
}

CString& CString::operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text) m_text += text;
    return *this;
}

int CString::Compare(const char* other) const {
    return std::strcmp(m_text.c_str(), other ? other : "");
}

char* CString::GetBuffer(int minLength) {
    if (minLength > 0 && static_cast<size_t>(minLength) > m_text.size())
        m_text.resize(static_cast<size_t>(minLength), '\0');
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength) {
    size_t length = newLength < 0 ? std::strlen(m_text.c_str())
                                  : std::min(static_cast<size_t>(newLength), m_text.size());
    m_text.resize(length);
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = tw::FormatInto(nullptr, 0, format, measure);
    va_end(measure);
    m_text.assign(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) tw::FormatInto(m_text.data(), m_text.size() + 1, format, args);
    va_end(args);
}

CString AfxFormatString1(const char* format, const char* insert) {
    CString text(format);
    int at = text.Find("%1");
    if (at < 0) return text;
    return text.Left(at) + insert + text.Mid(at + 2, text.GetLength());
}
