#pragma once

// Unicode text helpers over ICU, for UTF-8 strings. Invalid UTF-8 never throws: a bad byte counts as
// U+FFFD.
//
//   text::lowercased("STRASSE Ä")               // "strasse ä"
//   text::localizedStandardCompare("a2", "A10")  // less: digit runs compare by value

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ferrywise::text {

// Returns whether every byte of `text` is ASCII.
[[nodiscard]] bool isAscii(std::string_view text) noexcept;

// Returns whether every user-perceived character of `text` is a single byte: ASCII without a carriage
// return (which starts the one character "\r\n").
[[nodiscard]] bool isOneCharacterPerByte(std::string_view text) noexcept;

// Decodes the code point that starts at `offset` and moves `offset` past it; a bad byte gives U+FFFD.
[[nodiscard]] char32_t nextCodePoint(std::string_view text, std::size_t& offset) noexcept;

// Returns whether `c` is one of A-Z and a-z.
[[nodiscard]] bool isAsciiLetter(char c) noexcept;

// Full Unicode lower-casing, independent of the user's locale ("İ" becomes "i̇", not a Turkish dotless i).
[[nodiscard]] std::string lowercased(std::string_view text);

// Full Unicode upper-casing, independent of the user's locale ("ß" becomes "SS").
[[nodiscard]] std::string uppercased(std::string_view text);

// Returns whether a code point is white space (general category Zs and the tab), or white space or a line
// break (category Z*, tab, U+000A...U+000D and U+0085).
[[nodiscard]] bool isWhitespace(char32_t c) noexcept;
[[nodiscard]] bool isWhitespaceOrNewline(char32_t c) noexcept;

// Removes white space (or white space and line breaks) from both ends. The view points into `text`.
[[nodiscard]] std::string_view trimmingWhitespace(std::string_view text);
[[nodiscard]] std::string_view trimmingWhitespaceAndNewlines(std::string_view text);

// Returns whether a code point is a numeric character (any Unicode numeric type: digits, "½", "五").
[[nodiscard]] bool isNumeric(char32_t c) noexcept;

// Returns whether `text` is not empty and every code point of it is numeric.
[[nodiscard]] bool isAllNumeric(std::string_view text);

// Returns whether `text` contains a white-space or line-break code point.
[[nodiscard]] bool containsWhitespaceOrNewline(std::string_view text);

// The number of user-perceived characters (extended grapheme clusters).
[[nodiscard]] std::size_t graphemeCount(std::string_view text);

// The user-perceived characters of `text`, in order. The views point into `text`.
[[nodiscard]] std::vector<std::string_view> graphemeClusters(std::string_view text);

// Returns whether the first code point of `text` is alphabetic, which is how a user-perceived character
// counts as a letter. False for empty text.
[[nodiscard]] bool startsWithLetter(std::string_view text);

// `text` with every control character (C0, DEL, and C1 written as UTF-8) and the line and paragraph
// separators percent-encoded byte by byte, so that it cannot break or forge a line of a log or a terminal.
[[nodiscard]] std::string escapingControlCharacters(std::string_view text);

// Returns whether `text` is well-formed UTF-8.
[[nodiscard]] bool isValidUtf8(std::string_view text) noexcept;

// The file-manager comparison: ignores letter case, compares runs of digits by numeric value, and follows
// the collation of `localeName` ("" for the root collation).
[[nodiscard]] std::weak_ordering localizedStandardCompare(std::string_view a, std::string_view b,
                                                          std::string_view localeName = "");

// Returns whether `text` contains `query`, ignoring letter case and diacritics ("Café" contains "cafe").
// An empty query is contained in every text.
[[nodiscard]] bool localizedStandardContains(std::string_view text, std::string_view query);

}  // namespace ferrywise::text
