// SHA-256 through the platform's own library: CryptoAPI on Win32 (advapi32, which
// Windows always loads from its own folder), OpenSSL's libcrypto on the host.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tw {

using Sha256Digest = std::array<unsigned char, 32>;

// A file's bytes summed up: their SHA-256 and their count.
struct FileDigest {
    Sha256Digest digest{};
    std::uint64_t size = 0;

    friend bool operator==(const FileDigest&, const FileDigest&) = default;
};

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // False once the library has failed; the digest is then never given.
    bool Update(const void* bytes, std::size_t count);
    // The digest of everything added; nothing after a failure. Ends the hash.
    std::optional<Sha256Digest> Finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// 64 lower-case hexadecimal digits.
std::string ToHex(const Sha256Digest& digest);
// The digest written by ToHex (either case); nothing for any other text.
std::optional<Sha256Digest> FromHex(std::string_view text);

}  // namespace tw
