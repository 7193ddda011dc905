#include "ferrywise/foundation/Uuid.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using namespace std::string_literals;

TEST(Uuid, ParsesOnlyTheHyphenatedFormInAnyCaseAndWritesUpperCase) {
    auto uuid = Uuid::parse("e621E1f8-C36c-495a-93Fc-0c247A3e6e5F");
    ASSERT_TRUE(uuid);
    EXPECT_EQ(uuid->string(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    // Short, long, with a moved hyphen, not hex, non-ASCII, NUL.
    for (const std::string& text :
         {"E621E1F8-C36C-495A-93FC-0C247A3E6E5"s, "E621E1F8-C36C-495A-93FC-0C247A3E6E5F0"s,
          "E621E1F8-C36C-495A-93FC0-C247A3E6E5F"s, "G621E1F8-C36C-495A-93FC-0C247A3E6E5F"s,
          "E621E1F8-C36C-495A-93FC-0C247A3E6E\xC3\xA9"s, "E621E1F8-C36C-495A-93FC-0C247A3E\0\x36\x45\x35"s}) {
        EXPECT_FALSE(Uuid::parse(text)) << text;
    }
}

TEST(Uuid, GeneratedUuidsAreRandomVersionFourAndReadBack) {
    auto uuid = Uuid::generate();
    EXPECT_EQ(uuid.bytes()[6] >> 4, 4);
    EXPECT_EQ(Uuid::parse(uuid.string()), uuid);
    EXPECT_NE(Uuid::generate(), uuid);
}

}  // namespace
}  // namespace ferrywise
