#include "ferrywise/foundation/Text.hpp"

#include <tuple>
#include <utility>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using namespace std::string_literals;
using In = std::pair<std::string, std::string>;

// Expects `predicate` to give `expected` for each text.
template <typename Predicate>
void expectEach(Predicate predicate, std::initializer_list<std::string> texts, bool expected) {
    for (const auto& text : texts) {
        EXPECT_EQ(predicate(text), expected) << text;
    }
}

TEST(Text, LowercasedFollowsUnicodeNotTheUsersLocale) {
    for (const auto& [input, expected] : {In{"STRASSE Ä", "strasse ä"}, In{"İstanbul", "i\u0307stanbul"},
                                          In{"ΟΔΟΣ", "οδος"}, In{"", ""}, In{"A\xFFZ", "a\uFFFDz"}}) {
        EXPECT_EQ(text::lowercased(input), expected) << input;
    }
}

TEST(Text, TrimmingKeepsLineBreaksUnlessAskedAndNeverSplitsOrMistakesBrokenBytes) {
    // A lone 0xA0 byte is not U+00A0, and a cut-off U+3000 is not white space.
    for (const auto& [input, expected] :
         {In{" \t a b \t ", "a b"}, In{"\u00A0\u3000x\u2003", "x"}, In{" \nx\n ", "\nx\n"}, In{" \t ", ""},
          In{" a\xA0", "a\xA0"}, In{"\xA0 a", "\xA0 a"}, In{" a\xE3\x80", "a\xE3\x80"},
          In{"\xE3\x80\x80\xE3\x80", "\xE3\x80"}}) {
        EXPECT_EQ(text::trimmingWhitespace(input), expected) << input;
    }
    // A zero-width space is a format character, not white space.
    for (const auto& [input, expected] : {In{"\r\n\t x y \v\f\u0085\u2028\u2029", "x y"}, In{"\n\n", ""},
                                          In{"\u200Bx\u200B", "\u200Bx\u200B"}}) {
        EXPECT_EQ(text::trimmingWhitespaceAndNewlines(input), expected) << input;
    }
    std::string text = "  é  ";
    EXPECT_EQ(text::trimmingWhitespace(text).data(), text.data() + 2);
}

TEST(Text, CharacterClassesFollowUnicodePropertiesAndMalformedUtf8IsRejected) {
    expectEach(text::isAllNumeric, {"0123", "½", "五十", "٣", "Ⅻ", "１２"}, true);
    expectEach(text::isAllNumeric, {""s, "12a"s, "-1"s, "1.5"s, " 1"s, "1\xFF"s, "1\0"s}, false);
    EXPECT_FALSE(text::isNumeric(static_cast<char32_t>(0x110000)));
    EXPECT_TRUE(text::containsWhitespaceOrNewline("a\u00A0b"));
    EXPECT_FALSE(text::containsWhitespaceOrNewline("a\u200Bb\xA0"));
    expectEach(text::startsWithLetter, {"a", "Ä", "u\u0308", "中", "ευ", "ß1"}, true);
    expectEach(text::startsWithLetter, {"", "1a", "٣", "-", "\u0301a", " a", "\xFFz"}, false);
    expectEach(text::isValidUtf8, {""s, "abc"s, "ä中👍"s, "a\0b"s}, true);
    // A lone continuation byte, a cut-off sequence, an overlong "/", a surrogate and a code point beyond
    // U+10FFFF.
    expectEach(text::isValidUtf8,
               {"\x80", "a\xC3", "\xE4\xB8", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}, false);
}

TEST(Text, GraphemesAreUserPerceivedCharactersAndViewsIntoTheText) {
    using Count = std::pair<std::string, std::size_t>;
    for (const auto& [text, count] : {Count{"", 0}, Count{"abc", 3}, Count{"a\r\nb", 3}, Count{"e\u0301", 1},
                                      Count{"👍🏽", 1}, Count{"🇩🇪🇫🇷", 2}, Count{"👨‍👩‍👧", 1},
                                      Count{"\u1112\u1161\u11AB국", 2}, Count{"\xFF\xFE", 2}}) {
        EXPECT_EQ(text::graphemeCount(text), count) << text;
    }
    std::string text = "e\u0301x\r\n👍🏽";
    auto clusters = text::graphemeClusters(text);
    ASSERT_EQ(clusters, (std::vector<std::string_view>{"e\u0301", "x", "\r\n", "👍🏽"}));
    EXPECT_EQ(clusters[1].data(), text.data() + 3);
}

TEST(Text, StandardCompareOrdersNumbersByValueAndContainsAlsoIgnoresDiacriticsBothIgnoringCase) {
    using Order = std::tuple<const char*, const char*, const char*, std::weak_ordering>;
    auto less = std::weak_ordering::less;
    for (const auto& [a, b, locale, order] :
         {Order{"a2", "A10", "", less}, Order{"File10", "file9", "", std::weak_ordering::greater},
          Order{"README", "readme", "", std::weak_ordering::equivalent}, Order{"", "a", "", less},
          Order{"resume", "résumé", "", less}, Order{"ä", "z", "", less},
          Order{"ä", "z", "sv", std::weak_ordering::greater}, Order{"ä", "z", "xx", less}}) {
        EXPECT_EQ(text::localizedStandardCompare(a, b, locale), order) << a << " / " << b << " in " << locale;
    }
    using Contains = std::tuple<std::string, std::string, bool>;
    for (const auto& [text, query, contained] :
         {Contains{"Café Crème", "cafe", true}, Contains{"CAFE", "café", true},
          Contains{"Cafe\u0301", "CAFÉ", true}, Contains{"Straße", "STRASSE", true},
          Contains{"Ångström", "angstrom", true}, Contains{"anything", "", true}, Contains{"", "", true},
          Contains{"", "a", false}, Contains{"abc", "abd", false}, Contains{"a\xFF", "b", false}}) {
        EXPECT_EQ(text::localizedStandardContains(text, query), contained) << text << " / " << query;
    }
}

}  // namespace
}  // namespace ferrywise
