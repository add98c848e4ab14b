#include "common/sha256.h"

#include "common/text_fields.h"

namespace tw {

std::string ToHex(const Sha256Digest& digest) {
    return HexDigits({reinterpret_cast<const char*>(digest.data()), digest.size()});
}

std::optional<Sha256Digest> FromHex(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    const std::optional<std::string> bytes = BytesFromHex(lower);
    Sha256Digest digest{};
    if (!bytes || bytes->size() != digest.size()) return std::nullopt;
    std::copy(bytes->begin(), bytes->end(), digest.begin());
    return digest;
}

}  // namespace tw
