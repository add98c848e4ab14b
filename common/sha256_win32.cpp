// SHA-256 through CryptoAPI: the AES provider is the one that offers CALG_SHA_256.
#include <windows.h>
#include <wincrypt.h>

#include "common/sha256.h"

namespace tw {

namespace {

// One provider for the whole run: acquiring one loads the provider's DLL and reads
// its settings, which costs far more than hashing a small driver file.
class Provider {
public:
    Provider() {
        // No key container is needed for hashing alone.
        if (!CryptAcquireContextA(&m_handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            m_handle = 0;
    }
    ~Provider() {
        if (m_handle) CryptReleaseContext(m_handle, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;

    HCRYPTPROV Get() const { return m_handle; }

private:
    HCRYPTPROV m_handle = 0;
};

HCRYPTPROV SharedProvider() {
    static const Provider provider;
    return provider.Get();
}

}  // namespace

struct Sha256::State {
    HCRYPTHASH hash = 0;
    bool failed = false;

    ~State() {
        if (hash) CryptDestroyHash(hash);
    }
};

Sha256::Sha256() : m_state(std::make_unique<State>()) {
    HCRYPTPROV provider = SharedProvider();
    m_state->failed = !provider || !CryptCreateHash(provider, CALG_SHA_256, 0, 0, &m_state->hash);
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
