// SHA-256 through CryptoAPI: the AES provider is the one that offers CALG_SHA_256.
#include <windows.h>
#include <wincrypt.h>

#include "common/sha256.h"
#include "common/win32_handles.h"

namespace tw {

namespace {

CryptProvider AcquireProvider() {
    HCRYPTPROV handle = 0;
    // No key container is needed for hashing alone.
    if (!CryptAcquireContextA(&handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        handle = 0;
    return CryptProvider(handle);
}

// One provider for the whole run: acquiring one loads the provider's DLL and reads
// its settings, which costs far more than hashing a small driver file.
HCRYPTPROV SharedProvider() {
    static const CryptProvider provider = AcquireProvider();
    return provider.Get();
}

}  // namespace

struct Sha256::State {
    CryptHash hash;
    bool failed = false;
};

Sha256::Sha256() : m_state(std::make_unique<State>()) {
    HCRYPTPROV provider = SharedProvider();
    m_state->failed =
        !provider || !CryptCreateHash(provider, CALG_SHA_256, 0, 0, m_state->hash.Out());
}

Sha256::~Sha256() = default;

bool Sha256::Update(const void* bytes, std::size_t count) {
    const auto* data = static_cast<const BYTE*>(bytes);
    // CryptHashData takes a DWORD count: large blocks go in pieces.
    while (!m_state->failed && count > 0) {
        DWORD piece = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        if (!CryptHashData(m_state->hash.Get(), data, piece, 0)) m_state->failed = true;
        data += piece;
        count -= piece;
    }
    return !m_state->failed;
}

std::optional<Sha256Digest> Sha256::Finish() {
    Sha256Digest digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    if (m_state->failed ||
        !CryptGetHashParam(m_state->hash.Get(), HP_HASHVAL, digest.data(), &size, 0) ||
        size != digest.size()) {
        m_state->failed = true;
        return std::nullopt;
    }
    m_state->failed = true;  // a finished hash takes nothing more
    return digest;
}

}  // namespace tw
