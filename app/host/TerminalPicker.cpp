#include "TerminalPicker.hpp"

#include <array>
#include <string>

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "PickerTexts.hpp"
#include "TerminalText.hpp"

namespace ferrywise::host {

namespace {

void interrupted(int /*signal*/) {}

// The terminal without line editing and echo while the picker runs; restored however it ends. A signal
// that would end the process (the terminal closed, a kill) interrupts the wait for a key instead, so the
// picker cancels and the terminal is given back as it was.
class RawMode {
  public:
    explicit RawMode(int fd) : fd_(fd) {
        struct sigaction interrupting {};
        interrupting.sa_handler = interrupted;  // no SA_RESTART: read() returns EINTR
        sigemptyset(&interrupting.sa_mask);
        for (std::size_t index = 0; index < signals.size(); ++index) {
            ::sigaction(signals.at(index), &interrupting, &savedActions_.at(index));
        }
        if (::tcgetattr(fd_, &saved_) == 0) {
            auto raw = saved_;
            raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
            raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON);
            raw.c_cc[VMIN] = 1;
            raw.c_cc[VTIME] = 0;
            active_ = ::tcsetattr(fd_, TCSAFLUSH, &raw) == 0;
        }
    }
    RawMode(const RawMode&) = delete;
    RawMode& operator=(const RawMode&) = delete;
    ~RawMode() {
        if (active_) {
            ::tcsetattr(fd_, TCSAFLUSH, &saved_);
        }
        for (std::size_t index = 0; index < signals.size(); ++index) {
            ::sigaction(signals.at(index), &savedActions_.at(index), nullptr);
        }
    }

  private:
    static constexpr std::array<int, 4> signals{SIGHUP, SIGINT, SIGQUIT, SIGTERM};

    int fd_;
    termios saved_{};
    bool active_ = false;
    std::array<struct sigaction, 4> savedActions_{};
};

enum class Key { none, up, down, enter, toggle, dismiss, cancel, character };

struct Press {
    Key key = Key::none;
    std::string character;  // one code point of UTF-8, for Key::character
};

bool readByte(int fd, unsigned char& byte, int timeoutMilliseconds) {
    pollfd watched{fd, POLLIN, 0};
    if (timeoutMilliseconds >= 0 && ::poll(&watched, 1, timeoutMilliseconds) <= 0) {
        return false;
    }
    return ::read(fd, &byte, 1) == 1;
}

// One key press. An Escape with nothing right behind it is the Escape key; with "[A" or "OA" behind it
// (and B), an arrow. A read interrupted by a signal, or a terminal that went away, cancels.
Press readKey(int fd) {
    unsigned char byte = 0;
    if (!readByte(fd, byte, -1)) {
        return {Key::cancel, {}};  // the terminal went away
    }
    switch (byte) {
        case 0x1b: {
            unsigned char second = 0;
            if (!readByte(fd, second, 50)) {
                return {Key::cancel, {}};
            }
            if (second != '[' && second != 'O') {
                return {};  // Alt with a key
            }
            // A control sequence: parameter and intermediate bytes, then one final byte. Only the plain
            // arrows mean something here; function keys and modified arrows are read whole and ignored.
            std::string parameters;
            for (unsigned char next = 0; readByte(fd, next, 50);) {
                if (next >= 0x40 && next <= 0x7e) {
                    if (parameters.empty() && next == 'A') {
                        return {Key::up, {}};
                    }
                    if (parameters.empty() && next == 'B') {
                        return {Key::down, {}};
                    }
                    return {};
                }
                if (next < 0x20 || parameters.size() > 16) {
                    return {};
                }
                parameters += static_cast<char>(next);
            }
            return {};
        }
        case '\r':
        case '\n':
            return {Key::enter, {}};
        case '\t':
        case 'r':
            return {Key::toggle, {}};
        case 'w':
            return {Key::dismiss, {}};
        case 'k':
            return {Key::up, {}};
        case 'j':
            return {Key::down, {}};
        case 'q':
        case 0x03:  // Ctrl-C
        case 0x04:  // Ctrl-D
            return {Key::cancel, {}};
        default:
            break;
    }
    Press press{Key::character, std::string(1, static_cast<char>(byte))};
    // The rest of a multi-byte character: digits of other scripts choose too.
    int following = byte >= 0xf0 ? 3 : byte >= 0xe0 ? 2 : byte >= 0xc0 ? 1 : 0;
    for (unsigned char next = 0; following-- > 0 && readByte(fd, next, 50);) {
        press.character += static_cast<char>(next);
    }
    return press;
}

// What the picker shows: plain lines (outside text not yet made printable) and which one is highlighted.
struct Picture {
    std::vector<std::string> lines;
    std::size_t highlighted = 0;
};

class Screen {
  public:
    explicit Screen(int fd) : fd_(fd) {}

