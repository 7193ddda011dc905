#include "ferrywise/link/LinkScheme.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"
#include "ferrywise/link/LinkSource.hpp"

#include "support/FakeWorkspace.hpp"

namespace ferrywise {
namespace {

std::optional<LinkScheme> schemeOf(std::string_view text) {
    return LinkScheme::fromUrl(*Url::parse(text));
}

TEST(LinkScheme, FromUrlLowerCasesTheSchemeAndRefusesOthers) {
    EXPECT_EQ(schemeOf("HTTP://example.com"), LinkScheme::http);
    EXPECT_EQ(schemeOf("HtTpS://example.com"), LinkScheme::https);
    EXPECT_EQ(schemeOf("MAILTO:a@example.com"), LinkScheme::mailto);
    for (auto text : {"ftp://example.com", "file:///tmp/a.txt", "example.com/path", "//example.com",
                      "httpss://a", "x-webdoc://a"}) {
        EXPECT_EQ(schemeOf(text), std::nullopt) << text;
    }
}

TEST(LinkScheme, RawValuesAreExactAndOrdered) {
    EXPECT_EQ(LinkScheme::fromRawValue("https"), LinkScheme::https);
    EXPECT_EQ(LinkScheme::fromRawValue("HTTPS"), std::nullopt);
    EXPECT_EQ(LinkScheme::fromRawValue(""), std::nullopt);
    std::vector<std::string_view> raw;
    for (auto scheme : LinkScheme::allCases()) {
        raw.push_back(scheme.rawValue());
    }
    EXPECT_EQ(raw, (std::vector<std::string_view>{"http", "https", "mailto"}));
}

TEST(LinkScheme, KindsAndProbeUrls) {
    EXPECT_EQ(LinkScheme(LinkScheme::http).kind(), LinkScheme::Kind::web);
    EXPECT_EQ(LinkScheme(LinkScheme::https).kind(), LinkScheme::Kind::web);
    EXPECT_EQ(LinkScheme(LinkScheme::mailto).kind(), LinkScheme::Kind::mail);
    for (auto scheme : LinkScheme::allCases()) {
        // The probe must come back as its own scheme, or registry lookups would ask for the wrong one.
        EXPECT_EQ(LinkScheme::fromUrl(scheme.probeUrl()), scheme);
        auto text = std::string(scheme.probeUrl().absoluteString());
        EXPECT_NE(text.find("example.com"), std::string::npos) << text;
    }
    EXPECT_EQ(LinkScheme(LinkScheme::mailto).probeUrl().host(), std::nullopt);
}

TEST(LinkSchemeKind, PresentationAndLocalisation) {
    LinkScheme::Kind web = LinkScheme::Kind::web;
    LinkScheme::Kind mail = LinkScheme::Kind::mail;
    EXPECT_EQ(web.schemes(), (std::vector<LinkScheme>{LinkScheme::http, LinkScheme::https}));
    EXPECT_EQ(mail.schemes(), (std::vector<LinkScheme>{LinkScheme::mailto}));
    EXPECT_EQ(LinkScheme::Kind::allCases()[0], LinkScheme::Kind::web);
    EXPECT_EQ(LinkScheme::Kind::allCases()[1], LinkScheme::Kind::mail);
    EXPECT_EQ(web.symbolName(), "globe");
    EXPECT_EQ(mail.symbolName(), "envelope");

    auto english = Localization::english();
    EXPECT_EQ(web.displayName(english), "Web links");
    EXPECT_EQ(mail.displayName(english), "Email links");
    EXPECT_EQ(web.shortName(english), "Web");
    EXPECT_EQ(mail.shortName(english), "Email");

    Localization chinese("zh_CN.UTF-8");
    EXPECT_EQ(web.displayName(chinese), "网页链接");
    EXPECT_EQ(mail.shortName(chinese), "邮件");
}

TEST(LinkSchemeKind, CodesAsItsRawValue) {
    EXPECT_EQ(nlohmann::json(LinkScheme::Kind(LinkScheme::Kind::mail)), "mail");
    EXPECT_EQ(nlohmann::json("web").get<LinkScheme::Kind>(), LinkScheme::Kind::web);
    EXPECT_THROW((void)nlohmann::json("Web").get<LinkScheme::Kind>(), DecodingError);
    EXPECT_THROW((void)nlohmann::json(1).get<LinkScheme::Kind>(), DecodingError);
    EXPECT_EQ(LinkScheme::Kind::fromRawValue("mail"), LinkScheme::Kind::mail);
    EXPECT_EQ(LinkScheme::Kind::fromRawValue("MAIL"), std::nullopt);
}

TEST(LinkSource, MakeRefusesMissingEmptyOrExcludedIdentifiers) {
    EXPECT_EQ(LinkSource::make(std::nullopt, "Name", std::nullopt), std::nullopt);
    EXPECT_EQ(LinkSource::make("", "Name", std::nullopt), std::nullopt);
    EXPECT_EQ(LinkSource::make("app.velmora.Velmora", "Velmora", "app.velmora.Velmora"), std::nullopt);

    auto differentCase = LinkSource::make("App.Velmora.Velmora", "Other", "app.velmora.Velmora");
    ASSERT_TRUE(differentCase);
    EXPECT_EQ(differentCase->bundleIdentifier(), "App.Velmora.Velmora");
}

TEST(LinkSource, NameFallsBackToTheBundleIdentifier) {
    EXPECT_EQ(LinkSource::make("org.gnome.Evolution", "", std::nullopt)->name(), "org.gnome.Evolution");
    EXPECT_EQ(LinkSource::make("org.gnome.Evolution", std::nullopt, std::nullopt)->name(),
              "org.gnome.Evolution");
    EXPECT_EQ(LinkSource::make("org.gnome.Evolution", "Evolution", std::nullopt)->name(), "Evolution");
    // Equality is exact over both fields.
    EXPECT_NE(LinkSource::make("a", "A", std::nullopt), LinkSource::make("a", "a", std::nullopt));
}

TEST(LinkSource, FrontmostReadsTheWorkspaceAndSkipsTheRouter) {
    testing::FakeWorkspace workspace;
    EXPECT_EQ(LinkSource::frontmost(workspace, "app.velmora.Velmora"), std::nullopt);

    workspace.setFrontmost(RunningApplication{"org.gnome.Evolution", "Evolution", std::nullopt});
    auto source = LinkSource::frontmost(workspace, "app.velmora.Velmora");
    ASSERT_TRUE(source);
    EXPECT_EQ(source->bundleIdentifier(), "org.gnome.Evolution");
    EXPECT_EQ(source->name(), "Evolution");

    workspace.setFrontmost(RunningApplication{"app.velmora.Velmora", "Velmora", std::nullopt});
    EXPECT_EQ(LinkSource::frontmost(workspace, "app.velmora.Velmora"), std::nullopt);

    workspace.setFrontmost(RunningApplication{std::nullopt, "Nameless", std::nullopt});
    EXPECT_EQ(LinkSource::frontmost(workspace, std::nullopt), std::nullopt);
}

}  // namespace
}  // namespace ferrywise
