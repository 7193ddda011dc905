#include "ferrywise/foundation/Text.hpp"

#include <map>
#include <memory>
#include <mutex>

#include <unicode/brkiter.h>
#include <unicode/coll.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

namespace ferrywise::text {
bool isAscii(std::string_view text) noexcept {
    for (unsigned char c : text) {
        if (c >= 0x80) {
            return false;
        }
    }
    return true;
}

char32_t nextCodePoint(std::string_view text, std::size_t& offset) noexcept {
    UChar32 c = 0;
    auto length = static_cast<int32_t>(text.size());
    auto index = static_cast<int32_t>(offset);
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), index, length, c);
    offset = static_cast<std::size_t>(index);
    return c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
}

bool isOneCharacterPerByte(std::string_view text) noexcept {
    return isAscii(text) && text.find('\r') == std::string_view::npos;
}

bool isAsciiLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

namespace {

// Offset where the code point that ends at `end` starts.
std::size_t previousStart(std::string_view text, std::size_t end) {
    auto index = static_cast<int32_t>(end);
    UChar32 c = 0;
    U8_PREV(reinterpret_cast<const uint8_t*>(text.data()), 0, index, c);
    (void)c;
    return static_cast<std::size_t>(index);
}

template <typename Predicate>
std::string_view trimming(std::string_view text, Predicate isTrimmed) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t next = start;
        if (!isTrimmed(nextCodePoint(text, next))) {
            break;
        }
        start = next;
    }
    std::size_t end = text.size();
    while (end > start) {
        std::size_t begin = previousStart(text, end);
        std::size_t probe = begin;
        if (!isTrimmed(nextCodePoint(text, probe))) {
            break;
        }
        end = begin;
    }
    return text.substr(start, end - start);
}

icu::UnicodeString toUnicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

// Collators are expensive to make; one per locale is kept for the life of the process. Comparing through
// a const collator is thread-safe in ICU.
const icu::Collator* fileManagerCollator(std::string_view localeName) {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<icu::Collator>, std::less<>> collators;
    std::lock_guard lock(mutex);
    if (auto found = collators.find(localeName); found != collators.end()) {
        return found->second.get();
    }
    UErrorCode status = U_ZERO_ERROR;
    auto locale = localeName.empty() ? icu::Locale::getRoot() : icu::Locale(std::string(localeName).c_str());
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !collator) {
        status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    collator->setStrength(icu::Collator::SECONDARY);
    collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    return collators.emplace(std::string(localeName), std::move(collator)).first->second.get();
}

// Case- and diacritic-folded form: canonical decomposition, combining marks dropped, case folded.
icu::UnicodeString folded(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    auto decomposed = nfd->normalize(toUnicode(text), status);
    icu::UnicodeString result;
    for (int32_t i = 0; i < decomposed.length();) {
        UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) {
            result.append(c);
        }
        i += U16_LENGTH(c);
    }
    return result.foldCase();
}

}  // namespace

namespace {

// ASCII text changes case byte by byte; anything else goes through ICU's full mapping, in the root locale.
template <bool upper>
std::string changingCase(std::string_view text) {
    if (isAscii(text)) {
        constexpr char from = upper ? 'a' : 'A', to = upper ? 'A' : 'a';
        std::string result(text);
        for (auto& c : result) {
            if (c >= from && c <= from + 25) {
                c = static_cast<char>(c - from + to);
            }
        }
        return result;
    }
    auto unicode = toUnicode(text);
    return toUtf8(upper ? unicode.toUpper(icu::Locale::getRoot()) : unicode.toLower(icu::Locale::getRoot()));
}

}  // namespace

std::string lowercased(std::string_view text) {
    return changingCase<false>(text);
}

std::string uppercased(std::string_view text) {
    return changingCase<true>(text);
}

bool isWhitespace(char32_t c) noexcept {
    if (c < 0x80) {
        return c == U' ' || c == U'\t';
    }
    return c == U'\t' || u_charType(static_cast<UChar32>(c)) == U_SPACE_SEPARATOR;
}

