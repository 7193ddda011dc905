#pragma once

// Punycode turns internationalised host labels ("xn--" labels, RFC 3492) back into Unicode, so that
// look-alike letters in a host can be seen and shown. Decoding only; pure, usable from any thread.
//
//   Punycode::decode("mnchen-3ya");                   // "münchen"
//   Punycode::decodedHost("www.xn--mnchen-3ya.de");   // "www.münchen.de"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ferrywise {

class Punycode {
  public:
    Punycode() = delete;

    // The longest label and host the DNS allows, in bytes. decodedHost decodes nothing longer, which bounds
    // the work a hostile link can cause (decoding costs the square of a label's length).
    static constexpr std::size_t maximumLabelLength = 63;
    static constexpr std::size_t maximumHostLength = 253;

    // The UTF-8 text that `encoded` (a label without its "xn--") stands for, or none when it is not valid
    // Punycode: a non-ASCII character, a bad digit, a number cut short, an overflow, or a code point that
    // is a surrogate or beyond U+10FFFF. Digits are read in either case; the text before the last "-" is
    // copied as it stands. Any length is decoded (some published samples are longer than a DNS label).
    [[nodiscard]] static std::optional<std::string> decode(std::string_view encoded);

    // `host` with every label that starts with "xn--" (in any case) replaced by its decoded form; a label
    // that does not decode, decodes to nothing, or is longer than maximumLabelLength (with its "xn--")
    // stays as written. A host without "xn--", or longer than maximumHostLength, is returned unchanged.
    [[nodiscard]] static std::string decodedHost(std::string_view host);
};

}  // namespace ferrywise
