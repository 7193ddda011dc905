#include "ferrywise/rules/LinkRuleMatcher.hpp"

#include <limits>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"

namespace ferrywise {
namespace {

using nlohmann::json;

InterceptedLink link(std::string_view text) {
    auto url = Url::parse(text);
    auto link = url ? InterceptedLink::make(*url) : std::nullopt;
    if (!link) {
        ADD_FAILURE() << "not a link: " << text;
        return *InterceptedLink::make(*Url::parse("https://invalid.test/"));
    }
    return *link;
}

// Expects `matcher` to match exactly the links in `matching` and none in `other`.
void expectMatches(const LinkRuleMatcher& matcher, std::initializer_list<std::string_view> matching,
                   std::initializer_list<std::string_view> other) {
    for (auto text : matching) {
        EXPECT_TRUE(matcher.matches(link(text))) << matcher.summary() << " should match " << text;
    }
    for (auto text : other) {
        EXPECT_FALSE(matcher.matches(link(text))) << matcher.summary() << " should not match " << text;
    }
}

TEST(LinkRuleMatcher, DomainMatchesItsHostAndOnlyOptionallyItsSubdomains) {
    expectMatches(LinkRuleMatcher::domain("Example.com", false),
                  {"https://example.com/a", "http://EXAMPLE.com"},
                  {"https://mail.example.com/", "https://badexample.com/", "mailto:a@example.com"});
    expectMatches(LinkRuleMatcher::domain("Example.com", true),
                  {"https://example.com/", "https://mail.example.com/", "http://a.b.example.com/x"},
                  {"https://badexample.com/", "https://example.com.evil.test/", "mailto:a@example.com"});
}

TEST(LinkRuleMatcher, StoredDomainIsNormalisedButTheLinkHostOnlyLowercased) {
    expectMatches(LinkRuleMatcher::domain(" \tExample.COM.. ", false), {"https://example.com/"}, {});
    expectMatches(LinkRuleMatcher::domain("example.com", true), {},
                  {"https://example.com./", "https://mail.example.com./"});
    // Line breaks are not trimmed.
    expectMatches(LinkRuleMatcher::domain("example.com\n", false), {}, {"https://example.com/"});
    expectMatches(LinkRuleMatcher::domain("MÜNCHEN.de", true), {"https://www.m%C3%BCnchen.de/"}, {});
}

TEST(LinkRuleMatcher, ExactUrlIgnoresCaseOfSchemeAndHostAndALoneSlash) {
    expectMatches(LinkRuleMatcher::exactURL("https://Example.com/"),
                  {"https://example.com", "HTTPS://EXAMPLE.COM/"},
                  {"https://example.com/#top", "https://example.com:443/", "https://example.com/?",
                   "http://example.com/"});
    // A query keeps the slash; path, query and fragment keep their case.
    expectMatches(LinkRuleMatcher::exactURL("https://example.com/?q=A"), {"https://EXAMPLE.com/?q=A"},
                  {"https://example.com?q=A", "https://example.com/?q=a"});
    expectMatches(LinkRuleMatcher::exactURL("https://example.com/Docs#Top"), {"https://example.com/Docs#Top"},
                  {"https://example.com/docs#Top", "https://example.com/Docs#top"});
    expectMatches(LinkRuleMatcher::exactURL("mailto:a@example.com"), {}, {"mailto:a@example.com"});
}

TEST(LinkRuleMatcher, PathPrefixCoversThePathAndBelowOnItsHostOnly) {
    expectMatches(LinkRuleMatcher::pathPrefix("Example.com", "Docs/"),
                  {"https://example.com/docs", "https://example.com/docs/", "https://EXAMPLE.com/DOCS/intro",
                   "http://example.com/docs/a/b?x#y", "https://example.com/%64ocs/a"},
                  {"https://example.com/docs2", "https://example.com/doc", "https://example.com/",
                   "https://www.example.com/docs", "https://example.com/a/docs"});
    expectMatches(LinkRuleMatcher::pathPrefix("example.com", "/"),
                  {"https://example.com", "https://example.com/", "https://example.com/any/path"},
                  {"https://www.example.com/", "mailto:example.com"});
}

TEST(LinkRuleMatcher, AnyWebLinkAndMailDefaultFollowTheScheme) {
    expectMatches(LinkRuleMatcher::anyWebLink(), {"http://a.test", "HTTPS://b.test/x"}, {"mailto:a@b.test"});
    expectMatches(LinkRuleMatcher::mailDefault(), {"mailto:a@b.test", "MAILTO:a@b.test"},
                  {"https://b.test/"});
}

TEST(LinkRuleMatcher, DecidesSameLinksComparesNormalisedForms) {
    using M = LinkRuleMatcher;
    EXPECT_TRUE(M::domain("example.com", false).decidesSameLinks(M::domain("EXAMPLE.COM.", true)));
    EXPECT_TRUE(
        M::pathPrefix("example.com", "Docs/").decidesSameLinks(M::pathPrefix("Example.com ", "/docs")));
    EXPECT_TRUE(M::exactURL("https://Example.com/").decidesSameLinks(M::exactURL("https://example.com")));
    EXPECT_TRUE(M::exactURL("not a url").decidesSameLinks(M::exactURL("not a url")));
    EXPECT_TRUE(M::anyWebLink().decidesSameLinks(M::anyWebLink()));
    EXPECT_TRUE(M::mailDefault().decidesSameLinks(M::mailDefault()));

    EXPECT_FALSE(M::anyWebLink().decidesSameLinks(M::mailDefault()));
    EXPECT_FALSE(M::domain("example.com", false).decidesSameLinks(M::pathPrefix("example.com", "/")));
    EXPECT_FALSE(M::pathPrefix("example.com", "docs").decidesSameLinks(M::pathPrefix("example.com", "doc")));
    EXPECT_FALSE(
        M::pathPrefix("a.example.com", "docs").decidesSameLinks(M::pathPrefix("example.com", "docs")));
    EXPECT_FALSE(M::exactURL("https://example.com/a").decidesSameLinks(M::exactURL("https://example.com/A")));
}

TEST(LinkRuleMatcher, ConstructorsFromALinkUseItsLowercasedHost) {
    auto web = link("HTTPS://Mail.Example.co.uk/Path/");
    EXPECT_EQ(LinkRuleMatcher::site(web), LinkRuleMatcher::domain("example.co.uk", true));
    EXPECT_EQ(LinkRuleMatcher::domain(web, false), LinkRuleMatcher::domain("mail.example.co.uk", false));
    EXPECT_EQ(LinkRuleMatcher::exactURL(web), LinkRuleMatcher::exactURL("https://mail.example.co.uk/Path/"));
    EXPECT_EQ(LinkRuleMatcher::exactURL(link("https://Example.com/")),
              LinkRuleMatcher::exactURL("https://example.com"));

    auto mail = link("mailto:a@example.com");
    EXPECT_EQ(LinkRuleMatcher::site(mail), std::nullopt);
    EXPECT_EQ(LinkRuleMatcher::domain(mail, true), std::nullopt);
    EXPECT_EQ(LinkRuleMatcher::exactURL(mail), std::nullopt);
}

TEST(LinkRuleMatcher, NormalizedDomainTrimsBlanksLowercasesAndDropsTrailingDots) {
    EXPECT_EQ(LinkRuleMatcher::normalizedDomain("  Example.COM.. "), "example.com");
    EXPECT_EQ(LinkRuleMatcher::normalizedDomain("\t\u00A0ÄÖ.DE\t"), "äö.de");
    EXPECT_EQ(LinkRuleMatcher::normalizedDomain("a.b\n"), "a.b\n");
    EXPECT_EQ(LinkRuleMatcher::normalizedDomain(" ... "), "");
    EXPECT_EQ(LinkRuleMatcher::pathKey("Docs/"), "/docs");
    EXPECT_EQ(LinkRuleMatcher::pathKey("//A/B//"), "/a/b");
    EXPECT_EQ(LinkRuleMatcher::pathKey(""), "/");
    EXPECT_EQ(LinkRuleMatcher::pathKey("/"), "/");
}

TEST(LinkRuleMatcher, RegistrableDomainKeepsTheRegisteredName) {
    const std::pair<std::string, std::string> cases[] = {{"mail.example.co.uk", "example.co.uk"},
                                                         {"example.co.uk", "example.co.uk"},
                                                         {"shop.example.com.au", "example.com.au"},
                                                         {"A.Example.COM.", "example.com"},
                                                         {"a.b.example.io", "example.io"},
                                                         {"x.y.co.com", "co.com"},
                                                         {"a.b.example.uk", "example.uk"},
                                                         {"x.y.co.1k", "co.1k"},
                                                         {"x.y.co.u\u0308k", "y.co.u\u0308k"},
                                                         {"shop.example.co.ευ", "example.co.ευ"},
                                                         {"a..b", ".b"},
                                                         {"192.168.0.1", "192.168.0.1"},
                                                         {"999.1.1.1", "999.1.1.1"},
                                                         {"1.2.3.4.5", "4.5"},
                                                         {"[2001:db8::1]", "[2001:db8::1]"},
                                                         {"[::ffff:1.2.3.4]", "[::ffff:1.2.3.4]"},
                                                         {"localhost", "localhost"},
                                                         {"", ""}};
    for (const auto& [host, expected] : cases) {
        EXPECT_EQ(LinkRuleMatcher::registrableDomain(host), expected) << host;
    }
}

TEST(LinkRuleMatcher, SpecificityOrdersKindsAndCountsUserPerceivedCharacters) {
    EXPECT_EQ(LinkRuleMatcher::exactURL("x").specificity(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(LinkRuleMatcher::pathPrefix("Example.com.", "Docs/").specificity(), 11 + (1LL << 62) - 1 + 5);
    EXPECT_EQ(LinkRuleMatcher::domain(" MÜNCHEN.DE ", true).specificity(), 10);
    EXPECT_EQ(LinkRuleMatcher::domain("mu\u0308nchen.de", false).specificity(), 10);
    EXPECT_EQ(LinkRuleMatcher::anyWebLink().specificity(), 0);
    EXPECT_EQ(LinkRuleMatcher::mailDefault().specificity(), 0);
}

TEST(LinkRuleMatcher, PresentsEachCaseForTheEditor) {
    struct Case {
        LinkRuleMatcher matcher;
        std::optional<std::string> host;
        std::string headline;
        std::optional<std::string> detail;
        std::string summary;
        std::string symbolName;
    };
    const Case cases[] = {
        {LinkRuleMatcher::exactURL("https://Example.com/Docs/?q=%41#top"), "Example.com", "Example.com",
         "/Docs?q=%41", "https://Example.com/Docs/?q=%41#top", "link"},
        {LinkRuleMatcher::exactURL("https://Example.com/"), "Example.com", "Example.com", "one exact link",
         "https://Example.com/", "link"},
        {LinkRuleMatcher::exactURL("not a url"), std::nullopt, "not a url", std::nullopt, "not a url",
         "link"},
        {LinkRuleMatcher::exactURL("file:///x"), std::nullopt, "file:///x", "/x", "file:///x", "link"},
        {LinkRuleMatcher::domain(" Example.COM. ", false), "example.com", "example.com", "this site only",
         "example.com", "globe"},
        {LinkRuleMatcher::domain("Example.com", true), "example.com", "example.com", "and every subdomain",
         "example.com and subdomains", "globe"},
        {LinkRuleMatcher::pathPrefix("Example.com", "Docs/"), "example.com", "example.com", "/docs and below",
         "example.com/docs", "folder"},
        {LinkRuleMatcher::anyWebLink(), std::nullopt, "All web links", std::nullopt, "All web links",
         "network"},
        {LinkRuleMatcher::mailDefault(), std::nullopt, "All email links", std::nullopt, "All email links",
         "envelope"},
    };
    auto english = Localization::english();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary);
        EXPECT_EQ(c.matcher.kind(),
                  c.symbolName == "envelope" ? LinkScheme::Kind::mail : LinkScheme::Kind::web);
        EXPECT_EQ(c.matcher.host(), c.host);
        EXPECT_EQ(c.matcher.headline(english), c.headline);
        EXPECT_EQ(c.matcher.detail(english), c.detail);
        EXPECT_EQ(c.matcher.summary(english), c.summary);
        EXPECT_EQ(c.matcher.symbolName(), c.symbolName);
    }
}

TEST(LinkRuleMatcher, PresentationTextsAreLocalised) {
    Localization chinese("zh_CN");
    EXPECT_EQ(LinkRuleMatcher::exactURL("https://a.test").detail(chinese), "仅此一个链接");
    EXPECT_EQ(LinkRuleMatcher::domain("a.test", false).detail(chinese), "仅此网站");
    EXPECT_EQ(LinkRuleMatcher::domain("a.test", true).detail(chinese), "及其所有子域名");
    EXPECT_EQ(LinkRuleMatcher::domain("A.test", true).summary(chinese), "a.test 及其子域名");
    EXPECT_EQ(LinkRuleMatcher::pathPrefix("a.test", "/Docs").detail(chinese), "/docs 及其下级路径");
    EXPECT_EQ(LinkRuleMatcher::anyWebLink().headline(chinese), "所有网页链接");
    EXPECT_EQ(LinkRuleMatcher::mailDefault().summary(chinese), "所有邮件链接");
}

TEST(LinkRuleMatcher, CodesEachCaseAsItsKindAndKeepsStringsAsGiven) {
    const std::pair<LinkRuleMatcher, json> cases[] = {
        {LinkRuleMatcher::exactURL("https://Example.com/"),
         {{"kind", "url"}, {"url", "https://Example.com/"}}},
        {LinkRuleMatcher::domain(" Example.com.", true),
         {{"kind", "domain"}, {"domain", " Example.com."}, {"includingSubdomains", true}}},
        {LinkRuleMatcher::domain("a.test", false),
         {{"kind", "domain"}, {"domain", "a.test"}, {"includingSubdomains", false}}},
        {LinkRuleMatcher::pathPrefix("A.test", "Docs/"),
         {{"kind", "pathPrefix"}, {"domain", "A.test"}, {"path", "Docs/"}}},
        {LinkRuleMatcher::anyWebLink(), {{"kind", "anyWeb"}}},
        {LinkRuleMatcher::mailDefault(), {{"kind", "mailDefault"}}},
    };
    for (const auto& [matcher, coded] : cases) {
        EXPECT_EQ(json(matcher), coded);
        EXPECT_EQ(coded.get<LinkRuleMatcher>(), matcher) << coded;
    }
}

TEST(LinkRuleMatcher, DecodingIsStrictAboutKindAndRequiredKeys) {
    auto decoded = [](std::string_view text) { return json::parse(text).get<LinkRuleMatcher>(); };
    EXPECT_EQ(decoded(R"({"kind": "domain", "domain": "a.test"})"), LinkRuleMatcher::domain("a.test", false));
    EXPECT_EQ(decoded(R"({"kind": "domain", "domain": "a.test", "includingSubdomains": null})"),
              LinkRuleMatcher::domain("a.test", false));
    EXPECT_EQ(decoded(R"({"kind": "anyWeb", "url": 5, "extra": [1]})"), LinkRuleMatcher::anyWebLink());

    for (const char* text :
         {R"({"kind": "web"})", R"({"kind": "Domain", "domain": "a.test"})", R"({"kind": null})",
          R"({"kind": 1})", R"({"domain": "a.test"})", R"({"kind": "url"})",
          R"({"kind": "url", "url": null})", R"({"kind": "domain", "domain": 5})",
          R"({"kind": "domain", "domain": "a.test", "includingSubdomains": "true"})",
          R"({"kind": "domain", "domain": "a.test", "includingSubdomains": 1})",
          R"({"kind": "pathPrefix", "domain": "a.test"})",
          R"({"kind": "pathPrefix", "host": "a.test", "path": "/"})", R"(["anyWeb"])", R"("anyWeb")"}) {
        EXPECT_THROW((void)decoded(text), DecodingError) << text;
    }
}

}  // namespace
}  // namespace ferrywise
