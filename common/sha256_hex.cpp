#include "common/sha256.h"

#include "common/text_fields.h"

namespace tw {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string ToHex(const Sha256Digest& digest) {
    return HexDigits({reinterpret_cast<const char*>(digest.data()), digest.size()});
}

std::optional<Sha256Digest> FromHex(std::string_view text) {
    Sha256Digest digest{};
    if (text.size() != 2 * digest.size()) return std::nullopt;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        int high = HexValue(text[2 * i]);
        int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return digest;
}

}  // namespace tw
