#include "TerminalPicker.hpp"

#include <unistd.h>

namespace ferrywise::host {

std::optional<TerminalPicker> TerminalPicker::attached() {
    if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDERR_FILENO) == 0) {
        return std::nullopt;
    }
    return TerminalPicker(STDIN_FILENO, STDERR_FILENO);
}

std::optional<LinkPickerChoice> TerminalPicker::choose(LinkPickerModel& model, const Localization&,
                                                       const std::function<void()>&) const {
    // Placeholder until the interactive picker lands: the highlighted candidate.
    return model.choice(model.highlightedIndex().value(), false);
}

}  // namespace ferrywise::host
