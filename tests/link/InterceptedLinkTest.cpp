#include "ferrywise/link/InterceptedLink.hpp"

#include <tuple>
#include <utility>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"

#include "support/FakeWorkspace.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;

std::optional<InterceptedLink> linkFor(std::string_view text) {
    return InterceptedLink::make(Url::parse(text).value());
}

TEST(InterceptedLink, AcceptsWebAndMailSchemesInAnyCaseKeepingTheUrlAsReceived) {
    EXPECT_EQ(linkFor("HTTP://Example.com/Path?q=1")->url().absoluteString(), "HTTP://Example.com/Path?q=1");
    EXPECT_EQ(linkFor("HtTpS://example.com")->scheme(), LinkScheme::https);
    EXPECT_EQ(linkFor("MAILTO:a@example.com")->scheme(), LinkScheme::mailto);
    for (auto text : {"ftp://example.com/", "example.com", "httpss://a", "file:///etc/passwd"}) {
        EXPECT_EQ(linkFor(text), std::nullopt) << text;
    }
}

TEST(InterceptedLink, OnlyExistingRegularHtmlFilesOnThisHostBecomeHttpsLinks) {
    testing::TemporaryFolder folder;
    auto page = Url::fromFilePath(folder.write("page.html", "<html></html>"));
    EXPECT_EQ(InterceptedLink::make(page)->scheme(), LinkScheme::https);

    folder.write("UPPER.HTML", "");
    folder.write("page.htm", "");
    fs::create_symlink(folder.path() / "page.html", folder.path() / "alias.html");
    using File = std::tuple<const char*, const char*, bool>;
    for (const auto& [name, host, accepted] :
         {File{"UPPER.HTML", "", true}, File{"page.html", "LOCALHOST", true},
          File{"page.html", "otherhost", false}, File{"page.htm", "", false}, File{"missing.html", "", false},
          File{"alias.html", "", false}}) {
        auto path = std::string(Url::fromFilePath(folder.path() / name).encodedPath());
        auto url = Url::parse("file://" + std::string(host) + path).value();
        EXPECT_EQ(InterceptedLink::make(url).has_value(), accepted) << name << " on " << host;
    }
}

TEST(InterceptedLink, HostIsLowerCasedAndDisplaySummaryShowsItOrTheMailAddress) {
    using Summary = std::tuple<const char*, std::optional<std::string>, const char*>;
    for (const auto& [url, host, display] :
         {Summary{"https://WWW.Example.com/a/b?c=d", "www.example.com", "www.example.com"},
          Summary{"https:///nohost", std::nullopt, "https:///nohost"},
          // Only the exact lower-case prefix text is removed, wherever it occurs.
          Summary{"mailto:a@example.com?body=mailto:b", std::nullopt, "a@example.com?body=b"},
          Summary{"MAILTO:a@example.com", std::nullopt, "MAILTO:a@example.com"}}) {
        EXPECT_EQ(linkFor(url)->host(), host) << url;
        EXPECT_EQ(linkFor(url)->displaySummary(), display) << url;
    }
}

TEST(InterceptedLink, LogSummaryNeverCarriesAMailbox) {
    // Without a domain after the last "@" the only text is a mailbox ("user@", "a@,bob"), which must stay
    // out of the log.
    for (auto url : {"mailto:", "mailto:?subject=x@example.com", "mailto:someone", "mailto:user@",
                     "mailto:a@example.com,other@", "mailto:a@,bob", "mailto:a%40%3Bbob"}) {
        EXPECT_EQ(linkFor(url)->logSummary(), "mailto:(no recipient)") << url;
    }
    using Summary = std::pair<const char*, const char*>;
    for (const auto& [url, expected] :
         {Summary{"mailto:a@one.example,b@two.example", "mailto:\u2026@two.example"},
          // Recipients are decoded first: an encoded or ";" separator never lets a mailbox through.
          Summary{"mailto:a@example.com%2Cbob%40private.org", "mailto:\u2026@private.org"},
          Summary{"mailto:a@example.com;bob", "mailto:\u2026@example.com"},
          Summary{"mailto:a@example.com%20(Bob%20Smith)", "mailto:\u2026@example.com"},
          // Control characters would break or forge log lines.
          Summary{"mailto:a@evil%0Aforged.example", "mailto:\u2026@evil"},
          Summary{"mailto:a@evil%C2%85x%E2%80%A8y.example", "mailto:\u2026@evil%C2%85x%E2%80%A8y.example"},
          Summary{"https://a%0Ab.example/", "a%0Ab.example"}, Summary{"https:///a", "(no host)"}}) {
        EXPECT_EQ(linkFor(url)->logSummary(), expected) << url;
    }
}

TEST(LinkSchemeKind, NamesAreLocalisedAndOnlyTheExactRawValueIsRead) {
    Localization chinese("zh_CN.UTF-8");
    EXPECT_EQ(LinkScheme::Kind(LinkScheme::Kind::web).displayName(chinese), "网页链接");
    EXPECT_EQ(LinkScheme::Kind(LinkScheme::Kind::mail).shortName(chinese), "邮件");
    EXPECT_THROW((void)nlohmann::json("Web").get<LinkScheme::Kind>(), DecodingError);
    EXPECT_THROW((void)nlohmann::json(1).get<LinkScheme::Kind>(), DecodingError);
}

TEST(LinkSource, NeedsAnIdentifierOtherThanTheRoutersAndFallsBackToItForAName) {
    EXPECT_EQ(LinkSource::make(std::nullopt, "Name", std::nullopt), std::nullopt);
    EXPECT_EQ(LinkSource::make("", "Name", std::nullopt), std::nullopt);
    EXPECT_EQ(LinkSource::make("app.velmora.Velmora", "Velmora", "app.velmora.Velmora"), std::nullopt);
    EXPECT_EQ(LinkSource::make("App.Velmora.Velmora", "", "app.velmora.Velmora")->name(),
              "App.Velmora.Velmora");

    testing::FakeWorkspace workspace;
    EXPECT_EQ(LinkSource::frontmost(workspace, "app.velmora.Velmora"), std::nullopt);
}

}  // namespace
}  // namespace ferrywise
