#pragma once

// The picker on a terminal: the link's status line and warning, the candidates with their number
// shortcuts and the highlight, and the remember switch, drawn over the LinkPickerModel and redrawn on
// every key. Keys: 1-9 choose, Up/Down (or k/j) move the highlight, Enter chooses the highlighted one,
// r (or Tab) turns remembering on and off, Escape (or q, or Ctrl-C) cancels.

#include <functional>
#include <optional>

#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/picker/LinkPickerModel.hpp"

namespace ferrywise::host {

class TerminalPicker {
  public:
    // The picker on standard input and standard error when both are terminals; none otherwise (as when
    // the desktop starts the host).
    [[nodiscard]] static std::optional<TerminalPicker> attached();

    // A picker reading keys from `input` and drawing on `output`, both of one terminal.
    TerminalPicker(int input, int output) : input_(input), output_(output) {}

    // Shows the picker until the user chooses or cancels; none when cancelled. The terminal's mode is
    // restored before returning, also when this throws. `dismissWarning` is called when the user asks
    // not to be warned about the link's host again (the w key, offered only with a warning).
    [[nodiscard]] std::optional<LinkPickerChoice> choose(LinkPickerModel& model,
                                                         const Localization& localization,
                                                         const std::function<void()>& dismissWarning) const;

  private:
    int input_;
    int output_;
};

}  // namespace ferrywise::host
