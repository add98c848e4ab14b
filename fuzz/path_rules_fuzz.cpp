// The separator rules on arbitrary byte strings: never split a double-byte
// character, change at most one trailing byte, and reach a fixed point.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/path_rules.h"
#include "fuzz/fuzz_check.h"

namespace {

// Offset where the last character starts, walking as code page 936.
size_t LastCharacterStart(const std::string& text) {
    size_t start = 0;
    for (size_t i = 0; i < text.size();) {
        start = i;
        i += (tw::IsCp936LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2
                                                                                               : 1;
    }
    return start;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > 300) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    // A text that ends in a lone lead byte is not code page 936; no folder has such a name.
    if (!text.empty() && LastCharacterStart(text) == text.size() - 1 &&
        tw::IsCp936LeadByte(static_cast<unsigned char>(text.back())))
        return 0;

    std::string appended = tw::WithTrailingSeparator(text);
    Check(appended.compare(0, text.size(), text) == 0);
    Check(appended.size() == text.size() || appended.size() == text.size() + 1);
    Check(tw::EndsWithSeparator(appended));
    Check(tw::WithTrailingSeparator(appended) == appended);  // idempotent

    std::string stripped = tw::WithoutTrailingSeparator(text);
    Check(text.compare(0, stripped.size(), stripped) == 0);
    if (stripped.size() != text.size()) {
        // Only a whole "\" character goes, and only from a text longer than 3 bytes.
        Check(stripped.size() + 1 == text.size() && text.size() > 3);
        Check(text.back() == '\\' && LastCharacterStart(text) == text.size() - 1);
    } else if (text.size() > 3) {
        Check(!tw::EndsWithSeparator(text));
    }

    std::string posix = tw::ToPosixPath(text);
    Check(posix.size() == text.size());
    for (size_t i = 0; i < text.size(); ++i)
        Check(posix[i] == text[i] || (text[i] == '\\' && posix[i] == '/'));
    return 0;
}
