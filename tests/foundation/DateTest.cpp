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
         {Seconds{1.5, unixSeconds(978307201) + 500ms}, Seconds{-0.25, unixSeconds(978307200) - 250ms},
          Seconds{1e12, max}, Seconds{-1e12, Date(Date::duration::min())},
          Seconds{std::numeric_limits<double>::quiet_NaN(), Date{}}}) {
        EXPECT_EQ(dateFromSecondsSinceReferenceDate(seconds), date) << seconds;
    }
    EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(dateFromSecondsSinceReferenceDate(754005123.25)),
                     754005123.25);
}

TEST(Calendar, ComponentsAndDatesFollowTheZoneAndItsDaylightSavingAndOutOfRangeFieldsRollOver) {
    auto utc = Calendar::gregorian("UTC");
    auto berlin = Calendar::gregorian("Europe/Berlin");
    using Components = std::tuple<const char*, Date, const char*>;
    for (const auto& [zone, date, expected] : {
             Components{"UTC", Date{} - 1us, "1969-12-31 23:59:59 w4"},
             // Spring skips from 02:00 to 03:00.
             Components{"Europe/Berlin", utc.date(2024, 3, 31, 1), "2024-03-31 03:00:00 w1"},
             // In autumn 02:30 happens twice, an hour apart.
             Components{"Europe/Berlin", utc.date(2024, 10, 27, 0, 30), "2024-10-27 02:30:00 w1"},
             Components{"Europe/Berlin", utc.date(2024, 10, 27, 1, 30), "2024-10-27 02:30:00 w1"},
         }) {
        EXPECT_EQ(described(Calendar::gregorian(zone).components(date)), expected) << zone;
    }
    // Unknown zones (names are case-sensitive) are UTC.
    EXPECT_EQ(Calendar::gregorian("europe/berlin").timeZoneId(), "UTC");
    EXPECT_EQ(utc.date(2023, 13, 1), utc.date(2024, 1, 1));
    EXPECT_EQ(berlin.date(2024, 3, 31, 3), utc.date(2024, 3, 31, 1));
    EXPECT_EQ(berlin.date(2024, 10, 28) - berlin.date(2024, 10, 27), 25h);
    EXPECT_EQ(Calendar::gregorian("Asia/Shanghai").date(2024, 2, 29, 13, 45, 30), unixSeconds(1709185530));
}

}  // namespace
}  // namespace ferrywise
