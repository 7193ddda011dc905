#include "ferrywise/foundation/Uuid.hpp"

#include <set>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using namespace std::string_literals;

TEST(Uuid, ParsesOnlyTheHyphenatedFormInAnyCaseAndWritesUpperCase) {
    for (const char* text :
         {"e621e1f8-c36c-495a-93fc-0c247a3e6e5f", "e621E1f8-C36c-495a-93Fc-0c247A3e6e5F"}) {
        auto uuid = Uuid::parse(text);
        ASSERT_TRUE(uuid) << text;
        EXPECT_EQ(uuid->string(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
        EXPECT_EQ(uuid->bytes()[0], 0xE6);
        EXPECT_EQ(uuid->bytes()[15], 0x5F);
    }
    // Short, long, braced, without or with a moved hyphen, not hex, blank, non-ASCII, NUL.
    for (const std::string& text :
         {""s, "E621E1F8-C36C-495A-93FC-0C247A3E6E5"s, "E621E1F8-C36C-495A-93FC-0C247A3E6E5F0"s,
          "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"s, "E621E1F8C36C495A93FC0C247A3E6E5F"s,
          "E621E1F8-C36C-495A-93FC0-C247A3E6E5F"s, "G621E1F8-C36C-495A-93FC-0C247A3E6E5F"s,
          " 621E1F8-C36C-495A-93FC-0C247A3E6E5F"s, "E621E1F8-C36C-495A-93FC-0C247A3E6E\xC3\xA9"s,
          "E621E1F8-C36C-495A-93FC-0C247A3E\0\x36\x45\x35"s}) {
        EXPECT_FALSE(Uuid::parse(text)) << text;
    }
}

TEST(Uuid, GeneratedUuidsAreVersionFourDistinctAndReadBack) {
    std::set<Uuid> seen;
    for (int i = 0; i < 100; ++i) {
        auto uuid = Uuid::generate();
        EXPECT_EQ(uuid.bytes()[6] >> 4, 4);
        EXPECT_EQ(uuid.bytes()[8] & 0xC0, 0x80);
        EXPECT_EQ(Uuid::parse(uuid.string()), uuid);
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

}  // namespace
}  // namespace ferrywise
