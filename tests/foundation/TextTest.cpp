#include "ferrywise/foundation/Text.hpp"

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using namespace std::string_literals;

TEST(Text, LowercasedFollowsUnicodeNotTheUsersLocale) {
    struct Case {
        std::string input;
        std::string expected;
    };
    for (const auto& [input, expected] : {
             Case{"STRASSE Ä", "strasse ä"},
             Case{"İstanbul", "i\u0307stanbul"},
             Case{"ΟΔΟΣ", "οδος"},
             Case{"", ""},
             Case{"A\xFFZ", "a\uFFFDz"},
         }) {
        EXPECT_EQ(text::lowercased(input), expected) << input;
    }
}

TEST(Text, TrimmingWhitespaceKeepsLineBreaks) {
    EXPECT_EQ(text::trimmingWhitespace(" \t a b \t "), "a b");
    EXPECT_EQ(text::trimmingWhitespace("\u00A0\u3000x\u2003"), "x");
    EXPECT_EQ(text::trimmingWhitespace(" \nx\n "), "\nx\n");
    EXPECT_EQ(text::trimmingWhitespace(" \t "), "");
}

TEST(Text, TrimmingWhitespaceAndNewlinesRemovesEveryKindOfBreak) {
    EXPECT_EQ(text::trimmingWhitespaceAndNewlines("\r\n\t x y \v\f\u0085\u2028\u2029"), "x y");
    EXPECT_EQ(text::trimmingWhitespaceAndNewlines("\n\n"), "");
    // A zero-width space is a format character, not white space.
    EXPECT_EQ(text::trimmingWhitespaceAndNewlines("\u200Bx\u200B"), "\u200Bx\u200B");
}

TEST(Text, TrimmingNeverSplitsOrMistakesBrokenBytes) {
    // A lone 0xA0 byte is not U+00A0, and a cut-off U+3000 is not white space.
    EXPECT_EQ(text::trimmingWhitespace(" a\xA0"), "a\xA0");
    EXPECT_EQ(text::trimmingWhitespace("\xA0 a"), "\xA0 a");
    EXPECT_EQ(text::trimmingWhitespace(" a\xE3\x80"), "a\xE3\x80");
    EXPECT_EQ(text::trimmingWhitespace("\xE3\x80\x80\xE3\x80"), "\xE3\x80");

    std::string text = "  é  ";
    auto trimmed = text::trimmingWhitespace(text);
    EXPECT_EQ(trimmed.data(), text.data() + 2);
    EXPECT_EQ(trimmed, "é");
}

TEST(Text, CharacterClassesFollowUnicodeProperties) {
    for (const char* text : {"0123", "½", "五十", "٣", "Ⅻ", "１２"}) {
        EXPECT_TRUE(text::isAllNumeric(text)) << text;
    }
    for (const std::string& text : {""s, "12a"s, "-1"s, "1.5"s, " 1"s, "1\xFF"s, "1\0"s}) {
        EXPECT_FALSE(text::isAllNumeric(text)) << text;
    }
    EXPECT_FALSE(text::isNumeric(static_cast<char32_t>(0x110000)));
    EXPECT_TRUE(text::containsWhitespaceOrNewline("a\u00A0b"));
    EXPECT_FALSE(text::containsWhitespaceOrNewline("a\u200Bb\xA0"));
}

TEST(Text, GraphemeCountCountsUserPerceivedCharacters) {
    struct Case {
        std::string text;
        std::size_t count;
    };
    for (const auto& [text, count] : {
             Case{"", 0},
             Case{"abc", 3},
             Case{"a\r\nb", 3},
             Case{"e\u0301", 1},
             Case{"👍🏽", 1},
             Case{"🇩🇪🇫🇷", 2},
             Case{"👨‍👩‍👧", 1},
             Case{"\u1112\u1161\u11AB국", 2},
             Case{"\xFF\xFE", 2},
         }) {
        EXPECT_EQ(text::graphemeCount(text), count) << text;
    }
}

TEST(Text, GraphemeClustersAreViewsIntoTheText) {
    std::string text = "e\u0301x\r\n👍🏽";
    auto clusters = text::graphemeClusters(text);
    ASSERT_EQ(clusters, (std::vector<std::string_view>{"e\u0301", "x", "\r\n", "👍🏽"}));
    EXPECT_EQ(clusters[1].data(), text.data() + 3);
    EXPECT_EQ(text::graphemeClusters("ab"), (std::vector<std::string_view>{"a", "b"}));
    EXPECT_TRUE(text::graphemeClusters("").empty());
}

TEST(Text, StartsWithLetterLooksAtTheFirstCodePoint) {
    for (const char* text : {"a", "Ä", "u\u0308", "中", "ευ", "ß1"}) {
        EXPECT_TRUE(text::startsWithLetter(text)) << text;
    }
    for (const char* text : {"", "1a", "٣", "-", "\u0301a", " a", "\xFFz"}) {
        EXPECT_FALSE(text::startsWithLetter(text)) << text;
    }
}

TEST(Text, IsValidUtf8RejectsMalformedSequences) {
    for (const std::string& text : {""s, "abc"s, "ä中👍"s, "a\0b"s}) {
        EXPECT_TRUE(text::isValidUtf8(text)) << text;
    }
    // A lone continuation byte, a cut-off sequence, an overlong "/", a surrogate and a code point beyond
    // U+10FFFF.
    for (const std::string& text :
         {"\x80"s, "a\xC3"s, "\xE4\xB8"s, "\xC0\xAF"s, "\xED\xA0\x80"s, "\xF4\x90\x80\x80"s, "\xFF"s}) {
        EXPECT_FALSE(text::isValidUtf8(text)) << text;
    }
}

TEST(Text, StandardCompareIgnoresCaseAndOrdersNumbersByValue) {
    using text::localizedStandardCompare;
    EXPECT_EQ(localizedStandardCompare("a2", "A10"), std::weak_ordering::less);
    EXPECT_EQ(localizedStandardCompare("File10", "file9"), std::weak_ordering::greater);
    EXPECT_EQ(localizedStandardCompare("README", "readme"), std::weak_ordering::equivalent);
    EXPECT_EQ(localizedStandardCompare("", "a"), std::weak_ordering::less);
    EXPECT_NE(localizedStandardCompare("resume", "résumé"), std::weak_ordering::equivalent);
}

TEST(Text, StandardCompareFollowsTheLocalesCollation) {
    using text::localizedStandardCompare;
    EXPECT_EQ(localizedStandardCompare("ä", "z"), std::weak_ordering::less);
    EXPECT_EQ(localizedStandardCompare("ä", "z", "sv"), std::weak_ordering::greater);
    EXPECT_EQ(localizedStandardCompare("ä", "z", "xx"), std::weak_ordering::less);
}

TEST(Text, StandardContainsIgnoresCaseAndDiacritics) {
    struct Case {
        std::string text;
        std::string query;
        bool contained;
    };
    for (const auto& [text, query, contained] : {
             Case{"Café Crème", "cafe", true},
             Case{"CAFE", "café", true},
             Case{"Cafe\u0301", "CAFÉ", true},
             Case{"Straße", "STRASSE", true},
             Case{"Ångström", "angstrom", true},
             Case{"anything", "", true},
             Case{"", "", true},
             Case{"", "a", false},
             Case{"abc", "abd", false},
             Case{"a\xFF", "b", false},
         }) {
        EXPECT_EQ(text::localizedStandardContains(text, query), contained) << text << " / " << query;
    }
}

}  // namespace
}  // namespace ferrywise