    // Replaces what the previous call drew. Each line is cut to the terminal's width, so that moving up by
    // the number of lines drawn always reaches the first.
    void draw(const Picture& picture) {
        winsize size{};
        std::size_t columns = ::ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col - 1 : 0;
        std::string text;
        if (drawn_ > 0) {
            text += "\x1b[" + std::to_string(drawn_) + "F\x1b[J";
        }
        for (std::size_t index = 0; index < picture.lines.size(); ++index) {
            auto line = fitted(picture.lines[index], columns);
            text += index == picture.highlighted ? "\x1b[7m" + line + "\x1b[0m\r\n" : line + "\r\n";
        }
        drawn_ = picture.lines.size();
        for (std::size_t written = 0; written < text.size();) {
            auto count = ::write(fd_, text.data() + written, text.size() - written);
            if (count <= 0) {
                return;
            }
            written += static_cast<std::size_t>(count);
        }
    }

  private:
    int fd_;
    std::size_t drawn_ = 0;
};

Picture render(const LinkPickerModel& model, const Localization& localization, bool warningDismissed) {
    Picture picture;
    auto& lines = picture.lines;
    lines.push_back(localization.format("Open %@ in:", {std::string(model.linkDisplayText())}));
    if (auto forms = model.hostForms()) {
        lines.push_back("  " + forms->readable + "  (" + forms->encoded + ")");
    }
    if (auto status = statusText(model.status(), localization); !status.empty()) {
        lines.push_back((model.suspicion() ? "  ! " : "  ") + status);
    }
    if (const auto& suspicion = model.suspicion()) {
        lines.push_back("    " + suspicion->message(localization));
        if (warningDismissed) {
            lines.push_back("    " + localization.text("No more warnings for this host"));
        }
    }
    for (int index = 0; index < static_cast<int>(model.candidates().size()); ++index) {
        bool highlighted = index == model.highlightedIndex().value();
        if (highlighted) {
            picture.highlighted = lines.size();
        }
        lines.push_back(std::string(highlighted ? "> " : "  ") +
                        LinkPickerModel::shortcutLabel(index).value_or(" ") + "  " +
                        model.candidates()[static_cast<std::size_t>(index)].name());
    }
    if (model.canRemember()) {
        lines.push_back(std::string(model.isRemembering() ? "[x] " : "[ ] ") +
                        rememberLabel(model, localization) + "  (r)");
    }
    std::string keys = localization.text("1-9 choose, arrows move, Enter opens, Esc cancels");
    if (model.suspicion() && !warningDismissed) {
        keys += localization.text(", w: don't warn again for this host");
    }
    lines.push_back(keys);
    return picture;
}

}  // namespace

std::optional<TerminalPicker> TerminalPicker::attached() {
    if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDERR_FILENO) == 0) {
        return std::nullopt;
    }
    // Started in the background of a shell (a program run with "&" that opens a link): the terminal
    // belongs to another job, and taking it would stop this process until the user brings it forward.
    if (::tcgetpgrp(STDIN_FILENO) != ::getpgrp()) {
        return std::nullopt;
    }
    return TerminalPicker(STDIN_FILENO, STDERR_FILENO);
}

std::optional<LinkPickerChoice> TerminalPicker::choose(LinkPickerModel& model,
                                                       const Localization& localization,
                                                       const std::function<void()>& dismissWarning) const {
    RawMode raw(input_);
    Screen screen(output_);
    bool warningDismissed = false;
    for (;;) {
        screen.draw(render(model, localization, warningDismissed));
        auto press = readKey(input_);
        switch (press.key) {
            case Key::up:
                model.moveHighlight(-1);
                break;
            case Key::down:
                model.moveHighlight(1);
                break;
            case Key::toggle:
                model.remembersChoice().set(!model.remembersChoice().value());
                break;
            case Key::dismiss:
                if (model.suspicion() && !warningDismissed) {
                    dismissWarning();
                    warningDismissed = true;
                }
                break;
            case Key::enter:
                return model.choice(model.highlightedIndex().value(), model.isRemembering());
            case Key::cancel:
                return std::nullopt;
            case Key::character:
                if (auto index = model.indexForShortcut(press.character)) {
                    return model.choice(*index, model.isRemembering());
                }
                break;
            case Key::none:
                break;
        }
    }
}

}  // namespace ferrywise::host
