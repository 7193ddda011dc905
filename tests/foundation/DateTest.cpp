#include "ferrywise/foundation/Date.hpp"

#include <cstdio>
#include <limits>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using namespace std::chrono_literals;

Date unixSeconds(std::int64_t seconds) {
    return Date(std::chrono::seconds(seconds));
}

// "2024-01-02 03:04:05 w3", so that failures read as dates.
std::string described(const DateComponents& p) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d w%d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second, p.weekday);
    return text;
}

TEST(ReferenceDate, ConvertsBothWaysWithFractionsAndClampsWhatTheClockCannotHold) {
    using Seconds = std::pair<double, Date>;
    constexpr auto max = Date(Date::duration::max());
    // Stored files may hold any number; none of them may overflow the conversion.
    for (const auto& [seconds, date] :
         {Seconds{0, unixSeconds(978307200)}, Seconds{-978307200.0, Date{}},
          Seconds{1.5, unixSeconds(978307201) + 500ms}, Seconds{-0.25, unixSeconds(978307200) - 250ms},
          Seconds{1e12, max}, Seconds{-1e12, Date(Date::duration::min())},
          Seconds{std::numeric_limits<double>::infinity(), max},
          Seconds{std::numeric_limits<double>::quiet_NaN(), Date{}}}) {
        EXPECT_EQ(dateFromSecondsSinceReferenceDate(seconds), date) << seconds;
    }
    EXPECT_EQ(secondsSinceReferenceDate(Date{}), -978307200.0);
    EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(dateFromSecondsSinceReferenceDate(754005123.25)),
                     754005123.25);
}

TEST(Calendar, ComponentsFollowTheZoneAndItsDaylightSavingWithWeeksFromSunday) {
    auto utc = Calendar::gregorian("UTC");
    auto springForward = utc.date(2024, 3, 31, 1);
    using Components = std::tuple<const char*, Date, const char*>;
    for (const auto& [zone, date, expected] : {
             Components{"UTC", utc.date(2024, 6, 8, 12), "2024-06-08 12:00:00 w7"},
             Components{"UTC", Date{} - 1us, "1969-12-31 23:59:59 w4"},
             // The same instant falls on different days across the date line.
             Components{"Pacific/Kiritimati", utc.date(2024, 1, 1, 12), "2024-01-02 02:00:00 w3"},
             Components{"Pacific/Pago_Pago", utc.date(2024, 1, 1, 12), "2024-01-01 01:00:00 w2"},
             Components{"Europe/Berlin", springForward - 1s, "2024-03-31 01:59:59 w1"},
             Components{"Europe/Berlin", springForward, "2024-03-31 03:00:00 w1"},
             // In autumn 02:30 happens twice, an hour apart.
             Components{"Europe/Berlin", utc.date(2024, 10, 27, 0, 30), "2024-10-27 02:30:00 w1"},
             Components{"Europe/Berlin", utc.date(2024, 10, 27, 1, 30), "2024-10-27 02:30:00 w1"},
             Components{"Asia/Shanghai", unixSeconds(1709185530), "2024-02-29 13:45:30 w5"},
         }) {
        EXPECT_EQ(described(Calendar::gregorian(zone).components(date)), expected) << zone;
    }
    // Unknown zones (names are case-sensitive) are UTC.
    for (const char* zone : {"Mars/Olympus_Mons", "", "europe/berlin"}) {
        EXPECT_EQ(Calendar::gregorian(zone).timeZoneId(), "UTC") << zone;
        EXPECT_EQ(described(Calendar::gregorian(zone).components(unixSeconds(1700000000))),
                  "2023-11-14 22:13:20 w3");
    }
}

TEST(Calendar, DateRollsOutOfRangeFieldsOverAndFollowsDaylightSaving) {
    auto utc = Calendar::gregorian("UTC");
    auto berlin = Calendar::gregorian("Europe/Berlin");
    EXPECT_EQ(utc.date(2023, 13, 1), utc.date(2024, 1, 1));
    EXPECT_EQ(utc.date(2023, 2, 29), utc.date(2023, 3, 1));
    EXPECT_EQ(utc.date(2024, 1, 1, 24), utc.date(2024, 1, 2));
    EXPECT_EQ(berlin.date(2024, 3, 31, 3), utc.date(2024, 3, 31, 1));
    EXPECT_EQ(berlin.date(2024, 3, 31, 3) - berlin.date(2024, 3, 31, 1), 1h);
    EXPECT_EQ(berlin.date(2024, 10, 28) - berlin.date(2024, 10, 27), 25h);
    EXPECT_EQ(Calendar::gregorian("Asia/Shanghai").date(2024, 2, 29, 13, 45, 30), unixSeconds(1709185530));
}

}  // namespace
}  // namespace ferrywise
