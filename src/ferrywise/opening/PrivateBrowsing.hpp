#pragma once

// Which browsers can open a link in a private window, by which technique, and what their private mode is
// called. A fixed table keyed by bundle identifier (exact, case-sensitive) holds the macOS browsers and the
// desktop IDs of the common Linux packagings (native, Flatpak); a browser missing from it still has a
// private mode when it offers a private-window action of its own (a desktop entry's "New Private Window").
//
//   PrivateBrowsing::modeName("com.microsoft.edgemac");  // "InPrivate"
//   PrivateBrowsing::strategy(info.bundleIdentifier, PrivateBrowsing::privateWindowAction(info.actions));

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/system/ApplicationAction.hpp"

namespace ferrywise {

class PrivateBrowsingStrategy {
  public:
    // A Chromium-family browser: the private-window switch when it is not running, a script when it is.
    struct Chromium {
        std::string flag;
        bool operator==(const Chromium&) const = default;
    };
    // Firefox: the "-private-window" switch.
    struct Firefox {
        bool operator==(const Firefox&) const = default;
    };
    // Safari: a script that presses the new-private-window shortcut.
    struct Safari {
        bool operator==(const Safari&) const = default;
    };
    // A browser started with this switch and the link, whether or not it runs (Linux browsers, which hand
    // the arguments to their running instance).
    struct CommandLine {
        std::string flag;
        bool operator==(const CommandLine&) const = default;
    };
    // The browser's own private-window action, started with the link where its command takes a URL, else
    // after it.
    struct DesktopAction {
        ApplicationAction action;
        bool operator==(const DesktopAction&) const = default;
    };
    using Value = std::variant<Chromium, Firefox, Safari, CommandLine, DesktopAction>;

    [[nodiscard]] static PrivateBrowsingStrategy chromium(std::string flag) {
        return {Chromium{std::move(flag)}};
    }
    [[nodiscard]] static PrivateBrowsingStrategy firefox() { return {Firefox{}}; }
    [[nodiscard]] static PrivateBrowsingStrategy safari() { return {Safari{}}; }
    [[nodiscard]] static PrivateBrowsingStrategy commandLine(std::string flag) {
        return {CommandLine{std::move(flag)}};
    }
    [[nodiscard]] static PrivateBrowsingStrategy desktopAction(ApplicationAction action) {
        return {DesktopAction{std::move(action)}};
    }

    [[nodiscard]] const Value& value() const noexcept { return value_; }
    // The switch of a Chromium strategy; none for the others.
    [[nodiscard]] const std::string* chromiumFlag() const noexcept;

    bool operator==(const PrivateBrowsingStrategy&) const = default;

  private:
    PrivateBrowsingStrategy(Value value) : value_(std::move(value)) {}  // NOLINT: built by the factories

    Value value_;
};

class PrivateBrowsing {
  public:
    PrivateBrowsing() = delete;

    // The browsers with a private mode, built once on first use.
    [[nodiscard]] static const std::map<std::string, PrivateBrowsingStrategy, std::less<>>& strategies();

    // The table's strategy for the browser; none when the table does not have it.
    [[nodiscard]] static std::optional<PrivateBrowsingStrategy> strategy(std::string_view bundleIdentifier);
    // The table's strategy, else the browser's own private-window action when it has one.
    [[nodiscard]] static std::optional<PrivateBrowsingStrategy> strategy(
        std::string_view bundleIdentifier, const std::optional<ApplicationAction>& privateWindowAction);
    // Whether the table has the browser.
    [[nodiscard]] static bool supportsPrivateBrowsing(std::string_view bundleIdentifier);

    // The first action whose identifier or name speaks of a private or incognito window, in any letter case
    // ("new-private-window", "Incognito", "PrivateBrowsing"); none when there is none.
    [[nodiscard]] static std::optional<ApplicationAction> privateWindowAction(
        const std::vector<ApplicationAction>& actions);

    // "InPrivate" for the "--inprivate" switch, "Incognito" for other Chromium browsers, "Private" for the
    // rest (also for browsers not in the table); localised. A Linux switch or action is named after its
    // words: "InPrivate" when they say so, "Incognito" when they say so, else "Private".
    [[nodiscard]] static std::string modeName(std::string_view bundleIdentifier,
                                              const Localization& localization = Localization::current());
    [[nodiscard]] static std::string modeName(const std::optional<PrivateBrowsingStrategy>& strategy,
                                              const Localization& localization = Localization::current());

    // modeName, except that "Private" becomes the short text under the key "Private (short)".
    [[nodiscard]] static std::string shortModeName(
        std::string_view bundleIdentifier, const Localization& localization = Localization::current());

    // The application's name followed by the mode name in parentheses: "Microsoft Edge (InPrivate)".
    [[nodiscard]] static std::string displayName(std::string_view name, std::string_view bundleIdentifier,
                                                 const Localization& localization = Localization::current());
    [[nodiscard]] static std::string displayName(std::string_view name,
                                                 const std::optional<PrivateBrowsingStrategy>& strategy,
                                                 const Localization& localization = Localization::current());
};

}  // namespace ferrywise
