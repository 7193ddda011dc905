#pragma once

// Punycode turns internationalised host labels ("xn--" labels, RFC 3492) back into Unicode, so that
// look-alike letters in a host can be seen and shown. Decoding only; pure, usable from any thread.
//
//   Punycode::decode("mnchen-3ya");                   // "münchen"
//   Punycode::decodedHost("www.xn--mnchen-3ya.de");   // "www.münchen.de"

#include <optional>
#include <string>
#include <string_view>

namespace ferrywise {

class Punycode {
  public:
    Punycode() = delete;

    // The UTF-8 text that `encoded` (a label without its "xn--") stands for, or none when it is not valid
    // Punycode: a non-ASCII character, a bad digit, a number cut short, an overflow, or a code point that
    // is a surrogate or beyond U+10FFFF. Digits are read in either case; the text before the last "-" is
    // copied as it stands.
    [[nodiscard]] static std::optional<std::string> decode(std::string_view encoded);

    // `host` with every label that starts with "xn--" (in any case) replaced by its decoded form; a label
    // that does not decode, or decodes to nothing, stays as written. A host without "xn--" is returned
    // unchanged.
    [[nodiscard]] static std::string decodedHost(std::string_view host);
};

}  // namespace ferrywise
