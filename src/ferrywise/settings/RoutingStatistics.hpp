#pragma once

// Today's usage counters, kept in the user-defaults store for the general settings page: how many links
// were routed today, split by hour, and how many tracking parameters were removed today. Each counter is
// stored with the day it belongs to, and every read and write compares that day with today's, so a new day
// starts from zero without any timer; an earlier day's values stay stored until the next record call.
//
//   RoutingStatistics routing(defaults, [] { return std::chrono::system_clock::now(); });
//   routing.recordRoutedLink();
//   routing.routedToday();      // 1
//   routing.routedByHour()[9];  // 1 when recorded between 09:00 and 09:59
//
// Days and hours are those of the user's current calendar and time zone unless a calendar is given (for
// tests). Neither type locks: each record call is a read-modify-write of several keys, made by one caller
// at a time. When the calendar cannot tell the date, reads and records throw std::runtime_error and
// nothing is counted, instead of counting under a day that is not today.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ferrywise/foundation/Date.hpp"
#include "ferrywise/system/UserDefaults.hpp"

namespace ferrywise {

// Returns the day of `date` in `calendar` as year, month and day in plain decimal without leading zeros,
// joined by "-" (5 December 2026 gives "2026-12-5").
[[nodiscard]] std::string dayStamp(Date date, const Calendar& calendar);

// How many links were routed today, in total and per hour.
class RoutingStatistics {
  public:
    static constexpr std::string_view dayKey = "routedCountDay";
    static constexpr std::string_view countKey = "routedCountToday";
    static constexpr std::string_view hoursKey = "routedCountHours";

    // Counts per hour of the day: index 0 is 00:00-00:59, index 23 is 23:00-23:59.
    using Hours = std::array<std::int64_t, 24>;

    // Counters in `defaults`; `today` returns the current date and is called afresh by every operation.
    // Without `calendar` the user's current calendar and time zone apply, looked up at each operation.
    // `defaults` and `today` must not be empty.
    RoutingStatistics(std::shared_ptr<UserDefaults> defaults, std::function<Date()> today,
                      std::optional<Calendar> calendar = std::nullopt);

    // Returns the links routed today: the stored count when it belongs to today, else 0.
    [[nodiscard]] std::int64_t routedToday() const;

    // Returns today's links per hour; 24 zeros when nothing was counted today. A day counted before hours
    // were kept shows its whole count in the current hour.
    [[nodiscard]] Hours routedByHour() const;

    // Counts one link routed now.
    void recordRoutedLink();

  private:
    std::shared_ptr<UserDefaults> defaults_;
    std::function<Date()> today_;
    std::optional<Calendar> calendar_;
};

// How many tracking parameters were removed from links today.
class TrackingStatistics {
  public:
    static constexpr std::string_view dayKey = "trackingParametersRemovedDay";
    static constexpr std::string_view countKey = "trackingParametersRemovedToday";

    // Counters in `defaults`; `today` and `calendar` as for RoutingStatistics.
    TrackingStatistics(std::shared_ptr<UserDefaults> defaults, std::function<Date()> today,
                       std::optional<Calendar> calendar = std::nullopt);

    // Returns the parameters removed today: the stored count when it belongs to today, else 0.
    [[nodiscard]] std::int64_t removedToday() const;

    // Adds `count` removed parameters to today's total; a count below 1 changes nothing.
    void recordRemovedParameters(std::int64_t count);

  private:
    std::shared_ptr<UserDefaults> defaults_;
    std::function<Date()> today_;
    std::optional<Calendar> calendar_;
};

}  // namespace ferrywise
