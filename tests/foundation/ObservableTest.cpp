#include "ferrywise/foundation/Observable.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

TEST(Observable, ObserversHearEachChangeAfterItIsStoredAndNothingForAnEqualValue) {
    Observable<int> value{1};
    std::vector<std::pair<int, int>> heard;  // what the observer got, and what it read back
    auto connection = value.observe([&](const int& now) { heard.emplace_back(now, value.value()); });
    value.set(1);
    value.set(2);
    value.set(2);
    value.modify([](int& number) { number += 3; });
    value.modify([](int&) {});
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{2, 2}, {5, 5}}));
    EXPECT_EQ(value.value(), 5);
}

TEST(Observable, DisconnectedObserversHearNothingAndMayDisconnectWhileNotified) {
    Observable<std::string> value;
    int first = 0;
    int second = 0;
    boost::signals2::connection self;
    self = value.observe([&](const std::string&) {
        ++first;
        self.disconnect();  // once is enough
    });
    {
        boost::signals2::scoped_connection scoped = value.observe([&](const std::string&) { ++second; });
        value.set("a");
    }
    value.set("b");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

TEST(Observable, AfterAnObserverChangesTheValueAgainEveryObserverLastHearsTheCurrentValue) {
    Observable<int> value;
    std::vector<int> heard;
    auto clamp = value.observe([&](const int& now) {
        if (now > 10) {
            value.set(10);  // a view-model correcting what a view wrote
        }
    });
    auto record = value.observe([&](const int& now) { heard.push_back(now); });
    value.set(12);
    EXPECT_EQ(value.value(), 10);
    // The nested change reaches later observers first; the outer notification then passes the current
    // value too, never the 12 that no longer holds.
    EXPECT_EQ(heard, (std::vector<int>{10, 10}));
}

}  // namespace
}  // namespace ferrywise
