#include "ferrywise/foundation/Date.hpp"

#include <chrono>
#include <cstdio>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using namespace std::chrono_literals;

Date unixSeconds(std::int64_t seconds) {
    return Date(std::chrono::seconds(seconds));
}

// "2024-01-02 03:04:05 w3", so that failures read as dates.
std::string described(const DateComponents& parts) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d w%d", parts.year, parts.month, parts.day,
                  parts.hour, parts.minute, parts.second, parts.weekday);
    return text;
}

TEST(ReferenceDate, StartOf2001IsZero) {
    auto start = unixSeconds(978307200);
    EXPECT_EQ(secondsSinceReferenceDate(start), 0.0);
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(0), start);
    EXPECT_EQ(secondsSinceReferenceDate(Date{}), -978307200.0);
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(-978307200.0), Date{});
}

TEST(ReferenceDate, FractionsSurviveBothWays) {
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(1.5), unixSeconds(978307201) + 500ms);
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(-0.25), unixSeconds(978307200) - 250ms);
    EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(dateFromSecondsSinceReferenceDate(754005123.25)),
                     754005123.25);
}

TEST(ReferenceDate, StoredSecondsOutsideTheClocksRangeAreClamped) {
    // Stored files may hold any number; none of them may overflow the conversion.
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(1e12), Date(Date::duration::max()));
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(-1e12), Date(Date::duration::min()));
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(std::numeric_limits<double>::infinity()),
              Date(Date::duration::max()));
    EXPECT_EQ(dateFromSecondsSinceReferenceDate(std::numeric_limits<double>::quiet_NaN()), Date{});
}

TEST(Calendar, WeekdaysRunFromSundayOneToSaturdaySeven) {
    auto calendar = Calendar::gregorian("UTC");
    // 2024-06-02 was a Sunday.
    for (int day = 2; day <= 8; ++day) {
        EXPECT_EQ(calendar.components(calendar.date(2024, 6, day, 12)).weekday, day - 1) << day;
    }
    EXPECT_EQ(calendar.components(unixSeconds(978307200)).weekday, 2);  // 2001-01-01, a Monday
}

TEST(Calendar, SameInstantFallsOnDifferentDaysAcrossTheDateLine) {
    auto instant = Calendar::gregorian("UTC").date(2024, 1, 1, 12);
    auto east = Calendar::gregorian("Pacific/Kiritimati").components(instant);
    auto west = Calendar::gregorian("Pacific/Pago_Pago").components(instant);
    EXPECT_EQ(described(east), "2024-01-02 02:00:00 w3");
    EXPECT_EQ(described(west), "2024-01-01 01:00:00 w2");
}

TEST(Calendar, FollowsDaylightSavingTransitions) {
    auto berlin = Calendar::gregorian("Europe/Berlin");
    auto utc = Calendar::gregorian("UTC");
    auto springForward = utc.date(2024, 3, 31, 1);
    EXPECT_EQ(described(berlin.components(springForward - 1s)), "2024-03-31 01:59:59 w1");
    EXPECT_EQ(described(berlin.components(springForward)), "2024-03-31 03:00:00 w1");
    EXPECT_EQ(berlin.date(2024, 3, 31, 3) - berlin.date(2024, 3, 31, 1), 1h);
    EXPECT_EQ(berlin.date(2024, 3, 31, 3), springForward);

    // In autumn 02:30 happens twice, an hour apart.
    auto first = berlin.components(utc.date(2024, 10, 27, 0, 30));
    auto second = berlin.components(utc.date(2024, 10, 27, 1, 30));
    EXPECT_EQ(described(first), described(second));
    EXPECT_EQ(first.hour, 2);
    EXPECT_EQ(berlin.date(2024, 10, 28) - berlin.date(2024, 10, 27), 25h);
}

TEST(Calendar, UnknownZoneFallsBackToUtc) {
    auto instant = unixSeconds(1700000000);
    for (const char* zone : {"Mars/Olympus_Mons", "", "europe/berlin"}) {
        auto calendar = Calendar::gregorian(zone);
        EXPECT_EQ(calendar.timeZoneId(), "UTC") << zone;
        EXPECT_EQ(described(calendar.components(instant)), "2023-11-14 22:13:20 w3") << zone;
    }
    EXPECT_EQ(Calendar::gregorian("Asia/Shanghai").timeZoneId(), "Asia/Shanghai");
}

TEST(Calendar, DateRoundTripsThroughComponents) {
    auto shanghai = Calendar::gregorian("Asia/Shanghai");
    auto date = shanghai.date(2024, 2, 29, 13, 45, 30);
    EXPECT_EQ(described(shanghai.components(date)), "2024-02-29 13:45:30 w5");
    EXPECT_EQ(date, unixSeconds(1709185530));
}

TEST(Calendar, OutOfRangeFieldsRollOver) {
    auto utc = Calendar::gregorian("UTC");
    EXPECT_EQ(utc.date(2023, 13, 1), utc.date(2024, 1, 1));
    EXPECT_EQ(utc.date(2023, 2, 29), utc.date(2023, 3, 1));
    EXPECT_EQ(utc.date(2024, 1, 1, 24), utc.date(2024, 1, 2));
}

TEST(Calendar, InstantsJustBefore1970StayInTheirSecond) {
    auto parts = Calendar::gregorian("UTC").components(Date{} - 1us);
    EXPECT_EQ(described(parts), "1969-12-31 23:59:59 w4");
}

}  // namespace
}  // namespace ferrywise
