// SHA-256 on the host: OpenSSL's libcrypto.
#include <openssl/evp.h>

#include "common/sha256.h"

namespace tw {

struct Sha256::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool failed = false;

    ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : m_state(std::make_unique<State>()) {
    m_state->failed =
        !m_state->context || EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

bool Sha256::Update(const void* bytes, std::size_t count) {
    if (!m_state->failed && EVP_DigestUpdate(m_state->context, bytes, count) != 1)
        m_state->failed = true;
    return !m_state->failed;
}

std::optional<Sha256Digest> Sha256::Finish() {
    Sha256Digest digest{};
    unsigned size = 0;
    if (m_state->failed || EVP_DigestFinal_ex(m_state->context, digest.data(), &size) != 1 ||
        size != digest.size()) {
        m_state->failed = true;
        return std::nullopt;
    }
    m_state->failed = true;  // a finished hash takes nothing more
    return digest;
}

}  // namespace tw
