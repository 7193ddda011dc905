#include "ferrywise/rules/LinkRule.hpp"

#include <atomic>
#include <exception>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"
#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/rules/LinkRuleDecoding.hpp"

namespace ferrywise {
namespace {

// A decimal integer with an optional sign and digits only; none on anything else or beyond int's range.
std::optional<int> decimalInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > 100000) {
            return std::nullopt;  // far beyond any hour or minute; also keeps the arithmetic bounded
        }
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

std::optional<int> LinkRuleTimeWindow::minutesSinceMidnight(std::string_view text) {
    auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    auto hoursText = text.substr(0, colon);
    auto minutesText = text.substr(colon + 1);
    if (hoursText.empty() || minutesText.empty() || minutesText.find(':') != std::string_view::npos) {
        return std::nullopt;
    }
    auto hours = decimalInteger(hoursText);
    auto minutes = decimalInteger(minutesText);
    if (!hours || !minutes || *hours < 0 || *hours > 23 || *minutes < 0 || *minutes > 59) {
        return std::nullopt;
    }
    return *hours * 60 + *minutes;
}

bool LinkRuleTimeWindow::contains(std::int64_t day, int minute) const {
    auto start = minutesSinceMidnight(start_);
    auto end = minutesSinceMidnight(end_);
    if (!start || !end || !days_.contains(day)) {
        return false;
    }
    if (*end >= *start) {
        return *start <= minute && minute <= *end;
    }
    return minute >= *start || minute <= *end;  // overnight
}

bool LinkRule::accepts(const std::optional<LinkSource>& source) const {
    if (!source_) {
        return true;
    }
    return source && source->bundleIdentifier() == *source_;
}

bool LinkRule::isActive(Date date, const Calendar& calendar) const {
    if (!hasTimeWindows()) {
        return true;
    }
    DateComponents components;
    try {
        components = calendar.components(date);
    } catch (const std::exception& error) {
        // Without the weekday and time no window can be judged; an inactive rule leaves the link to the
        // other rules, the fallback or the picker.
        static std::atomic<bool> logged = false;
        if (!logged.exchange(true)) {
            Log::rules().error(
                "Could not read the date in time zone %{public}s, so time-window rules are "
                "inactive: %{public}s",
                calendar.timeZoneId(), error.what());
        }
        return false;
    }
    // The calendar counts 1 Sunday ... 7 Saturday; windows count 1 Monday ... 7 Sunday.
    auto day = ((components.weekday + 5) % 7) + 1;
    auto minute = components.hour * 60 + components.minute;
    for (const auto& window : *timeWindows_) {
        if (window.contains(day, minute)) {
            return true;
        }
    }
    return false;
}

namespace decoding {
namespace {

std::string requiredString(const nlohmann::json* member, std::string_view key) {
    return coding::string(coding::required(member, key), key);
}

}  // namespace

LinkRuleTimeWindow timeWindow(std::optional<std::set<std::int64_t>> days, const nlohmann::json* start,
                              const nlohmann::json* end) {
    if (!days) {
        throw DecodingError("the key \"days\" is missing");
    }
    auto startText = requiredString(start, "start");
    return {std::move(*days), std::move(startText), requiredString(end, "end")};
}

LinkRule rule(RuleMembers members) {
    auto idText = requiredString(members.id, "id");
    auto id = Uuid::parse(idText);
    if (!id) {
        throw DecodingError("\"id\" is not a UUID");
    }
    if (!members.matcher) {
        throw DecodingError("the key \"matcher\" is missing");
    }
    auto bundleIdentifier = requiredString(members.bundleIdentifier, "bundleIdentifier");
    std::optional<std::string> source;
    if (members.source != nullptr && !members.source->is_null()) {
        source = coding::string(*members.source, "source");
    }
    return {*id, std::move(*members.matcher), std::move(bundleIdentifier), std::move(source),
            std::move(members.timeWindows)};
}

}  // namespace decoding
}  // namespace ferrywise

namespace nlohmann {

namespace coding = ferrywise::coding;

ferrywise::LinkRuleTimeWindow adl_serializer<ferrywise::LinkRuleTimeWindow>::from_json(const json& value) {
    const auto& object = coding::object(value, "time window");
    std::optional<std::set<std::int64_t>> days;
    if (const auto* stored = coding::optional(object, "days")) {
        days.emplace();
        for (const auto& day : coding::array(*stored, "days")) {
            days->insert(coding::integer(day, "days"));
        }
    }
    return ferrywise::decoding::timeWindow(std::move(days), coding::optional(object, "start"),
                                           coding::optional(object, "end"));
}

void adl_serializer<ferrywise::LinkRuleTimeWindow>::to_json(json& value,
                                                            const ferrywise::LinkRuleTimeWindow& window) {
    value = {{"days", window.days()}, {"start", window.start()}, {"end", window.end()}};
}

ferrywise::LinkRule adl_serializer<ferrywise::LinkRule>::from_json(const json& value) {
    const auto& object = coding::object(value, "rule");
    ferrywise::decoding::RuleMembers members;
    members.id = coding::optional(object, "id");
    if (const auto* matcher = coding::optional(object, "matcher")) {
        members.matcher = matcher->get<ferrywise::LinkRuleMatcher>();
    }
    members.bundleIdentifier = coding::optional(object, "bundleIdentifier");
    members.source = coding::optional(object, "source");
    if (const auto* stored = coding::optional(object, "timeWindows")) {
        members.timeWindows.emplace();
        for (const auto& window : coding::array(*stored, "timeWindows")) {
            members.timeWindows->push_back(window.get<ferrywise::LinkRuleTimeWindow>());
        }
    }
    return ferrywise::decoding::rule(std::move(members));
}

void adl_serializer<ferrywise::LinkRule>::to_json(json& value, const ferrywise::LinkRule& rule) {
    value = {{"id", rule.id().string()},
             {"matcher", rule.matcher()},
             {"bundleIdentifier", rule.bundleIdentifier()}};
    if (rule.source()) {
        value["source"] = *rule.source();
    }
    if (rule.timeWindows()) {
        value["timeWindows"] = json::array();
        for (const auto& window : *rule.timeWindows()) {
            value["timeWindows"].push_back(window);
        }
    }
}

}  // namespace nlohmann
