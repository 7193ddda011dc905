#include "ferrywise/picker/LinkPickerModel.hpp"

#include <climits>

#include <gtest/gtest.h>

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

constexpr int none = -1;

DiscoveredApplication browser(const std::string& id,
                              ApplicationVariant variant = ApplicationVariant::normal()) {
    auto url = Url::fromFilePath("/usr/share/applications/" + id + ".desktop");
    return DiscoveredApplication(id, id, url, LinkScheme::Kind::web, std::move(variant));
}

// org.example.browser0 ... browser<count - 1>.
std::vector<DiscoveredApplication> browsers(int count) {
    std::vector<DiscoveredApplication> result;
    for (int i = 0; i < count; ++i) {
        result.push_back(browser("org.example.browser" + std::to_string(i)));
    }
    return result;
}

InterceptedLink linkTo(const Url& url) {
    return *InterceptedLink::make(url);
}

std::unique_ptr<LinkPickerModel> picker(std::string_view url,
                                        std::vector<DiscoveredApplication> candidates = browsers(3),
                                        std::optional<std::string> fallback = std::nullopt) {
    return std::make_unique<LinkPickerModel>(linkTo(*Url::parse(url)), std::move(candidates), std::nullopt, 0,
                                             false, std::move(fallback));
}

// The safety finding, how many tracking parameters processing removed (a negative count counts as none)
// and whether it resolved a short link.
TEST(LinkPickerModel, StatusPrefersTheWarningThenWhatProcessingDid) {
    auto suspicion = LinkSuspicion::looksLike("paypal.com");
    const std::optional<LinkSuspicion> clean;
    auto warning = LinkPickerStatus::warning(suspicion),
         removed = LinkPickerStatus::removedTrackingParameters(2),
         both = LinkPickerStatus::removedTrackingParametersAndResolvedShortLink(),
         resolved = LinkPickerStatus::resolvedShortLink(), safe = LinkPickerStatus::safe();
    const std::tuple<std::optional<LinkSuspicion>, int, bool, LinkPickerStatus> cases[] = {
        {suspicion, 3, true, warning}, {clean, 2, true, both},      {clean, 2, false, removed},
        {clean, 0, true, resolved},    {clean, -4, true, resolved}, {clean, -1, false, safe},
        {clean, 0, false, safe},
    };
    for (const auto& [found, count, resolvedShortLink, expected] : cases) {
        LinkPickerModel model(linkTo(*Url::parse("https://example.com")), browsers(1), found, count,
                              resolvedShortLink, std::nullopt);
        EXPECT_EQ(model.status(), expected) << count << " " << resolvedShortLink;
    }
}

// Only the exact id counts: not a persona of the same browser, not another case; of two equal ids the
// first one wins. From, by, wrapping, to: moving clamps at the ends or wraps round, and observers hear
// only real changes.
TEST(LinkPickerModel, HighlightStartsOnTheFallbackAndMovesClampedOrWrapping) {
    auto candidates = browsers(3);
    candidates.push_back(candidates[2]);
    auto persona = browser("org.example.browser1", ApplicationVariant::profile("Profile 1")).id();
    const std::string third = "org.example.browser2", missing = "org.example.missing",
                      upper = "ORG.EXAMPLE.BROWSER2";
    const std::pair<std::optional<std::string>, int> fallbacks[] = {
        {third, 2}, {std::nullopt, 0}, {missing, 0}, {persona, 0}, {upper, 0}};
    for (const auto& [fallback, expected] : fallbacks) {
        EXPECT_EQ(picker("https://example.com", candidates, fallback)->highlightedIndex().value(), expected)
            << fallback.value_or("none");
    }
    const std::tuple<int, int, bool, int> moves[] = {
        {0, -1, true, 2},       {0, 4, true, 1},        {0, 5, false, 2},      {0, -5, false, 0},
        {1, 1, false, 2},       {2, 1, true, 0},        {2, INT_MAX, true, 0}, {0, INT_MIN, true, 1},
        {1, INT_MAX, false, 2}, {1, INT_MIN, false, 0},
    };
    for (const auto& [from, delta, wrapping, expected] : moves) {
        auto model = picker("https://example.com", browsers(3), "org.example.browser" + std::to_string(from));
        std::vector<int> heard;
        boost::signals2::scoped_connection connection =
            model->highlightedIndex().observe([&](const int& index) { heard.push_back(index); });
        wrapping ? model->moveHighlightWrapping(delta) : model->moveHighlight(delta);
        EXPECT_EQ(model->highlightedIndex().value(), expected) << from << " " << wrapping << " " << delta;
        EXPECT_EQ(heard, from == expected ? std::vector<int>{} : std::vector<int>{expected});
    }
    auto empty = picker("https://example.com", {}, third);
    empty->moveHighlight(1);
    empty->moveHighlightWrapping(-1);
    EXPECT_EQ(empty->highlightedIndex().value(), 0);
}

