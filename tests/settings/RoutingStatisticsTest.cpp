#include "ferrywise/settings/RoutingStatistics.hpp"

#include <limits>
#include <tuple>
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
using Changes = std::vector<UserDefaults::Change>;

constexpr auto kMax = std::numeric_limits<std::int64_t>::max();

// An in-memory store that keeps every change it applies, to show which keys are written together. Whole
// domains are not needed here.
struct RecordingDefaults final : UserDefaults {
    InMemoryUserDefaults store;
    std::vector<Changes> changes;

    const std::string& domain() const noexcept override { return store.domain(); }
    std::optional<json> object(std::string_view key) const override { return store.object(key); }
    std::optional<json> persistentDomain(std::string_view) const override { return std::nullopt; }
    void removePersistentDomain(std::string_view) override {}
    void apply(Changes batch) override {
        changes.push_back(batch);
        store.setValues(std::move(batch));
    }
    void replaceDomain(std::string_view, json) override {}
};

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
    // Today's routed links, per hour too, and tracking parameters removed, as read.
    [[nodiscard]] auto today() const {
        return std::tuple(routing.routedToday(), routing.routedByHour(), tracking.removedToday());
    }

    Calendar calendar = Calendar::gregorian("Asia/Shanghai");
    testing::ManualClock clock{calendar.date(2026, 12, 5, 9, 15)};
    std::shared_ptr<RecordingDefaults> defaults = std::make_shared<RecordingDefaults>();
    RoutingStatistics routing{defaults, [this] { return clock.now(); }, calendar};
    TrackingStatistics tracking{defaults, [this] { return clock.now(); }, calendar};
};

// Reading and removing nothing write nothing. Day, count and hours go to the store as one change, so that a
// crash cannot leave a new day with an old count.
TEST_F(StatisticsTest, CountsFromNothingPerHourAndWritesDayCountAndHoursAsOneChange) {
    EXPECT_EQ(today(), std::tuple(0, Hours{}, 0));
    tracking.recordRemovedParameters(0);
    tracking.recordRemovedParameters(-kMax - 1);
    EXPECT_TRUE(defaults->changes.empty());
    routing.recordRoutedLink();
    routing.recordRoutedLink();
    tracking.recordRemovedParameters(3);
    tracking.recordRemovedParameters(2);
    EXPECT_EQ(defaults->changes.back(), (Changes{{"trackingParametersRemovedDay", "2026-12-5"},
                                                 {"trackingParametersRemovedToday", 5}}));
    clock.set(calendar.date(2026, 12, 5, 14, 2));
    routing.recordRoutedLink();
    EXPECT_EQ(defaults->changes.back(), (Changes{{"routedCountDay", "2026-12-5"},
                                                 {"routedCountToday", 3},
                                                 {"routedCountHours", hoursWith({{9, 2}, {14, 1}})}}));
}

// The day is the calendar's, the fixture's being Shanghai's; without one, the user's current calendar
// applies.
TEST_F(StatisticsTest, FirstRecordAfterMidnightInTheCalendarStartsANewDay) {
    clock.set(calendar.date(2026, 12, 5, 23, 50));
    routing.recordRoutedLink();
    routing.recordRoutedLink();
    tracking.recordRemovedParameters(6);
    clock.set(calendar.date(2026, 12, 6, 0, 5));
    EXPECT_EQ(today(), std::tuple(0, Hours{}, 0));
    routing.recordRoutedLink();
    tracking.recordRemovedParameters(1);
    EXPECT_EQ(today(), std::tuple(1, hoursWith({{0, 1}}), 1));
    RoutingStatistics current(defaults, [this] { return clock.now(); });
    current.recordRoutedLink();
    EXPECT_EQ(defaults->string("routedCountDay"), dayStamp(clock.now(), Calendar::current()));
}

// Stored hours other than 24 whole numbers are ignored: today's count then stands in the current hour.
// Counts stop at the largest number.
TEST_F(StatisticsTest, UnreadableStoredHoursCountAsMissingAndCountsSaturateInsteadOfOverflowing) {
    auto hours = json(hoursWith({}));
    hours[3] = 1.5;
    for (const json& unreadable : {json(std::vector<int>(23, 0)), json("0,0,0"), hours}) {
        defaults->setValues(
            {{"routedCountDay", "2026-12-5"}, {"routedCountToday", 5}, {"routedCountHours", unreadable}});
        EXPECT_EQ(routing.routedByHour(), hoursWith({{9, 5}})) << unreadable;
        routing.recordRoutedLink();
        EXPECT_EQ(defaults->object("routedCountHours"), json(hoursWith({{9, 6}}))) << unreadable;
    }

    defaults->setValues({{"routedCountDay", "2026-12-5"},
                         {"routedCountToday", kMax},
                         {"routedCountHours", hoursWith({{9, kMax}})},
                         {"trackingParametersRemovedDay", "2026-12-5"},
                         {"trackingParametersRemovedToday", kMax - 1}});
    routing.recordRoutedLink();
    tracking.recordRemovedParameters(5);
    EXPECT_EQ(today(), std::tuple(kMax, hoursWith({{9, kMax}}), kMax));
}

}  // namespace
}  // namespace ferrywise