bool isWhitespaceOrNewline(char32_t c) noexcept {
    if (c < 0x80) {
        return c == U' ' || c == U'\t' || (c >= 0x0A && c <= 0x0D);
    }
    if (c == U'\t' || (c >= 0x0A && c <= 0x0D) || c == 0x85) {
        return true;
    }
    auto type = u_charType(static_cast<UChar32>(c));
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

std::string_view trimmingWhitespace(std::string_view text) {
    return trimming(text, isWhitespace);
}

std::string_view trimmingWhitespaceAndNewlines(std::string_view text) {
    return trimming(text, isWhitespaceOrNewline);
}

bool isNumeric(char32_t c) noexcept {
    return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

bool isAllNumeric(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (std::size_t offset = 0; offset < text.size();) {
        // An ASCII character is numeric exactly when it is a digit; no property look-up needed.
        if (static_cast<unsigned char>(text[offset]) < 0x80) {
            if (text[offset] < '0' || text[offset] > '9') {
                return false;
            }
            ++offset;
            continue;
        }
        if (!isNumeric(nextCodePoint(text, offset))) {
            return false;
        }
    }
    return true;
}

bool containsWhitespaceOrNewline(std::string_view text) {
    for (std::size_t offset = 0; offset < text.size();) {
        if (isWhitespaceOrNewline(nextCodePoint(text, offset))) {
            return true;
        }
    }
    return false;
}

std::size_t graphemeCount(std::string_view text) {
    // Only text with characters of several bytes needs the break iterator.
    if (isOneCharacterPerByte(text)) {
        return text.size();
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> breaks(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) {
        return text.size();
    }
    auto unicode = toUnicode(text);
    breaks->setText(unicode);
    std::size_t count = 0;
    for (auto position = breaks->next(); position != icu::BreakIterator::DONE; position = breaks->next()) {
        ++count;
    }
    return count;
}

std::vector<std::string_view> graphemeClusters(std::string_view text) {
    std::vector<std::string_view> clusters;
    if (isOneCharacterPerByte(text)) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            clusters.push_back(text.substr(i, 1));
        }
        return clusters;
    }
    // UTF-8 is given to ICU through UText, so the break positions are byte offsets into `text`.
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> breaks(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (U_FAILURE(status) || !breaks) {
        utext_close(utext);
        for (std::size_t i = 0; i < text.size(); ++i) {
            clusters.push_back(text.substr(i, 1));
        }
        return clusters;
    }
    breaks->setText(utext, status);
    std::size_t start = 0;
    for (auto position = breaks->next(); position != icu::BreakIterator::DONE; position = breaks->next()) {
        auto end = static_cast<std::size_t>(position);
        clusters.push_back(text.substr(start, end - start));
        start = end;
    }
    utext_close(utext);
    return clusters;
}

bool startsWithLetter(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    std::size_t offset = 0;
    return u_hasBinaryProperty(static_cast<UChar32>(nextCodePoint(text, offset)), UCHAR_ALPHABETIC) != 0;
}

std::string escapingControlCharacters(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    auto escape = [](std::string& out, unsigned char byte) {
        out += '%';
        out += hex[byte >> 4];
        out += hex[byte & 0x0F];
    };
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (byte < 0x20 || byte == 0x7F) {
            escape(result, byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080...U+009F
            escape(result, byte);
            escape(result, next);
            ++i;
        } else if (byte == 0xE2 && next == 0x80 && i + 2 < text.size() &&
                   (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {  // U+2028, U+2029: line breaks too
            for (std::size_t j = 0; j < 3; ++j) {
                escape(result, static_cast<unsigned char>(text[i + j]));
            }
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

bool isValidUtf8(std::string_view text) noexcept {
    auto length = static_cast<int32_t>(text.size());
    for (int32_t index = 0; index < length;) {
        UChar32 c = 0;
        U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), index, length, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

std::weak_ordering localizedStandardCompare(std::string_view a, std::string_view b,
                                            std::string_view localeName) {
    UErrorCode status = U_ZERO_ERROR;
    auto result = fileManagerCollator(localeName)
                      ->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                                    icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
    if (result == UCOL_LESS) {
        return std::weak_ordering::less;
    }
    if (result == UCOL_GREATER) {
        return std::weak_ordering::greater;
    }
    return std::weak_ordering::equivalent;
}

bool localizedStandardContains(std::string_view text, std::string_view query) {
    if (query.empty()) {
        return true;
    }
    return folded(text).indexOf(folded(query)) >= 0;
}

}  // namespace ferrywise::text
