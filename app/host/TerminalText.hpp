#pragma once

// Text from outside (a link, a desktop entry's Name, a rule's domain, a decoded host) shown on a terminal
// must not be able to move the cursor, recolour or clear the screen, retitle the window, or reorder what
// the user reads: control characters and the invisible bidirectional controls are shown as "?" instead.

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace ferrywise::host {

// `text` with every C0 and C1 control character (but line feed and tab), DEL, the bidirectional
// formatting characters (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) and every byte that
// is not part of valid UTF-8 replaced by "?".
[[nodiscard]] std::string printable(std::string_view text);

// One line of printable(text) that takes at most `columns` columns of a terminal (0: no limit): line feeds
// and tabs become spaces, wide characters count twice, and a cut line ends in "…".
[[nodiscard]] std::string fitted(std::string_view text, std::size_t columns);

// While it lives, what is written to `stream` passes through printable() when `stream` writes to a
// terminal; otherwise it changes nothing. Text is passed on line by line and at every flush.
class PrintableOutput {
  public:
    PrintableOutput(std::ostream& stream, int fd);
    PrintableOutput(const PrintableOutput&) = delete;
    PrintableOutput& operator=(const PrintableOutput&) = delete;
    ~PrintableOutput();

  private:
    std::ostream& stream_;
    std::unique_ptr<std::streambuf> filter_;
    std::streambuf* original_ = nullptr;
};

}  // namespace ferrywise::host
