#include "ferrywise/processing/URLCleaner.hpp"

#include <tuple>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using Names = std::vector<std::string>;

// Expects the cleaned link and the names of the removed items, as written.
void expectCleaned(const URLCleaner& cleaner, const char* input, const char* expected, const Names& names) {
    auto url = Url::parse(input).value();
    EXPECT_EQ(cleaner.clean(url).absoluteString(), expected) << input;
    EXPECT_EQ(cleaner.removedParameterNames(url), names) << input;
}

TEST(URLCleaner, RemovesTrackingItemsListsTheirNamesAsWrittenAndKeepsTheRestAsWrittenInOrder) {
    URLCleaner cleaner;
    for (const auto& [input, expected, names] :
         std::initializer_list<std::tuple<const char*, const char*, Names>>{
             {"https://a.example/p?utm_source=news#top", "https://a.example/p#top", {"utm_source"}},
             {"https://a.example/?id=5&gclid=1&fbclid&utm%5Fsource=1&gclid=2",
              "https://a.example/?id=5",
              {"gclid", "fbclid", "utm_source", "gclid"}},
             // Listed names and prefixes count in any case; names that merely start like them stay.
             {"https://a.example/?PK_x&hsa_&Matomo_a&gad_source&FbClid&utm&pk&gclid_&ref&=e&v",
              "https://a.example/?utm&pk&gclid_&ref&=e&v",
              {"PK_x", "hsa_", "Matomo_a", "gad_source", "FbClid"}},
             // Re-encoding would turn %2B into "+", a space to most servers, and drop the empty item.
             {"https://a.example/?q=a%2Bb&fbclid=1&s=%7e&&t=x+y&e=",
              "https://a.example/?q=a%2Bb&s=%7e&&t=x+y&e=",
              {"fbclid"}}}) {
        expectCleaned(cleaner, input, expected, names);
    }
    // Where nothing is removed the link comes back byte for byte: a tracking name as a value, inside another
    // name, in the fragment; an empty query.
    for (const char* input :
         {"https://a.example/?ref=utm_source&my_gclid=1&q=%7e%41", "https://a.example/?#utm_source=1"}) {
        expectCleaned(cleaner, input, input, {});
    }
}

TEST(URLCleaner, ExceptionsAreLowerCasedInFullAndWinOverListAndPrefixes) {
    URLCleaner cleaner(std::vector<std::string>{"UTM_SOURCE", "", "GCLID", "ÜTM_X", " utm_y"});
    EXPECT_EQ(cleaner.exceptions(), (URLCleaner::NameSet{"utm_source", "gclid", "ütm_x", " utm_y"}));
    // White space is kept: " utm_y" is not "utm_y".
    expectCleaned(cleaner, "https://a.example/?utm_source=a&utm_medium=b&GClid=c&utm_y=1",
                  "https://a.example/?utm_source=a&GClid=c", {"utm_medium", "utm_y"});
}

}  // namespace
}  // namespace ferrywise
