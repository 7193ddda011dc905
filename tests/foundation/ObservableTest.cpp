#include "ferrywise/foundation/Observable.hpp"

#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

TEST(Observable, ObserversHearEachChangeAfterItIsStoredNothingForAnEqualValueAndNothingOnceDisconnected) {
    Observable<int> value{1};
    std::vector<std::pair<int, int>> heard;  // what the observer got, and what it read back
    boost::signals2::connection connection = value.observe([&](const int& now) {
        heard.emplace_back(now, value.value());
        if (now == 5) {
            connection.disconnect();  // an observer may disconnect itself while it runs
        }
    });
    value.set(1);
    value.set(2);
    value.modify([](int& number) { number += 3; });
    value.modify([](int&) {});
    value.set(6);
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{2, 2}, {5, 5}}));
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
