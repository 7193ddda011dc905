#include "ferrywise/opening/PrivateWindowOpener.hpp"

#include <variant>

#include "ferrywise/opening/PrivateBrowsing.hpp"

namespace ferrywise {
namespace {

std::string replacingAll(std::string_view text, char character, std::string_view replacement) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c == character) {
            result.append(replacement);
        } else {
            result += c;
        }
    }
    return result;
}

// Safari's script up to the link: each line as the script has it, joined by line feeds.
constexpr const char* safariLines[] = {
    R"(tell application "Safari" to activate)",
    "",
    "-- System Events is woken and polled before anything else is asked of it.",
    "-- A System Events that was launched a moment ago and is still starting",
    "-- answers Apple events with error -600, which is the same answer an",
    "-- application gives when it is not there at all.",
    "-- Only a cold start shows this: once System Events runs, the first",
    "-- request succeeds.",
    "-- So ask it for its name until it answers, up to 30 times, pausing a",
    "-- tenth of a second after each failed try, and give up with a clear",
    "-- error if it never does.",
    "-- Nothing below talks to System Events before this loop has seen it",
    "-- answer.",
    "set ready to false",
    "repeat with attempt from 1 to 30",
    "    try",
    R"(        tell application "System Events" to get name)",
    "        set ready to true",
    "        exit repeat",
    "    on error",
    "        delay 0.1",
    "    end try",
    "end repeat",
    R"(if not ready then error "System Events did not start.")",
    "",
    R"(tell application "System Events")",
    "    -- Processes are counted rather than tested for existence: a test for",
    "    -- existence raises an error when nothing matches,",
    "    -- while the count of an empty set is simply 0,",
    "    -- so the wait below needs no error handling.",
    "    set attempts to 0",
    R"(    repeat until ((count of (application processes whose bundle identifier is "com.apple.Safari")) > 0) or attempts > 50)",
    "        delay 0.1",
    "        set attempts to attempts + 1",
    "    end repeat",
    "",
    R"(    if (count of (application processes whose bundle identifier is "com.apple.Safari")) is 0 then)",
    R"(        error "Safari did not finish launching.")",
    "    end if",
    "",
    "    -- The process is found by bundle identifier, because its name follows",
    "    -- the application's localised display name.",
    R"(    tell (first application process whose bundle identifier is "com.apple.Safari"))",
    R"(        keystroke "n" using {shift down, command down})",
    "    end tell",
    "end tell",
    "",
    "delay 0.4",
    R"(tell application "Safari")",
    R"(    set URL of front document to ")",
};

}  // namespace

std::string PrivateWindowOpener::escapedForScript(std::string_view link) {
    // Backslashes first, so that the backslashes added before quotes are not doubled again.
    return replacingAll(replacingAll(link, '\\', "\\\\"), '"', "\\\"");
}

std::string PrivateWindowOpener::chromiumScript(std::string_view bundleIdentifier, std::string_view link) {
    std::string script;
    script.append("tell application id \"").append(bundleIdentifier).append("\"\n");
    script.append("    activate\n");
    script.append("    set newWindow to make new window with properties {mode:\"incognito\"}\n");
    script.append("    set URL of active tab of newWindow to \"")
        .append(escapedForScript(link))
        .append("\"\n");
    script.append("end tell");
    return script;
}

std::string PrivateWindowOpener::safariScript(std::string_view link) {
    std::string script;
    for (const char* line : safariLines) {
        if (!script.empty()) {
            script += '\n';
        }
        script.append(line);
    }
    script.append(escapedForScript(link)).append("\"\nend tell");
    return script;
}

boost::asio::awaitable<void> PrivateWindowOpener::open(
    Url url, Url bundleUrl, std::string bundleIdentifier,
    std::optional<ApplicationAction> privateWindowAction) const {
    auto strategy = PrivateBrowsing::strategy(bundleIdentifier, privateWindowAction);
    const auto* action =
        strategy ? std::get_if<PrivateBrowsingStrategy::DesktopAction>(&strategy->value()) : nullptr;
    if (!strategy || (action != nullptr && !launchAction_)) {
        throw PrivateWindowError::unsupportedBrowser(bundleIdentifier);
    }
    std::string link(url.absoluteString());
    // Arguments are built outside the co_await expressions: GCC 12 miscompiles braced lists there.
    std::vector<std::string> arguments;
    if (std::holds_alternative<PrivateBrowsingStrategy::Firefox>(strategy->value())) {
        arguments = {"-private-window", link};
        co_await launch_(std::move(bundleUrl), std::move(arguments));
    } else if (const auto* line = std::get_if<PrivateBrowsingStrategy::CommandLine>(&strategy->value())) {
        arguments = {line->flag, link};
        co_await launch_(std::move(bundleUrl), std::move(arguments));
    } else if (action != nullptr) {
        arguments = {link};
        co_await launchAction_(std::move(bundleUrl), action->action.id, std::move(arguments));
    } else if (const auto* flag = strategy->chromiumFlag()) {
        // Without scripts the switch is the only way, and a running browser takes it from a new start.
        if (!scriptRunner_->canRunScripts() || !co_await isRunning_(bundleIdentifier)) {
            arguments = {*flag, link};
            co_await launch_(std::move(bundleUrl), std::move(arguments));
        } else {
            // The script always asks for "incognito", also of browsers whose switch says otherwise.
            co_await scriptRunner_->run(chromiumScript(bundleIdentifier, link));
        }
    } else {
        co_await scriptRunner_->run(safariScript(link));
    }
}

}  // namespace ferrywise
