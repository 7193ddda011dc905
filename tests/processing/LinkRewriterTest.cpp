#include "ferrywise/processing/LinkRewriter.hpp"

#include <utility>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

void expectExpansions(std::initializer_list<std::pair<const char*, const char*>> rewritten,
                      std::initializer_list<const char*> unchanged) {
    for (const auto& [input, expected] : rewritten) {
        EXPECT_EQ(LinkRewriter::expand(Url::parse(input).value()).absoluteString(), expected) << input;
    }
    for (const char* input : unchanged) {
        EXPECT_EQ(LinkRewriter::expand(Url::parse(input).value()).absoluteString(), input);
    }
}

TEST(LinkRewriter, ShortVideoLinksBecomeWatchAddressesAndOtherShapesStay) {
    expectExpansions(
        {{"http://YOUTU.BE/abc123?t=42", "https://www.youtube.com/watch?v=abc123&t=42"},
         {"https://www.youtu.be/abc123/?", "https://www.youtube.com/watch?v=abc123"},
         {"https://user@youtu.be:8443/abc?a=1&&b#f", "https://www.youtube.com/watch?v=abc&a=1&&b#f"},
         // The identifier is decoded from the path and encoded again as a query value.
         {"https://youtu.be/a%26b%20c", "https://www.youtube.com/watch?v=a%26b%20c"}},
        {"https://youtu.be/abc/def", "https://youtu.be/", "https://m.youtu.be/abc", "https://youtu.be/a%2Fb",
         "mailto:a@youtu.be"});
}

TEST(LinkRewriter, DocumentLinksAreUnwrappedWhenTheyNameAHost) {
    expectExpansions(
        {{"X-WebDoc://ABC123/news.example.org/a/b?x=1#f", "https://news.example.org/a/b?x=1#f"},
         {"x-webdoc://ABC123/news.example.org", "https://news.example.org"},
         {"x-webdoc://user:pw@news.example.org:99/a%20b?q=%41#x", "https://news.example.org/a%20b?q=%41#x"},
         // An unwrapped short-video address is not rewritten again.
         {"x-webdoc://ABC/youtu.be/abc123", "https://youtu.be/abc123"}},
        {"x-webdoc://ABC123/notahost/a", "x-webdoc://ABC123", "x-webdoc:news.example.org",
         "x-webdoc:///news.example.org/a",
         // Text that would turn into user information or a port is not a host.
         "x-webdoc://ABC/evil.example@bank.example/a", "x-webdoc://ABC/a.example:8080/x"});
}

}  // namespace
}  // namespace ferrywise
