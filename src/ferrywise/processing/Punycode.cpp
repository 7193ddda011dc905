#include "ferrywise/processing/Punycode.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace ferrywise {
namespace {

// The Punycode parameters of RFC 3492.
constexpr std::int64_t kBase = 36;
constexpr std::int64_t kTMin = 1;
constexpr std::int64_t kTMax = 26;
constexpr std::int64_t kSkew = 38;
constexpr std::int64_t kDamp = 700;
constexpr std::int64_t kInitialBias = 72;
constexpr std::int64_t kInitialN = 128;

// The "xn--" before the encoded part of a label.
constexpr std::size_t kPrefixLength = 4;

// Labels of hosts fit on the stack; longer input takes the heap.
constexpr std::size_t kStackCodePoints = Punycode::maximumLabelLength;

// A–Z and a–z are 0–25, 0–9 are 26–35; anything else is -1.
constexpr std::array<std::int8_t, 256> kDigitValues = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int c = 0; c < 26; ++c) {
        values['A' + c] = static_cast<std::int8_t>(c);
        values['a' + c] = static_cast<std::int8_t>(c);
    }
    for (int c = 0; c < 10; ++c) {
        values['0' + c] = static_cast<std::int8_t>(26 + c);
    }
    return values;
}();

std::int64_t adapt(std::int64_t delta, std::int64_t pointCount, bool firstTime) {
    delta = firstTime ? delta / kDamp : delta / 2;
    delta += delta / pointCount;
    std::int64_t k = 0;
    while (delta > ((kBase - kTMin) * kTMax) / 2) {
        delta /= kBase - kTMin;
        k += kBase;
    }
    return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

std::size_t utf8Length(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Writes `c` as UTF-8 at `out` and returns the position after it.
char* writeUtf8(char* out, char32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Decodes into `output`, which has room for `encoded.size()` code points (every output code point takes at
// least one input character). Returns the number of code points, or none.
//
// Positions count code points. The basic part is ASCII only, so each copied character is one code point,
// and every decoded code point is inserted as one element: the positions are the ones RFC 3492 counts.
std::optional<std::size_t> decodeInto(std::string_view encoded, char32_t* output) {
    std::size_t length = 0;
    std::size_t in = 0;
    // Everything before the last "-" is copied; the "-" itself is the delimiter even when it comes first,
    // so "-abc" has an empty basic part and the digits "abc".
    if (auto delimiter = encoded.rfind('-'); delimiter != std::string_view::npos) {
        for (std::size_t j = 0; j < delimiter; ++j) {
            auto c = static_cast<unsigned char>(encoded[j]);
            if (c >= 0x80) {
                return std::nullopt;
            }
            output[length++] = c;
        }
        in = delimiter + 1;
    }

    std::int64_t n = kInitialN;
    std::int64_t i = 0;
    std::int64_t bias = kInitialBias;
    while (in < encoded.size()) {
        std::int64_t oldI = i;
        std::int64_t w = 1;
        for (std::int64_t k = kBase;; k += kBase) {
            if (in >= encoded.size()) {
                return std::nullopt;  // the number is cut short
            }
            std::int64_t digit = kDigitValues[static_cast<unsigned char>(encoded[in++])];
            if (digit < 0) {
                return std::nullopt;
            }
            // Overflow checks through the compiler's checked arithmetic: a division per digit would cost more
            // than the rest of the loop.
            std::int64_t step = 0;
            if (__builtin_mul_overflow(digit, w, &step) || __builtin_add_overflow(i, step, &i)) {
                return std::nullopt;
            }
            std::int64_t t = k <= bias ? kTMin : k >= bias + kTMax ? kTMax : k - bias;
            if (digit < t) {
                break;
            }
            if (__builtin_mul_overflow(w, kBase - t, &w)) {
                return std::nullopt;
            }
        }
        auto pointCount = static_cast<std::int64_t>(length) + 1;
        bias = adapt(i - oldI, pointCount, oldI == 0);
        if (__builtin_add_overflow(n, i / pointCount, &n)) {
            return std::nullopt;
        }
        i %= pointCount;
        if ((n >= 0xD800 && n <= 0xDFFF) || n >= 0x110000) {
            return std::nullopt;
        }
        // The remainder keeps the position within the output; the guard states the procedure's rule.
        auto position = static_cast<std::size_t>(i);
        if (position > length) {
            return std::nullopt;
        }
        std::memmove(output + position + 1, output + position, (length - position) * sizeof(char32_t));
        output[position] = static_cast<char32_t>(n);
        ++length;
        ++i;
    }
    return length;
}

}  // namespace

std::optional<std::string> Punycode::decode(std::string_view encoded) {
    std::array<char32_t, kStackCodePoints> stack;
    std::unique_ptr<char32_t[]> heap;
    char32_t* output = stack.data();
    if (encoded.size() > stack.size()) {
        heap = std::make_unique_for_overwrite<char32_t[]>(encoded.size());
        output = heap.get();
    }
    auto length = decodeInto(encoded, output);
    if (!length) {
        return std::nullopt;
    }
    std::size_t bytes = 0;
    for (std::size_t j = 0; j < *length; ++j) {
        bytes += utf8Length(output[j]);
    }
    std::string result(bytes, '\0');
    char* out = result.data();
    for (std::size_t j = 0; j < *length; ++j) {
        out = writeUtf8(out, output[j]);
    }
    return result;
}

std::string Punycode::decodedHost(std::string_view host) {
    // Only ASCII letters lower-case to "x" and "n", so an ASCII case-insensitive search finds exactly the
    // labels whose lower-cased form starts with "xn--".
    auto isPrefix = [](std::string_view text) {
        return text.size() >= 4 && (text[0] | 0x20) == 'x' && (text[1] | 0x20) == 'n' && text[2] == '-' &&
               text[3] == '-';
    };
    // Nothing longer than the DNS allows is decoded: each code point is inserted into what was decoded
    // before it, so the work grows with the square of a label's length.
    if (host.size() > maximumHostLength) {
        return std::string(host);
    }
    bool any = false;
    for (std::size_t j = 0; j + 4 <= host.size() && !any; ++j) {
        any = isPrefix(host.substr(j));
    }
    if (!any) {
        return std::string(host);
    }
    std::string result;
    result.reserve(host.size() * 2);
    std::size_t start = 0;
    while (true) {
        auto dot = host.find('.', start);
        auto label = host.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        std::optional<std::string> decoded;
        if (isPrefix(label) && label.size() <= maximumLabelLength) {
            // The prefix is four ASCII characters, so the rest starts at byte 4.
            decoded = decode(label.substr(kPrefixLength));
        }
        if (decoded && !decoded->empty()) {
            result += *decoded;
        } else {
            result += label;
        }
        if (dot == std::string_view::npos) {
            break;
        }
        result += '.';
        start = dot + 1;
    }
    return result;
}

}  // namespace ferrywise
