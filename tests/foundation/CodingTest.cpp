#include "ferrywise/foundation/Coding.hpp"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ferrywise {
namespace {

using nlohmann::json;

TEST(Coding, NullCountsAsAbsent) {
    auto object = json::parse(R"({"a": null, "b": 0})");
    EXPECT_EQ(coding::optional(object, "a"), nullptr);
    EXPECT_EQ(coding::optional(object, "c"), nullptr);
    EXPECT_EQ(coding::optional(object, "b"), &object["b"]);
    EXPECT_THROW((void)coding::required(object, "a"), DecodingError);
    EXPECT_THROW((void)coding::required(object, "c"), DecodingError);
    EXPECT_EQ(coding::required(object, "b"), 0);
    EXPECT_THROW((void)coding::object(json(nullptr), "k"), DecodingError);
}

TEST(Coding, IntegerAcceptsWholeNumbersWithinRange) {
    EXPECT_EQ(coding::integer(json::parse("-7"), "k"), -7);
    EXPECT_EQ(coding::integer(json::parse("2.0"), "k"), 2);
    EXPECT_EQ(coding::integer(json::parse("9223372036854775807"), "k"),
              std::numeric_limits<std::int64_t>::max());
    for (const char* text : {"2.5", "9223372036854775808", "1e19", "\"2\"", "true", "[1]"}) {
        EXPECT_THROW((void)coding::integer(json::parse(text), "k"), DecodingError) << text;
    }
}

}  // namespace
}  // namespace ferrywise
