#pragma once

// Opening a link once LinkRoad has decided it, as `ferrywise open` does and `ferrywise demo` shows: the
// target of the rule or the fallback, else the picker's choice, then the dispatch (private windows and
// profiles included, notices told on the session's standard error) and the day's counts.
//
//   auto decision = session.await(LinkRoad::decide(session.host(), {.url = text}));
//   if (auto opened = openDecision(session, decision)) { say("Opened in " + opened->name); }

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "ferrywise/applications/ApplicationTarget.hpp"
#include "ferrywise/picker/LinkPickerModel.hpp"

#include "LinkRoad.hpp"
#include "Session.hpp"

namespace ferrywise::host {

struct OpenedLink {
    ApplicationTarget target;
    std::string name;  // the application's display name, with the variant when it is not the plain one
};

// Where the picker may ask: on the terminal when standard input and error are one, or nowhere. Without a
// terminal the picker takes the fallback, or else the first application, and says so.
enum class PickerInput { terminalWhenAttached, none, window };

// The desktop's picker window, in the program that has one (ferrywise-window): shows the model until the
// user chooses (the choice) or cancels (none).
using WindowPicker = std::function<std::optional<LinkPickerChoice>(
    LinkPickerModel&, HostContext&, const std::function<void()>& dismissWarning)>;
void setWindowPicker(WindowPicker picker);
[[nodiscard]] bool hasWindowPicker() noexcept;

// Whether the picker window says on standard error how long its first frame took (for measuring), and
// from when: the start of the process that received the link.
struct FirstFrameReport {
    bool requested = false;
    std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();
    // This process's own start, which is later when an earlier program handed the link over.
    std::chrono::steady_clock::time_point ownStart = processStart;
};
[[nodiscard]] FirstFrameReport& firstFrameReport() noexcept;

// Opens the decided link and counts it as routed (with its removed tracking parameters). Returns none when
// the user cancelled the picker; nothing is opened or counted then. Throws CommandFailure when no
// application of the family is installed or the link could not be opened.
[[nodiscard]] std::optional<OpenedLink> openDecision(Session& session, const RoadDecision& decision,
                                                     PickerInput input = PickerInput::terminalWhenAttached);

}  // namespace ferrywise::host
