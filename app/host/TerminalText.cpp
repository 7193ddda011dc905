#include "TerminalText.hpp"

#include <unistd.h>

namespace ferrywise::host {

namespace {

bool isBidiControl(std::string_view text, std::size_t at) {
    // U+200E/U+200F are E2 80 8E/8F; U+202A..U+202E are E2 80 AA..AE; U+2066..U+2069 are E2 81 A6..A9.
    if (at + 2 >= text.size() || static_cast<unsigned char>(text[at]) != 0xE2) {
        return false;
    }
    auto second = static_cast<unsigned char>(text[at + 1]);
    auto third = static_cast<unsigned char>(text[at + 2]);
    return (second == 0x80 && (third == 0x8E || third == 0x8F || (third >= 0xAA && third <= 0xAE))) ||
           (second == 0x81 && third >= 0xA6 && third <= 0xA9);
}

class PrintableBuffer final : public std::streambuf {
  public:
    explicit PrintableBuffer(std::streambuf* target) : target_(target) {}
    ~PrintableBuffer() override { sync(); }

  protected:
    int_type overflow(int_type character) override {
        if (traits_type::eq_int_type(character, traits_type::eof())) {
            return sync() == 0 ? traits_type::not_eof(character) : traits_type::eof();
        }
        pending_ += traits_type::to_char_type(character);
        if (character == '\n') {
            return sync() == 0 ? character : traits_type::eof();
        }
        return character;
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        for (std::streamsize at = 0; at < count; ++at) {
            if (traits_type::eq_int_type(overflow(traits_type::to_int_type(text[at])), traits_type::eof())) {
                return at;
            }
        }
        return count;
    }
    int sync() override {
        auto text = printable(pending_);
        pending_.clear();
        if (target_->sputn(text.data(), static_cast<std::streamsize>(text.size())) !=
            static_cast<std::streamsize>(text.size())) {
            return -1;
        }
        return target_->pubsync();
    }

  private:
    std::streambuf* target_;
    std::string pending_;
};

}  // namespace

std::string printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        auto byte = static_cast<unsigned char>(text[at]);
        if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
            shown += '?';
        } else if (byte == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[at + 1]) <= 0x9F) {
            shown += '?';  // a C1 control, such as the one-byte form of ESC [
            ++at;
        } else if (isBidiControl(text, at)) {
            shown += '?';
            at += 2;
        } else {
            shown += text[at];
        }
    }
    return shown;
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
