#include "ferrywise/settings/RoutingStatistics.hpp"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/system/InMemoryUserDefaults.hpp"

#include "support/ManualClock.hpp"

namespace ferrywise {
namespace {

using nlohmann::json;
using Hours = RoutingStatistics::Hours;

constexpr auto kMax = std::numeric_limits<std::int64_t>::max();

// 24 zeros with the given slots set.
Hours hoursWith(std::initializer_list<std::pair<std::size_t, std::int64_t>> slots) {
    Hours hours{};
    for (auto [slot, count] : slots) {
        hours[slot] = count;
    }
    return hours;
}

class StatisticsTest : public ::testing::Test {
  protected:
    Calendar calendar = Calendar::gregorian("Asia/Shanghai");
    testing::ManualClock clock{calendar.date(2026, 12, 5, 9, 15)};
    std::shared_ptr<InMemoryUserDefaults> defaults = std::make_shared<InMemoryUserDefaults>();
    RoutingStatistics routing{defaults, [this] { return clock.now(); }, calendar};
    TrackingStatistics tracking{defaults, [this] { return clock.now(); }, calendar};

    void at(int year, int month, int day, int hour, int minute) {
        clock.set(calendar.date(year, month, day, hour, minute));
    }
    json stored(std::string_view key) const { return defaults->object(key).value_or(json()); }
};

TEST_F(StatisticsTest, FreshStoreCountsNothingAndNeitherReadingNorRemovingNothingWrites) {
    EXPECT_EQ(routing.routedToday(), 0);
    EXPECT_EQ(routing.routedByHour(), Hours{});
    EXPECT_EQ(tracking.removedToday(), 0);
    for (std::int64_t count : {std::int64_t{0}, std::int64_t{-1}, -kMax - 1}) {
        tracking.recordRemovedParameters(count);
    }
    EXPECT_FALSE(defaults->persistentDomain(defaults->domain()));
}

TEST_F(StatisticsTest, CountsRoutedLinksPerHourAndRemovedParametersWithinTheDay) {
    for (int i = 0; i < 3; ++i) {
        routing.recordRoutedLink();
    }
    tracking.recordRemovedParameters(3);
    tracking.recordRemovedParameters(2);
    at(2026, 12, 5, 14, 2);
    routing.recordRoutedLink();
    EXPECT_EQ(routing.routedToday(), 4);
    EXPECT_EQ(routing.routedByHour(), hoursWith({{9, 3}, {14, 1}}));
    EXPECT_EQ(tracking.removedToday(), 5);
    EXPECT_EQ(stored("routedCountDay"), json("2026-12-5"));
    EXPECT_EQ(stored("routedCountHours"), json(hoursWith({{9, 3}, {14, 1}})));
    EXPECT_EQ(stored("trackingParametersRemovedDay"), json("2026-12-5"));
}

TEST_F(StatisticsTest, FirstRecordAfterMidnightStartsANewDay) {
    at(2026, 12, 5, 23, 50);
    routing.recordRoutedLink();
    routing.recordRoutedLink();
    tracking.recordRemovedParameters(6);
    at(2026, 12, 6, 0, 5);
    EXPECT_EQ(routing.routedToday(), 0);
    EXPECT_EQ(routing.routedByHour(), Hours{});
    EXPECT_EQ(tracking.removedToday(), 0);
    EXPECT_EQ(stored("routedCountToday"), json(2));  // kept until the next record call

    routing.recordRoutedLink();
    tracking.recordRemovedParameters(1);
    EXPECT_EQ(routing.routedToday(), 1);
    EXPECT_EQ(routing.routedByHour(), hoursWith({{0, 1}}));
    EXPECT_EQ(stored("routedCountDay"), json("2026-12-6"));
    EXPECT_EQ(tracking.removedToday(), 1);
    EXPECT_EQ(stored("trackingParametersRemovedDay"), json("2026-12-6"));
    // A stored day that is not today's counts as another day.
    defaults->set("trackingParametersRemovedDay", "2026-12-5");
    EXPECT_EQ(tracking.removedToday(), 0);
    tracking.recordRemovedParameters(4);
    EXPECT_EQ(tracking.removedToday(), 4);
}

TEST_F(StatisticsTest, UnreadableStoredHoursCountAsMissing) {
    auto zeros = [](std::size_t size) { return json(std::vector<int>(size, 0)); };
    std::vector<json> unreadable = {zeros(23), zeros(25), json("0,0,0")};
    for (json element :
         {json(1.5), json("1"), json(true), json(), json(std::numeric_limits<std::uint64_t>::max())}) {
        unreadable.push_back(zeros(24));
        unreadable.back()[3] = element;
    }
    for (const auto& hours : unreadable) {
        defaults->setValues(
            {{"routedCountDay", "2026-12-5"}, {"routedCountToday", 5}, {"routedCountHours", hours}});
        EXPECT_EQ(routing.routedByHour(), hoursWith({{9, 5}})) << hours;
        routing.recordRoutedLink();
        EXPECT_EQ(stored("routedCountToday"), json(6)) << hours;
        EXPECT_EQ(stored("routedCountHours"), json(hoursWith({{9, 6}}))) << hours;
    }
    // Without hours, a count below 1 is not shown anywhere.
    defaults->remove("routedCountHours");
    defaults->set("routedCountToday", -3);
    EXPECT_EQ(routing.routedByHour(), Hours{});
    // A floating-point number without a fraction is an integer.
    auto hours = json(hoursWith({{9, 1}}));
    hours[2] = 3.0;
    defaults->set("routedCountHours", hours);
    EXPECT_EQ(routing.routedByHour(), hoursWith({{2, 3}, {9, 1}}));
}

TEST_F(StatisticsTest, CountsSaturateInsteadOfOverflowing) {
    defaults->setValues({{"routedCountDay", "2026-12-5"},
                         {"routedCountToday", kMax},
                         {"routedCountHours", hoursWith({{9, kMax}})}});
    routing.recordRoutedLink();
    EXPECT_EQ(routing.routedToday(), kMax);
    EXPECT_EQ(routing.routedByHour(), hoursWith({{9, kMax}}));
    defaults->setValues(
        {{"trackingParametersRemovedDay", "2026-12-5"}, {"trackingParametersRemovedToday", kMax - 1}});
    tracking.recordRemovedParameters(5);
    EXPECT_EQ(tracking.removedToday(), kMax);
}

TEST_F(StatisticsTest, DayStampsHaveNoLeadingZerosAndAPaddedStampIsAnotherDay) {
    EXPECT_EQ(dayStamp(calendar.date(2027, 1, 3, 12), calendar), "2027-1-3");
    EXPECT_EQ(dayStamp(calendar.date(2026, 10, 10, 12), calendar), "2026-10-10");
    at(2027, 1, 3, 9, 0);
    defaults->setValues({{"routedCountDay", "2027-01-03"},
                         {"trackingParametersRemovedDay", "2027-01-03"},
                         {"routedCountToday", 7},
                         {"trackingParametersRemovedToday", 7}});
    EXPECT_EQ(routing.routedToday(), 0);
    EXPECT_EQ(tracking.removedToday(), 0);
    routing.recordRoutedLink();
    EXPECT_EQ(routing.routedToday(), 1);
}

TEST_F(StatisticsTest, DaysAndHoursFollowTheCalendarsTimeZoneOrTheUsersCurrentOne) {
    // 01:30 on 6 December in Shanghai is 17:30 on 5 December in UTC.
    at(2026, 12, 6, 1, 30);
    auto utc = Calendar::gregorian("UTC");
    EXPECT_EQ(dayStamp(clock.now(), calendar), "2026-12-6");
    EXPECT_EQ(dayStamp(clock.now(), utc), "2026-12-5");
    RoutingStatistics routingInUtc(
        defaults, [this] { return clock.now(); }, utc);
    routingInUtc.recordRoutedLink();
    EXPECT_EQ(routingInUtc.routedByHour(), hoursWith({{17, 1}}));
    EXPECT_EQ(routing.routedToday(), 0);
    routing.recordRoutedLink();
    EXPECT_EQ(routing.routedByHour(), hoursWith({{1, 1}}));

    RoutingStatistics current(defaults, [this] { return clock.now(); });
    current.recordRoutedLink();
    EXPECT_EQ(stored("routedCountDay"), json(dayStamp(clock.now(), Calendar::current())));
}

}  // namespace
}  // namespace ferrywise
