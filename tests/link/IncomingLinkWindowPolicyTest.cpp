#include "ferrywise/link/IncomingLinkWindowPolicy.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

TEST(IncomingLinkWindowPolicy, ReopenShowsSettingsOnlyWithoutWindowsOrLink) {
    EXPECT_TRUE(IncomingLinkWindowPolicy::shouldPresentSettingsOnReopen(false, false));
    EXPECT_FALSE(IncomingLinkWindowPolicy::shouldPresentSettingsOnReopen(false, true));
    EXPECT_FALSE(IncomingLinkWindowPolicy::shouldPresentSettingsOnReopen(true, false));
    EXPECT_FALSE(IncomingLinkWindowPolicy::shouldPresentSettingsOnReopen(true, true));
}

TEST(IncomingLinkWindowPolicy, ArrivingLinkSendsVisibleSettingsBackAndLeavesClosedOnesClosed) {
    using Action = IncomingLinkWindowPolicy::ExistingSettingsAction;
    EXPECT_EQ(IncomingLinkWindowPolicy::actionForExistingSettings(true), Action::orderBack);
    EXPECT_EQ(IncomingLinkWindowPolicy::actionForExistingSettings(false), Action::leaveClosed);
}

}  // namespace
}  // namespace ferrywise