// Digits of any script count by their value: Arabic-Indic three, full-width two, circled three.
TEST(LinkPickerModel, NumberShortcutsAndCandidatesByIndex) {
    auto three = picker("https://example.com");
    const std::pair<std::string_view, int> cases[] = {
        {"1", 0},     {"3", 2},     {"\u0663", 2},           {"\uFF12", 1},  {"\u2462", 2},
        {"4", none},  {"0", none},  {"\u00BD", none},        {"a", none},    {"", none},
        {"33", none}, {"-1", none}, {"3\uFE0F\u20E3", none}, {"\xFF", none},
    };
    for (const auto& [character, expected] : cases) {
        EXPECT_EQ(three->indexForShortcut(character).value_or(none), expected) << character;
    }
    EXPECT_EQ(three->indexForShortcut(U'\u0663'), 2);
    EXPECT_EQ(picker("https://example.com", browsers(12))->indexForShortcut("9"), 8);
    EXPECT_EQ(LinkPickerModel::shortcutLabel(0), "1");
    EXPECT_EQ(LinkPickerModel::shortcutLabel(8), "9");
    for (int index : {-1, 9, INT_MAX}) {
        EXPECT_EQ(LinkPickerModel::shortcutLabel(index), std::nullopt) << index;
    }
    EXPECT_EQ(three->application(2), three->candidates()[2]);
    for (int index : {-1, 3}) {
        EXPECT_EQ(three->application(index), std::nullopt) << index;
        EXPECT_EQ(three->choice(index, true), std::nullopt) << index;
    }
}

TEST(LinkPickerModel, RemembersTheWholeSiteOfAWebLink) {
    auto model = picker("https://Mail.Example.co.uk/inbox?x=1", browsers(2));
    auto site = LinkRuleMatcher::domain("example.co.uk", true);
    EXPECT_EQ(model->rememberedMatcher(), site);
    EXPECT_EQ(model->rememberSummary(Localization::english()), "example.co.uk");
    EXPECT_TRUE(site.matches(linkTo(*Url::parse("https://docs.example.co.uk/"))));
    EXPECT_EQ(model->choice(1, true), (LinkPickerChoice{model->candidates()[1], site}));
    EXPECT_EQ(model->choice(1, false), (LinkPickerChoice{model->candidates()[1], std::nullopt}));
}

TEST(LinkPickerModel, RemembersEveryMailLinkForAMailtoLinkAndNothingForAWebLinkWithoutHost) {
    auto mail = picker("mailto:someone@example.com?subject=Hi", browsers(1));
    EXPECT_EQ(mail->choice(0, true)->rememberedMatcher, LinkRuleMatcher::mailDefault());
    EXPECT_EQ(mail->rememberSummary(Localization::english()), "all email links");
    EXPECT_EQ(mail->rememberSummary(Localization("zh_CN")), "所有邮件链接");

    testing::TemporaryFolder folder;
    auto page =
        picker(Url::fromFilePath(folder.write("page.html", "<html></html>")).absoluteString(), browsers(2));
    EXPECT_FALSE(page->canRemember());
    EXPECT_EQ(page->rememberSummary(Localization::english()), std::nullopt);
    EXPECT_EQ(page->choice(0, true), (LinkPickerChoice{page->candidates()[0], std::nullopt}));
}

TEST(LinkPickerModel, ShowsBothFormsOfAnInternationalisedHostAndTheLinkAsReceived) {
    auto international = picker("https://WWW.XN--MNCHEN-3YA.de/Stadt", browsers(1));
    EXPECT_EQ(international->hostForms(),
              (InterceptedLink::HostForms{"www.m\u00FCnchen.de", "www.xn--mnchen-3ya.de"}));
    EXPECT_EQ(international->linkDisplayText(), "https://WWW.XN--MNCHEN-3YA.de/Stadt");
    EXPECT_EQ(picker("https://www.muenchen.de/", browsers(1))->hostForms(), std::nullopt);
    EXPECT_EQ(picker("mailto:someone@example.com", browsers(1))->hostForms(), std::nullopt);
}

// The maximum asked for and the candidates available; how many the ring keeps (the first ones, 4 to 10).
TEST(LinkPickerModel, RingKeepsTheFirstFourToTenCandidates) {
    const std::tuple<int, int, std::size_t, bool> cases[] = {
        {2, 6, 4, true}, {20, 12, 10, true}, {8, 8, 8, false}, {8, 3, 3, false}, {INT_MIN, 5, 4, true}};
    for (const auto& [maximum, available, kept, hasOverflow] : cases) {
        auto candidates = browsers(available);
        auto ring = LinkPickerModel::ringCandidates(candidates, maximum);
        EXPECT_EQ(ring.hasOverflow, hasOverflow) << maximum << " of " << available;
        EXPECT_EQ(ring.candidates, std::vector(candidates.begin(), candidates.begin() + kept))
            << maximum << " of " << available;
    }
}

}  // namespace
}  // namespace ferrywise
