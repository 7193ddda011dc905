#include "ferrywise/processing/Punycode.hpp"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/uidna.h>
#include <unicode/unistr.h>

namespace ferrywise {
namespace {

std::string utf8(const std::u32string& codePoints) {
    std::string result;
    return icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(codePoints.data()),
                                         static_cast<int32_t>(codePoints.size()))
        .toUTF8String(result);
}

// ICU's UTS #46 processing, as the reference for what an "xn--" label stands for; none where ICU reports
// any error.
std::optional<std::string> icu(const std::string& label, bool toAscii) {
    static UErrorCode opening = U_ZERO_ERROR;
    static UIDNA* const idna =
        uidna_openUTS46(UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_NONTRANSITIONAL_TO_UNICODE, &opening);
    std::string result(label.size() * 4 + 64, '\0');
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    UErrorCode status = opening;
    auto length = (toAscii ? uidna_labelToASCII_UTF8 : uidna_labelToUnicodeUTF8)(
        idna, label.data(), static_cast<int32_t>(label.size()), result.data(),
        static_cast<int32_t>(result.size()), &info, &status);
    return U_SUCCESS(status) && info.errors == 0 ? std::optional(result.substr(0, length)) : std::nullopt;
}

TEST(Punycode, DecodesTheSampleStringsOfRfc3492WithDigitsInEitherCase) {
    // Each line of the data: the sample's letter, its code points in hex and its encoded form, tab-separated.
    std::ifstream file(FERRYWISE_TEST_DATA_DIR "/punycode-rfc3492.txt");
    std::size_t samples = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        std::istringstream fields(line);
        std::string name, hex, encoded;
        std::getline(std::getline(std::getline(fields, name, '\t'), hex, '\t'), encoded);
        std::istringstream digits(hex);
        std::u32string codePoints;
        for (std::uint32_t c = 0; digits >> std::hex >> c;) {
            codePoints.push_back(c);
        }
        // The basic part before the last "-" is kept as written; the digits after it read the same in either
        // case (the data mixes them).
        auto lower = encoded, upper = encoded;
        for (auto i = encoded.rfind('-') + 1; i < encoded.size(); ++i) {  // npos + 1 is 0
            lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(encoded[i])));
            upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(encoded[i])));
        }
        for (const auto& form : {encoded, lower, upper}) {
            EXPECT_EQ(Punycode::decode(form), utf8(codePoints)) << name << ": " << form;
        }
        ++samples;
    }
    EXPECT_EQ(samples, 19u);
}

TEST(Punycode, AgreesWithIcuOnGeneratedLabels) {
    // ASCII letters and digits, Latin-1, Greek, Cyrillic, CJK, Hangul, emoji and astral letters.
    const std::vector<std::pair<char32_t, char32_t>> ranges = {
        {U'a', U'z'},     {U'0', U'9'},     {0x00E0, 0x00FF},   {0x03B1, 0x03C9},   {0x0430, 0x044F},
        {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3}, {0x1F600, 0x1F64F}, {0x10428, 0x1044F}, {0x20000, 0x2A6DF}};
    std::mt19937 random(20240611);
    auto between = [&](std::size_t first, std::size_t last) {
        return std::uniform_int_distribution<std::size_t>(first, last)(random);
    };
    std::size_t compared = 0;
    for (int round = 0; round < 1000; ++round) {
        // One or two scripts per label.
        const auto one = ranges[between(0, ranges.size() - 1)], other = ranges[between(0, ranges.size() - 1)];
        std::u32string codePoints(between(1, 24), U'\0');
        for (auto& c : codePoints) {
            const auto [first, last] = between(0, 1) == 0 ? one : other;
            c = static_cast<char32_t>(between(first, last));
        }
        auto ascii = icu(utf8(codePoints), true);
        if (!ascii || !ascii->starts_with("xn--")) {
            continue;  // refused by ICU, or plain ASCII
        }
        auto reference = icu(*ascii, false);
        ASSERT_TRUE(reference) << *ascii;
        EXPECT_EQ(Punycode::decode(std::string_view(*ascii).substr(4)), *reference) << *ascii;
        ++compared;
    }
    // Most generated labels are valid; the comparison must not pass by skipping them all.
    EXPECT_GE(compared, 600u);
}

TEST(Punycode, DecodesTheEdgesOfTheCodeSpaceAndRefusesInvalidInput) {
    // Nothing to decode; "-" first is the delimiter even there; only the last "-" delimits; basic code points
    // keep their case; the code point before the surrogates and the last one.
    const std::vector<std::pair<std::string, std::string>> decoded = {
        {"", ""},           {"-abc", "\u0082\u0081\u0080"}, {"a-b-c-3ya", "a-b-c\u0110"},
        {"hb9b", "\uD7FF"}, {"MNCHEN-3YA", "M\u00FCNCHEN"}, {"dn32g", "\U0010FFFF"}};
    for (const auto& [encoded, expected] : decoded) {
        EXPECT_EQ(Punycode::decode(encoded), expected) << encoded;
    }
    // Long input past the stack buffer decodes like short input.
    const std::string longBasic(1000, 'a');
    EXPECT_EQ(Punycode::decode(longBasic + "-"), longBasic);
    // U+D800 and U+110000; numbers that overflow; a number cut short; a bad digit; a non-ASCII basic part;
    // a failure past the stack buffer.
    for (const std::string& encoded : std::initializer_list<std::string>{
             "ib9b", "en32g", "99999999999999", std::string(37, 'z'), "mnchen-3y", "mnchen-3y!",
             "m\u00FCnchen-3ya", longBasic + "-9"}) {
        EXPECT_EQ(Punycode::decode(encoded), std::nullopt) << encoded;
    }
}

TEST(Punycode, DecodedHostReplacesOnlyLabelsThatDecodeWithinTheDnsLimits) {
    // Any case of the prefix; several labels; empty labels kept; a label of 63 bytes.
    const std::string a55(55, 'a');
    for (const auto& [host, expected] : std::initializer_list<std::pair<std::string, std::string>>{
             {"a..xn--mnchen-3ya.de.", "a..m\u00FCnchen.de."},
             {"XN--MNCHEN-3YA.DE", "M\u00FCNCHEN.DE"},
             {"xn--" + a55 + "-8yf.de", a55 + "\u00FC.de"}}) {
        EXPECT_EQ(Punycode::decodedHost(host), expected) << host;
    }
    // Nothing to decode (case kept); a label that fails or decodes to nothing; "xn--" inside a label; a
    // label of 64 bytes; a host over 253 bytes.
    for (const auto& host : std::initializer_list<std::string>{
             "WWW.Example.COM", "xn--99999999999999.example", "xn--.example", "abcxn--mnchen-3ya.de",
             "xn--" + std::string(56, 'a') + "-t2f.de", std::string(240, 'a') + ".xn--mnchen-3ya.de"}) {
        EXPECT_EQ(Punycode::decodedHost(host), host);
    }
}

}  // namespace
}  // namespace ferrywise
