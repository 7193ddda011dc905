#pragma once

// A rule: links of one shape (LinkRuleMatcher), optionally only from one source application and only in
// weekly time windows, open in one target. Rules are values; the rule file stores them as JSON objects.
//
//   LinkRule rule(Uuid::generate(), LinkRuleMatcher::domain("example.com", true),
//   "org.mozilla.firefox#private"); rule.accepts(link.source()) && rule.isActive(now, calendar);

#include <compare>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ferrywise/foundation/Date.hpp"
#include "ferrywise/foundation/Uuid.hpp"
#include "ferrywise/link/LinkSource.hpp"
#include "ferrywise/rules/LinkRuleMatcher.hpp"

namespace ferrywise {

// When a rule applies: on the given weekdays (1 Monday ... 7 Sunday), from `start` to `end` ("9:00",
// "22:30"), both minutes included. An end before the start makes an overnight window; the weekday is
// always that of the moment tested. Times are kept as written; one that does not read as a time of day
// makes the window never apply.
class LinkRuleTimeWindow {
  public:
    LinkRuleTimeWindow(std::set<std::int64_t> days, std::string start, std::string end)
        : days_(std::move(days)), start_(std::move(start)), end_(std::move(end)) {}

    [[nodiscard]] const std::set<std::int64_t>& days() const noexcept { return days_; }
    [[nodiscard]] const std::string& start() const noexcept { return start_; }
    [[nodiscard]] const std::string& end() const noexcept { return end_; }

    // Returns whether the window applies at `minute` (0...1439) of `day` (1 Monday ... 7 Sunday).
    [[nodiscard]] bool contains(std::int64_t day, int minute) const;

    // The minute of the day of a time text: hours and minutes separated by one ":", each a decimal number
    // with an optional sign, hours 0...23, minutes 0...59 ("+9:5" is 545). None for anything else.
    [[nodiscard]] static std::optional<int> minutesSinceMidnight(std::string_view text);

    bool operator==(const LinkRuleTimeWindow&) const = default;

  private:
    std::set<std::int64_t> days_;
    std::string start_;
    std::string end_;
};

// The order in which competing rules decide, compared element by element: specificity of the matcher,
// then whether the rule names a source (1 or 0), then whether it has time windows (1 or 0).
struct LinkRulePrecedence {
    std::int64_t specificity = 0;
    int hasSource = 0;
    int hasTimeWindows = 0;

    auto operator<=>(const LinkRulePrecedence&) const = default;
};

class LinkRule {
  public:
    LinkRule(Uuid id, LinkRuleMatcher matcher, std::string bundleIdentifier,
             std::optional<std::string> source = std::nullopt,
             std::optional<std::vector<LinkRuleTimeWindow>> timeWindows = std::nullopt)
        : id_(id),
          matcher_(std::move(matcher)),
          bundleIdentifier_(std::move(bundleIdentifier)),
          source_(std::move(source)),
          timeWindows_(std::move(timeWindows)) {}

    [[nodiscard]] const Uuid& id() const noexcept { return id_; }
    [[nodiscard]] const LinkRuleMatcher& matcher() const noexcept { return matcher_; }
    // The target's stored form (see ApplicationTargetIdentifier::stored).
    [[nodiscard]] const std::string& bundleIdentifier() const noexcept { return bundleIdentifier_; }
    // The bundle identifier the link must come from; none for any source.
    [[nodiscard]] const std::optional<std::string>& source() const noexcept { return source_; }
    // None or empty: always.
    [[nodiscard]] const std::optional<std::vector<LinkRuleTimeWindow>>& timeWindows() const noexcept {
        return timeWindows_;
    }

    // Returns whether a link from `source` may use the rule: always without a rule source; otherwise only
    // when the link's source has exactly that bundle identifier.
    [[nodiscard]] bool accepts(const std::optional<LinkSource>& source) const;

    // Returns whether one of the time windows applies at `date` in `calendar`; true without windows.
    [[nodiscard]] bool isActive(Date date, const Calendar& calendar) const;

    [[nodiscard]] bool hasTimeWindows() const noexcept { return timeWindows_ && !timeWindows_->empty(); }
    [[nodiscard]] LinkRulePrecedence precedence() const noexcept {
        return {matcher_.specificity(), source_ ? 1 : 0, hasTimeWindows() ? 1 : 0};
    }

    bool operator==(const LinkRule&) const = default;

  private:
    Uuid id_;
    LinkRuleMatcher matcher_;
    std::string bundleIdentifier_;
    std::optional<std::string> source_;
    std::optional<std::vector<LinkRuleTimeWindow>> timeWindows_;
};

}  // namespace ferrywise

namespace nlohmann {
// A time window is stored as {"days": [...], "start": "...", "end": "..."}; days are read as a set.
template <>
struct adl_serializer<ferrywise::LinkRuleTimeWindow> {
    static ferrywise::LinkRuleTimeWindow from_json(const json& value);
    static void to_json(json& value, const ferrywise::LinkRuleTimeWindow& window);
};

// A rule is stored as {"id", "matcher", "bundleIdentifier", "source"?, "timeWindows"?}: the id in upper
// case (read in any case), "source" and "timeWindows" only when present (an empty list stays an empty
// array). Reading is strict and throws DecodingError; unknown keys are ignored.
template <>
struct adl_serializer<ferrywise::LinkRule> {
    static ferrywise::LinkRule from_json(const json& value);
    static void to_json(json& value, const ferrywise::LinkRule& rule);
};
}  // namespace nlohmann
