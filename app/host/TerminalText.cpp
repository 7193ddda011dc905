#include "TerminalText.hpp"

#include <cstdint>
#include <mutex>

#include <unicode/uchar.h>
#include <unicode/utf8.h>
#include <unistd.h>

namespace ferrywise::host {

namespace {

bool isHidden(UChar32 character) {
    return (character < 0x20 && character != '\n' && character != '\t') ||
           (character >= 0x7f && character <= 0x9f) || character == 0x061c || character == 0x200e ||
           character == 0x200f || (character >= 0x202a && character <= 0x202e) ||
           (character >= 0x2066 && character <= 0x2069);
}

// Calls `each(character, bytes)` for every code point of `text`; a byte that starts no valid UTF-8 sequence
// comes as a negative character of its own.
template <typename Each>
void forEachCharacter(std::string_view text, Each each) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());  // NOLINT: ICU reads bytes
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t at = 0; at < length;) {
        std::int32_t start = at;
        UChar32 character = 0;
        U8_NEXT(bytes, at, length, character);
        each(character, text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)));
    }
}

class PrintableBuffer final : public std::streambuf {
  public:
    explicit PrintableBuffer(std::streambuf* target) : target_(target) {}
    ~PrintableBuffer() override { sync(); }

  protected:
    int_type overflow(int_type character) override {
        std::lock_guard lock(mutex_);
        return put(character);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        std::lock_guard lock(mutex_);
        for (std::streamsize at = 0; at < count; ++at) {
            if (traits_type::eq_int_type(put(traits_type::to_int_type(text[at])), traits_type::eof())) {
                return at;
            }
        }
        return count;
    }
    int sync() override {
        std::lock_guard lock(mutex_);
        return flushPending();
    }

  private:
    int_type put(int_type character) {
        if (traits_type::eq_int_type(character, traits_type::eof())) {
            return flushPending() == 0 ? traits_type::not_eof(character) : traits_type::eof();
        }
        pending_ += traits_type::to_char_type(character);
        if (character == '\n') {
            return flushPending() == 0 ? character : traits_type::eof();
        }
        return character;
    }
    int flushPending() {
        auto text = printable(pending_);
        pending_.clear();
        if (target_->sputn(text.data(), static_cast<std::streamsize>(text.size())) !=
            static_cast<std::streamsize>(text.size())) {
            return -1;
        }
        return target_->pubsync();
    }

    std::streambuf* target_;
    std::string pending_;
    // The log sink writes from any thread; the host's own lines come from the main thread.
    std::recursive_mutex mutex_;
};

}  // namespace

std::string printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    forEachCharacter(text, [&](UChar32 character, std::string_view bytes) {
        shown += character < 0 || isHidden(character) ? std::string_view("?") : bytes;
    });
    return shown;
}

std::string fitted(std::string_view text, std::size_t columns) {
    auto widthOf = [](UChar32 character) -> std::size_t {
        if (u_charType(character) == U_NON_SPACING_MARK || u_charType(character) == U_ENCLOSING_MARK) {
            return 0;
        }
        auto width = u_getIntPropertyValue(character, UCHAR_EAST_ASIAN_WIDTH);
        return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
    };
    std::string line;
    std::string prefix;  // the longest start that leaves a column for the ellipsis
    std::size_t used = 0;
    forEachCharacter(printable(text), [&](UChar32 character, std::string_view bytes) {
        if (character == '\n' || character == '\t') {
            bytes = " ";
            character = ' ';
        }
        used += widthOf(character);
        line += bytes;
        if (columns > 0 && used < columns) {
            prefix = line;
        }
    });
    return columns == 0 || used <= columns ? line : prefix + "\u2026";
}

PrintableOutput::PrintableOutput(std::ostream& stream, int fd) : stream_(stream) {
    if (::isatty(fd) != 0) {
        filter_ = std::make_unique<PrintableBuffer>(stream.rdbuf());
        original_ = stream.rdbuf(filter_.get());
    }
}

PrintableOutput::~PrintableOutput() {
    if (original_ != nullptr) {
        stream_.flush();
        stream_.rdbuf(original_);
    }
}

}  // namespace ferrywise::host
