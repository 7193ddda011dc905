#include "ferrywise/settings/RoutingStatistics.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"

namespace ferrywise {
namespace {

// Counters saturate: a stored count near the limit (written by other means) must not wrap to negative.
std::int64_t saturatingSum(std::int64_t a, std::int64_t b) noexcept {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    return sum;
}

// The stored hours when they are exactly 24 integers; none otherwise.
std::optional<RoutingStatistics::Hours> storedHours(const UserDefaults& defaults) {
    auto stored = defaults.array(RoutingStatistics::hoursKey);
    RoutingStatistics::Hours hours{};
    if (!stored || stored->size() != hours.size()) {
        return std::nullopt;
    }
    for (std::size_t index = 0; index < hours.size(); ++index) {
        auto value = coding::wholeNumber((*stored)[index]);
        if (!value) {
            return std::nullopt;
        }
        hours[index] = *value;
    }
    return hours;
}

// The day and hour of one moment, worked out from a single reading of the clock so that the two agree.
struct Moment {
    std::string day;
    std::size_t hour;
};

// The one day-stamp format of both counters: "2026-12-5", no leading zeros.
std::string stamp(const DateComponents& parts) {
    return std::to_string(parts.year) + "-" + std::to_string(parts.month) + "-" + std::to_string(parts.day);
}

Moment moment(const std::function<Date()>& today, const std::optional<Calendar>& calendar) {
    auto date = today();
    auto parts = calendar ? calendar->components(date) : Calendar::current().components(date);
    return {stamp(parts), static_cast<std::size_t>(std::clamp(parts.hour, 0, 23))};
}

bool isStoredDay(const UserDefaults& defaults, std::string_view key, const std::string& day) {
    auto stored = defaults.string(key);
    return stored && *stored == day;
}

void checkParts(const std::shared_ptr<UserDefaults>& defaults, const std::function<Date()>& today) {
    if (!defaults || !today) {
        throw std::invalid_argument("Statistics need a defaults store and a clock");
    }
}

}  // namespace

std::string dayStamp(Date date, const Calendar& calendar) {
    return stamp(calendar.components(date));
}

RoutingStatistics::RoutingStatistics(std::shared_ptr<UserDefaults> defaults, std::function<Date()> today,
                                     std::optional<Calendar> calendar)
    : defaults_(std::move(defaults)), today_(std::move(today)), calendar_(std::move(calendar)) {
    checkParts(defaults_, today_);
}

std::int64_t RoutingStatistics::routedToday() const {
    auto now = moment(today_, calendar_);
    return isStoredDay(*defaults_, dayKey, now.day) ? defaults_->integer(countKey) : 0;
}

RoutingStatistics::Hours RoutingStatistics::routedByHour() const {
    auto now = moment(today_, calendar_);
    Hours hours{};
    if (!isStoredDay(*defaults_, dayKey, now.day)) {
        return hours;
    }
    if (auto stored = storedHours(*defaults_)) {
        return *stored;
    }
    // A day counted before hours were kept: show its whole count in the current hour.
    auto count = defaults_->integer(countKey);
    if (count >= 1) {
        hours[now.hour] = count;
    }
    return hours;
}

void RoutingStatistics::recordRoutedLink() {
    auto now = moment(today_, calendar_);
    std::int64_t count = 0;
    Hours hours{};
    if (isStoredDay(*defaults_, dayKey, now.day)) {
        count = defaults_->integer(countKey);
        if (auto stored = storedHours(*defaults_)) {
            hours = *stored;
        } else {
            hours[now.hour] = count;
        }
    }
    hours[now.hour] = saturatingSum(hours[now.hour], 1);
    // One change in this order: a file-backed store writes the three keys at once, so a crash can never
    // leave a new day with an old count.
    defaults_->setValues({{std::string(dayKey), now.day},
                          {std::string(countKey), saturatingSum(count, 1)},
                          {std::string(hoursKey), hours}});
}

TrackingStatistics::TrackingStatistics(std::shared_ptr<UserDefaults> defaults, std::function<Date()> today,
                                       std::optional<Calendar> calendar)
    : defaults_(std::move(defaults)), today_(std::move(today)), calendar_(std::move(calendar)) {
    checkParts(defaults_, today_);
}

std::int64_t TrackingStatistics::removedToday() const {
    auto now = moment(today_, calendar_);
    return isStoredDay(*defaults_, dayKey, now.day) ? defaults_->integer(countKey) : 0;
}

void TrackingStatistics::recordRemovedParameters(std::int64_t count) {
    if (count < 1) {
        return;
    }
    auto now = moment(today_, calendar_);
    auto previous = isStoredDay(*defaults_, dayKey, now.day) ? defaults_->integer(countKey) : 0;
    defaults_->setValues(
        {{std::string(dayKey), now.day}, {std::string(countKey), saturatingSum(previous, count)}});
}

}  // namespace ferrywise
