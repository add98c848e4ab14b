// The record a test expects, spelt out byte by byte from the file's layout.
#pragma once

#include <string>

#include "config/config_record.h"

// "Varnelquist V4.00", three zero bytes, then field: padded with zero bytes to
// 256 when shorter (field holds the terminator and fill the test expects).
inline std::string ExpectedRecord(const std::string& field) {
    std::string record("Varnelquist V4.00\0\0\0", 20);
    record += field;
    record.resize(276, '\0');
    return record;
}

inline std::string AsBytes(const tw::ConfigRecord& record) {
    return std::string(reinterpret_cast<const char*>(record.data()), record.size());
}
