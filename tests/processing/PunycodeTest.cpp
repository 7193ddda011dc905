#include "ferrywise/processing/Punycode.hpp"

#include <cstdint>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/uidna.h>
#include <unicode/unistr.h>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

std::string utf8(const std::vector<char32_t>& codePoints) {
    icu::UnicodeString text;
    for (auto c : codePoints) {
        text.append(static_cast<UChar32>(c));
    }
    std::string result;
    text.toUTF8String(result);
    return result;
}

// ICU's UTS #46 processing, as the reference for what an "xn--" label stands for. A conversion ICU reports
// any error for gives none.
class IcuIdna {
  public:
    [[nodiscard]] std::optional<std::string> toAscii(const std::string& label) const {
        return convert(label, uidna_labelToASCII_UTF8);
    }
    [[nodiscard]] std::optional<std::string> toUnicode(const std::string& label) const {
        return convert(label, uidna_labelToUnicodeUTF8);
    }

  private:
    template <typename Conversion>
    std::optional<std::string> convert(const std::string& label, Conversion conversion) const {
        std::string result(label.size() * 4 + 64, '\0');
        UIDNAInfo info = UIDNA_INFO_INITIALIZER;
        UErrorCode status = U_ZERO_ERROR;
        auto length = conversion(idna_.get(), label.data(), static_cast<int32_t>(label.size()), result.data(),
                                 static_cast<int32_t>(result.size()), &info, &status);
        if (U_FAILURE(status) || info.errors != 0) {
            return std::nullopt;
        }
        result.resize(static_cast<std::size_t>(length));
        return result;
    }

    static UIDNA* open() {
        UErrorCode status = U_ZERO_ERROR;
        auto* idna =
            uidna_openUTS46(UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_NONTRANSITIONAL_TO_UNICODE, &status);
        if (U_FAILURE(status)) {
            throw std::runtime_error("ICU has no UTS #46 processing");
        }
        return idna;
    }

    std::unique_ptr<UIDNA, void (*)(UIDNA*)> idna_{open(), uidna_close};
};

struct Sample {
    std::string name;
    std::vector<char32_t> codePoints;
    std::string encoded;
};

// The sample strings of RFC 3492 section 7.1, kept as data: letter, code points in hex, encoded form.
std::vector<Sample> rfc3492Samples() {
    std::ifstream file(FERRYWISE_TEST_DATA_DIR "/punycode-rfc3492.txt");
    std::vector<Sample> samples;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        auto firstTab = line.find('\t');
        auto secondTab = line.find('\t', firstTab + 1);
        Sample sample{line.substr(0, firstTab), {}, line.substr(secondTab + 1)};
        std::istringstream codePoints(line.substr(firstTab + 1, secondTab - firstTab - 1));
        std::string hex;
        while (codePoints >> hex) {
            sample.codePoints.push_back(static_cast<char32_t>(std::stoul(hex, nullptr, 16)));
        }
        samples.push_back(std::move(sample));
    }
    return samples;
}

TEST(Punycode, DecodesTheSampleStringsOfRfc3492) {
    auto samples = rfc3492Samples();
    ASSERT_EQ(samples.size(), 19u);
    IcuIdna icu;
    std::size_t checkedWithIcu = 0;
    for (const auto& sample : samples) {
        auto expected = utf8(sample.codePoints);
        EXPECT_EQ(Punycode::decode(sample.encoded), expected) << sample.name;

        // Digits read the same in either case; the basic part before the last "-" is kept as written.
        auto delimiter = sample.encoded.rfind('-');
        auto digitsFrom = delimiter == std::string::npos ? 0 : delimiter + 1;
        auto upper = sample.encoded;
        auto lower = sample.encoded;
        for (auto i = digitsFrom; i < upper.size(); ++i) {
            upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[i])));
            lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
        }
        EXPECT_EQ(Punycode::decode(upper), expected) << sample.name;
        EXPECT_EQ(Punycode::decode(lower), expected) << sample.name;

        // Where ICU accepts the label, it reads it the same way.
        if (auto reference = icu.toUnicode("xn--" + text::lowercased(sample.encoded))) {
            EXPECT_EQ(Punycode::decode(text::lowercased(sample.encoded)), *reference) << sample.name;
            ++checkedWithIcu;
        }
    }
    EXPECT_GE(checkedWithIcu, 8u);
}

