// The record builder on any directory text up to 300 bytes: always the constant
// header, the directory field holds the stripped text cut at 256 bytes, a zero
// terminator whenever the text is shorter, and zero fill after it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/path_rules.h"
#include "config/config_record.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > 300) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    tw::ConfigRecord record = tw::BuildConfigRecord(text);

    for (size_t i = 0; i < tw::kConfigHeaderSize; ++i) Check(record[i] == tw::kConfigHeader[i]);

    std::string expected = tw::WithoutTrailingSeparator(text);
    size_t stored =
        expected.size() < tw::kConfigDirectorySize ? expected.size() : tw::kConfigDirectorySize;
    const unsigned char* field = record.data() + tw::kConfigHeaderSize;
    for (size_t i = 0; i < stored; ++i) Check(field[i] == static_cast<unsigned char>(expected[i]));
    for (size_t i = stored; i < tw::kConfigDirectorySize; ++i) Check(field[i] == 0);
    return 0;
}
