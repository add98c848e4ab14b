// What the tests of the two runs share: the package folder's listings as the
// recording system is asked for them, and the install log read back line by line.
#pragma once

#include <string>
#include <vector>

#include "tests/temp_folder.h"

namespace run_tests {

using Lines = std::vector<std::string>;

constexpr const char* kSupport = "C:\\pkg\\driversupport\\*.*";
constexpr const char* kDriver = "C:\\pkg\\Driver\\*.*";

// The log's lines, without the mark and the line ends.
inline Lines LogLines(const std::string& path) {
    std::string text = ReadBytes(path);
    Lines lines;
    for (std::size_t at = 3, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

}  // namespace run_tests
