#pragma once

// SHA-256 digests (OpenSSL), of one text at once or of data fed in pieces (a whole file).
//
//   Sha256::hexadecimal(Sha256::of("example.org"));  // 64 lower-case hexadecimal digits

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ferrywise {

class Sha256 {
  public:
    using Digest = std::array<std::uint8_t, 32>;

    // Starts a digest; throws std::runtime_error when the crypto library cannot provide one.
    Sha256();
    Sha256(Sha256&&) noexcept = default;
    Sha256& operator=(Sha256&&) noexcept = default;
    ~Sha256();

    // Adds bytes to the digest.
    void update(std::string_view data);

    // Returns the digest of everything added; the object is then spent.
    [[nodiscard]] Digest finish();

    // Returns the digest of `data`.
    [[nodiscard]] static Digest of(std::string_view data);

    // Returns the digest as 64 lower-case hexadecimal digits, two per byte.
    [[nodiscard]] static std::string hexadecimal(const Digest& digest);

  private:
    struct Context;
    std::unique_ptr<Context> context_;
};

}  // namespace ferrywise