TEST(Punycode, AgreesWithIcuOnGeneratedLabels) {
    IcuIdna icu;
    // ASCII letters and digits, Latin-1, Greek, Cyrillic, CJK, Hangul, emoji and astral letters.
    const std::vector<std::pair<char32_t, char32_t>> ranges = {
        {U'a', U'z'},     {U'0', U'9'},     {0x00E0, 0x00FF},   {0x03B1, 0x03C9},   {0x0430, 0x044F},
        {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3}, {0x1F600, 0x1F64F}, {0x10428, 0x1044F}, {0x20000, 0x2A6DF}};
    std::mt19937 random(20240611);
    std::size_t compared = 0;
    for (int round = 0; round < 3000; ++round) {
        auto length = std::uniform_int_distribution<std::size_t>(1, 24)(random);
        auto scripts = std::uniform_int_distribution<std::size_t>(1, 3)(random);
        std::vector<std::size_t> chosen;
        for (std::size_t s = 0; s < scripts; ++s) {
            chosen.push_back(std::uniform_int_distribution<std::size_t>(0, ranges.size() - 1)(random));
        }
        std::vector<char32_t> codePoints;
        for (std::size_t i = 0; i < length; ++i) {
            auto [first, last] =
                ranges[chosen[std::uniform_int_distribution<std::size_t>(0, scripts - 1)(random)]];
            codePoints.push_back(std::uniform_int_distribution<char32_t>(first, last)(random));
        }
        auto ascii = icu.toAscii(utf8(codePoints));
        if (!ascii || !ascii->starts_with("xn--")) {
            continue;  // refused by ICU, or plain ASCII
        }
        auto reference = icu.toUnicode(*ascii);
        ASSERT_TRUE(reference) << *ascii;
        EXPECT_EQ(Punycode::decode(std::string_view(*ascii).substr(4)), *reference) << *ascii;
        ++compared;
    }
    // Most generated labels are valid; the comparison must not pass by skipping them all.
    EXPECT_GE(compared, 2000u);
}

TEST(Punycode, DecodesEdgesOfTheCodeSpace) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"", ""},                            // nothing to decode
        {"abc-", "abc"},                     // only a basic part
        {"-abc", utf8({0x82, 0x81, 0x80})},  // the "-" is the delimiter even first
        {"hb9b", utf8({0xD7FF})},            // last code point before the surrogates
        {"ib9b", std::nullopt},              // U+D800
        {"zy0c", std::nullopt},              // U+DFFF
        {"0y0c", utf8({0xE000})},            // first code point after them
        {"dn32g", utf8({0x10FFFF})},         // the last code point
        {"en32g", std::nullopt},             // U+110000
        {"mnchen-3ya", "m\u00FCnchen"},
        {"MNCHEN-3YA", "M\u00FCNCHEN"},  // basic code points keep their case
        {"a-b-c-3ya", "a-b-c\u0110"},    // only the last "-" delimits
    };
    for (const auto& [encoded, expected] : cases) {
        EXPECT_EQ(Punycode::decode(encoded), expected) << encoded;
    }
}

TEST(Punycode, RefusesInvalidInput) {
    for (std::string encoded : {
             "99999999999999",                         // overflows 64 bits
             "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz",  // an ever longer number
             "b",                                      // ends inside a number
             "mnchen-3y",                              // ends inside a number
             "mnchen-3y!",                             // not a digit
             "mnchen-3_a",                             // not a digit
             "ab cd",                                  // not a digit
             "m\u00FCnchen-3ya",                       // non-ASCII basic part
             "mnchen-3y\u00E4",                        // non-ASCII digit
         }) {
        EXPECT_EQ(Punycode::decode(encoded), std::nullopt) << encoded;
    }
    // Long input past the stack buffer decodes like short input.
    std::string longBasic(1000, 'a');
    EXPECT_EQ(Punycode::decode(longBasic + "-"), longBasic);
    EXPECT_FALSE(Punycode::decode(longBasic + "-9").has_value());
}

TEST(Punycode, DecodedHostReplacesOnlyLabelsThatDecode) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"www.xn--mnchen-3ya.de", "www.m\u00FCnchen.de"},
        {"XN--MNCHEN-3YA.DE", "M\u00FCNCHEN.DE"},
        {"xn--e1afmkfd.xn--p1ai", "\u043F\u0440\u0438\u043C\u0435\u0440.\u0440\u0444"},
        {"WWW.Example.COM", "WWW.Example.COM"},  // nothing to decode: unchanged, case too
        {"xn--99999999999999.example", "xn--99999999999999.example"},  // fails: stays as written
        {"xn--mnchen-3y!.de", "xn--mnchen-3y!.de"},
        {"xn--.example", "xn--.example"},                  // decodes to nothing: stays
        {"a..xn--mnchen-3ya.", "a..m\u00FCnchen."},        // empty labels are kept
        {"abcxn--mnchen-3ya.de", "abcxn--mnchen-3ya.de"},  // "xn--" inside a label is no prefix
        {"", ""},
    };
    for (const auto& [host, expected] : cases) {
        EXPECT_EQ(Punycode::decodedHost(host), expected) << host;
    }
}

}  // namespace
}  // namespace ferrywise
