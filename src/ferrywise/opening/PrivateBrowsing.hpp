#pragma once

// Which browsers can open a link in a private window, by which technique, and what their private mode is
// called. A fixed table keyed by bundle identifier (exact, case-sensitive); a browser missing from it has
// no private mode here.
//
//   PrivateBrowsing::modeName("com.microsoft.edgemac");  // "InPrivate"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "ferrywise/foundation/Localization.hpp"

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
    using Value = std::variant<Chromium, Firefox, Safari>;

    [[nodiscard]] static PrivateBrowsingStrategy chromium(std::string flag) {
        return {Chromium{std::move(flag)}};
    }
    [[nodiscard]] static PrivateBrowsingStrategy firefox() { return {Firefox{}}; }
    [[nodiscard]] static PrivateBrowsingStrategy safari() { return {Safari{}}; }

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

    // The 11 browsers with a private mode, built once on first use.
    [[nodiscard]] static const std::map<std::string, PrivateBrowsingStrategy, std::less<>>& strategies();

    [[nodiscard]] static std::optional<PrivateBrowsingStrategy> strategy(std::string_view bundleIdentifier);
    [[nodiscard]] static bool supportsPrivateBrowsing(std::string_view bundleIdentifier);

    // "InPrivate" for the "--inprivate" switch, "Incognito" for other Chromium browsers, "Private" for the
    // rest (also for browsers not in the table); localised.
    [[nodiscard]] static std::string modeName(std::string_view bundleIdentifier,
                                              const Localization& localization = Localization::current());

    // modeName, except that "Private" becomes the short text under the key "Private (short)".
    [[nodiscard]] static std::string shortModeName(
        std::string_view bundleIdentifier, const Localization& localization = Localization::current());

    // The application's name followed by the mode name in parentheses: "Microsoft Edge (InPrivate)".
    [[nodiscard]] static std::string displayName(std::string_view name, std::string_view bundleIdentifier,
                                                 const Localization& localization = Localization::current());
};

}  // namespace ferrywise
