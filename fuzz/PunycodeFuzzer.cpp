// Any text decodes to well-formed UTF-8 or to nothing, and a host keeps its labels: decoding never adds or
// removes a ".", and a host without "xn--" comes back as it was.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/processing/Punycode.hpp"

namespace {

bool containsAcePrefix(std::string_view text) {
    auto lower = ferrywise::text::lowercased(text);
    return lower.find("xn--") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    if (auto decoded = ferrywise::Punycode::decode(text)) {
        // Well-formed UTF-8 excludes surrogates and anything past U+10FFFF.
        if (!ferrywise::text::isValidUtf8(*decoded)) {
            std::abort();
        }
        // Every decoded code point takes at least one input character.
        if (decoded->size() > 4 * text.size()) {
            std::abort();
        }
    }

    auto host = ferrywise::Punycode::decodedHost(text);
    if (!containsAcePrefix(text) && host != text) {
        std::abort();
    }
    if (std::count(host.begin(), host.end(), '.') != std::count(text.begin(), text.end(), '.')) {
        std::abort();
    }
    if (ferrywise::text::isValidUtf8(text) && !ferrywise::text::isValidUtf8(host)) {
        std::abort();
    }
    return 0;
}
