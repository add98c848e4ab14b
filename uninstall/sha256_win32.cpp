// SHA-256 through CryptoAPI: the AES provider is the one that offers CALG_SHA_256.
#include <windows.h>
#include <wincrypt.h>

#include "uninstall/sha256.h"

namespace tw {

struct Sha256::State {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    bool failed = false;

    ~State() {
        if (hash) CryptDestroyHash(hash);
        if (provider) CryptReleaseContext(provider, 0);
    }
};

Sha256::Sha256() : m_state(std::make_unique<State>()) {
    // No key container is needed for hashing alone.
    m_state->failed = !CryptAcquireContextA(&m_state->provider, nullptr, nullptr, PROV_RSA_AES,
                                            CRYPT_VERIFYCONTEXT) ||
                      !CryptCreateHash(m_state->provider, CALG_SHA_256, 0, 0, &m_state->hash);
}

Sha256::~Sha256() = default;

bool Sha256::Update(const void* bytes, std::size_t count) {
    const auto* data = static_cast<const BYTE*>(bytes);
    // CryptHashData takes a DWORD count: large blocks go in pieces.
    while (!m_state->failed && count > 0) {
        DWORD piece = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        if (!CryptHashData(m_state->hash, data, piece, 0)) m_state->failed = true;
        data += piece;
        count -= piece;
    }
    return !m_state->failed;
}

std::optional<Sha256Digest> Sha256::Finish() {
    Sha256Digest digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    if (m_state->failed || !CryptGetHashParam(m_state->hash, HP_HASHVAL, digest.data(), &size, 0) ||
        size != digest.size()) {
        m_state->failed = true;
        return std::nullopt;
    }
    m_state->failed = true;  // a finished hash takes nothing more
    return digest;
}

}  // namespace tw
