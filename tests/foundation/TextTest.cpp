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

TEST(Text, TrimmingKeepsLineBreaksUnlessAskedAndNeverSplitsOrMistakesBrokenBytes) {
    // A lone 0xA0 byte is not U+00A0, and a cut-off U+3000 is not white space.
    for (const auto& [input, expected] :
         {In{"\u00A0\u3000x\u2003", "x"}, In{" \nx\n ", "\nx\n"}, In{" \t ", ""}, In{" a\xA0", "a\xA0"},
          In{"\xE3\x80\x80\xE3\x80", "\xE3\x80"}}) {
        EXPECT_EQ(text::trimmingWhitespace(input), expected) << input;
    }
    // A zero-width space is a format character, not white space.
    EXPECT_EQ(text::trimmingWhitespaceAndNewlines("\r\n\t x y \v\f\u0085\u2028\u2029"), "x y");
    EXPECT_EQ(text::trimmingWhitespaceAndNewlines("\u200Bx\u200B"), "\u200Bx\u200B");
}

TEST(Text, LowerCaseAndCharacterClassesFollowUnicodeNotTheUsersLocaleAndMalformedUtf8IsRejected) {
    EXPECT_EQ(text::lowercased("AbC"), "abc");
    EXPECT_EQ(text::lowercased("İstanbul"), "i\u0307stanbul");
    EXPECT_EQ(text::lowercased("A\xFFZ"), "a\uFFFDz");
    EXPECT_EQ(text::uppercased("straße ü"), "STRASSE Ü");
    EXPECT_EQ(text::uppercased("i-x"), "I-X");
    expectEach(text::isAllNumeric, {"0123", "½五十"}, true);
    expectEach(text::isAllNumeric, {"", "12a", "1\xFF"}, false);
    EXPECT_TRUE(text::containsWhitespaceOrNewline("a\u00A0b"));
    EXPECT_FALSE(text::containsWhitespaceOrNewline("a\u200Bb\xA0"));
    expectEach(text::startsWithLetter, {"a", "中"}, true);
    expectEach(text::startsWithLetter, {"", "٣", "\u0301a", "\xFFz"}, false);
    expectEach(text::isValidUtf8, {""s, "ä中👍"s, "a\0b"s}, true);
    // A lone continuation byte, a cut-off sequence, an overlong "/", a surrogate and a code point beyond
    // U+10FFFF.
    expectEach(text::isValidUtf8, {"\x80", "a\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}, false);
}

TEST(Text, GraphemesAreUserPerceivedCharactersAndViewsIntoTheText) {
    EXPECT_EQ(text::graphemeCount("a\r\nb"), 3u);
    EXPECT_EQ(text::graphemeCount("🇩🇪🇫🇷"), 2u);
    EXPECT_EQ(text::graphemeCount("\xFF\xFE"), 2u);
    std::string text = "e\u0301x\r\n👍🏽";
    auto clusters = text::graphemeClusters(text);
    ASSERT_EQ(clusters, (std::vector<std::string_view>{"e\u0301", "x", "\r\n", "👍🏽"}));
    EXPECT_EQ(clusters[1].data(), text.data() + 3);
}

TEST(Text, StandardCompareOrdersNumbersByValueAndContainsAlsoIgnoresDiacriticsBothIgnoringCase) {
    EXPECT_EQ(text::localizedStandardCompare("a2", "A10", ""), std::weak_ordering::less);
    EXPECT_EQ(text::localizedStandardCompare("resume", "résumé", ""), std::weak_ordering::less);
    EXPECT_EQ(text::localizedStandardCompare("ä", "z", ""), std::weak_ordering::less);
    EXPECT_EQ(text::localizedStandardCompare("ä", "z", "sv"), std::weak_ordering::greater);
    using Contains = std::tuple<std::string, std::string, bool>;
    for (const auto& [text, query, contained] :
         {Contains{"Café Crème", "cafe", true}, Contains{"Cafe\u0301", "CAFÉ", true},
          Contains{"Straße", "STRASSE", true}, Contains{"anything", "", true}, Contains{"abc", "abd", false},
          Contains{"a\xFF", "b", false}}) {
        EXPECT_EQ(text::localizedStandardContains(text, query), contained) << text << " / " << query;
    }
}

}  // namespace
}  // namespace ferrywise
