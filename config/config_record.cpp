#include "config/config_record.h"

#include <algorithm>
#include <string>

#include "common/path_rules.h"

namespace tw {

ConfigRecord BuildConfigRecord(std::string_view directoryText) {
    ConfigRecord record{};  // zero fill: the terminator and the bytes after it
    std::copy(kConfigHeader.begin(), kConfigHeader.end(), record.begin());
    std::string directory = WithoutTrailingSeparator(directoryText);
    std::size_t length = std::min(directory.size(), kConfigDirectorySize);
    std::copy_n(directory.begin(), length, record.begin() + kConfigHeaderSize);
    return record;
}

}  // namespace tw
