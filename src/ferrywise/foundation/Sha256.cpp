#include "ferrywise/foundation/Sha256.hpp"

#include <stdexcept>

#include <openssl/evp.h>

namespace ferrywise {

struct Sha256::Context {
    struct Free {
        void operator()(EVP_MD_CTX* context) const noexcept { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> evp{EVP_MD_CTX_new()};
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    if (!context_->evp || EVP_DigestInit_ex(context_->evp.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 is not available");
    }
}

Sha256::~Sha256() = default;

void Sha256::update(std::string_view data) {
    if (EVP_DigestUpdate(context_->evp.get(), data.data(), data.size()) != 1) {
        throw std::runtime_error("SHA-256 could not take the data");
    }
}

Sha256::Digest Sha256::finish() {
    Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->evp.get(), digest.data(), &length) != 1 || length != digest.size()) {
        throw std::runtime_error("SHA-256 could not be completed");
    }
    return digest;
}

Sha256::Digest Sha256::of(std::string_view data) {
    Sha256 sha;
    sha.update(data);
    return sha.finish();
}

std::string Sha256::hexadecimal(const Digest& digest) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (auto byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

}  // namespace ferrywise
