#include <gtest/gtest.h>

#include "ferrywise/foundation/Url.hpp"

namespace ferrywise {
namespace {

TEST(Url, ParsesAbsoluteUrl) {
    auto url = Url::parse("https://Example.com/a%20b?x=1#top");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->host(), "Example.com");
}

}  // namespace
}  // namespace ferrywise
