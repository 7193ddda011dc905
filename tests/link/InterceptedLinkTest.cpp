#include <gtest/gtest.h>

#include "ferrywise/link/InterceptedLink.hpp"

namespace ferrywise {
namespace {

TEST(InterceptedLink, Placeholder) {
    EXPECT_TRUE(InterceptedLink::make(*Url::parse("https://a.b")));
}

}  // namespace
}  // namespace ferrywise
