#include "ferrywise/picker/LinkPickerModel.hpp"

#include <climits>

#include <gtest/gtest.h>

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

constexpr int none = -1;

// org.example.browser0 ... browser<count - 1>.
std::vector<DiscoveredApplication> browsers(int count) {
    std::vector<DiscoveredApplication> result;
    for (int i = 0; i < count; ++i) {
        auto id = "org.example.browser" + std::to_string(i);
        auto url = Url::fromFilePath("/usr/share/applications/" + id + ".desktop");
        result.emplace_back(id, id, url, LinkScheme::Kind::web, ApplicationVariant::normal());
    }
    return result;
}

// A picker for `url` (a web link unless given) over `candidates`, highlighting `fallback` first.
std::unique_ptr<LinkPickerModel> picker(std::vector<DiscoveredApplication> candidates,
                                        std::optional<std::string> fallback = std::nullopt,
                                        std::string_view url = "https://example.com") {
    return std::make_unique<LinkPickerModel>(*InterceptedLink::make(*Url::parse(url)), std::move(candidates),
                                             std::nullopt, 0, false, std::move(fallback));
}

// The safety finding, how many tracking parameters processing removed (a negative count counts as none)
// and whether it resolved a short link.
TEST(LinkPickerModel, StatusPrefersTheWarningThenWhatProcessingDid) {
    auto suspicion = LinkSuspicion::looksLike("paypal.com");
    const std::tuple<std::optional<LinkSuspicion>, int, bool, LinkPickerStatus> cases[] = {
        {suspicion, 3, true, LinkPickerStatus::warning(suspicion)},
        {std::nullopt, 2, true, LinkPickerStatus::removedTrackingParametersAndResolvedShortLink()},
        {std::nullopt, 2, false, LinkPickerStatus::removedTrackingParameters(2)},
        {std::nullopt, -4, true, LinkPickerStatus::resolvedShortLink()},
        {std::nullopt, 0, false, LinkPickerStatus::safe()},
    };
    for (const auto& [found, count, resolvedShortLink, expected] : cases) {
        LinkPickerModel model(*InterceptedLink::make(*Url::parse("https://example.com")), browsers(1), found,
                              count, resolvedShortLink, std::nullopt);
        EXPECT_EQ(model.status(), expected) << count << " " << resolvedShortLink;
    }
}

// Only the exact id counts, and of two equal ids the first one. From, by, wrapping, to: moving clamps at
// the ends or wraps round, also by the largest steps, and observers hear only real changes.
TEST(LinkPickerModel, HighlightStartsOnTheFallbackAndMovesClampedOrWrapping) {
    auto candidates = browsers(3);
    candidates.push_back(candidates[2]);
    const std::pair<std::optional<std::string>, int> fallbacks[] = {
        {"org.example.browser2", 2}, {std::nullopt, 0}, {"org.example.missing", 0}};
    for (const auto& [fallback, expected] : fallbacks) {
        EXPECT_EQ(picker(candidates, fallback)->highlightedIndex().value(), expected)
            << fallback.value_or("-");
    }
    const std::tuple<int, int, bool, int> moves[] = {
        {0, 1, false, 1}, {0, -5, false, 0}, {1, INT_MAX, false, 2}, {1, INT_MIN, false, 0},
        {2, 1, true, 0},  {0, -1, true, 2},  {2, INT_MAX, true, 0},  {0, INT_MIN, true, 1},
    };
    for (const auto& [from, delta, wrapping, expected] : moves) {
        auto model = picker(browsers(3), "org.example.browser" + std::to_string(from));
        std::vector<int> heard;
        boost::signals2::scoped_connection connection =
            model->highlightedIndex().observe([&](const int& index) { heard.push_back(index); });
        wrapping ? model->moveHighlightWrapping(delta) : model->moveHighlight(delta);
        EXPECT_EQ(model->highlightedIndex().value(), expected) << from << " " << wrapping << " " << delta;
        EXPECT_EQ(heard, from == expected ? std::vector<int>{} : std::vector<int>{expected});
    }
    auto empty = picker({});
    empty->moveHighlight(1);
    empty->moveHighlightWrapping(-1);
    EXPECT_EQ(empty->highlightedIndex().value(), 0);
}

// Digits of any script count by their value (Arabic-Indic three); a fraction, a keycap sequence or a
// number beyond the nine shortcuts (circled ten) selects nothing.
TEST(LinkPickerModel, NumberShortcutsSelectTheFirstNineCandidates) {
    // How many candidates, the character typed, the index it selects.
    const std::tuple<int, std::string_view, int> cases[] = {
        {3, "1", 0},         {3, "\u0663", 2}, {3, "4", none},       {3, "0", none},
        {3, "\u00BD", none}, {3, "a", none},   {3, "", none},        {3, "3\uFE0F\u20E3", none},
        {3, "\xFF", none},   {12, "9", 8},     {12, "\u2469", none},
    };
    for (const auto& [count, character, expected] : cases) {
        EXPECT_EQ(picker(browsers(count))->indexForShortcut(character).value_or(none), expected) << character;
    }
    EXPECT_EQ(LinkPickerModel::shortcutLabel(8), "9");
    EXPECT_EQ(LinkPickerModel::shortcutLabel(9), std::nullopt);
    EXPECT_EQ(LinkPickerModel::shortcutLabel(-1), std::nullopt);
}

// A web link remembers its whole site (the registrable domain with its subdomains); a mailto link every mail
// link; a local file nothing. No candidate outside the list is chosen.
TEST(LinkPickerModel, RemembersTheWholeSiteEveryMailLinkOrNothingWithoutAHost) {
    testing::TemporaryFolder folder;
    const std::tuple<std::string, std::optional<LinkRuleMatcher>, std::optional<std::string>> cases[] = {
        {"https://Mail.Example.co.uk/inbox?x=1", LinkRuleMatcher::domain("example.co.uk", true),
         "example.co.uk"},
        {"mailto:someone@example.com?subject=Hi", LinkRuleMatcher::mailDefault(), "all email links"},
        {std::string(Url::fromFilePath(folder.write("page.html", "")).absoluteString()), std::nullopt,
         std::nullopt}};
    for (const auto& [url, remembered, summary] : cases) {
        auto model = picker(browsers(2), std::nullopt, url);
        EXPECT_EQ(model->choice(1, true), (LinkPickerChoice{model->candidates()[1], remembered})) << url;
        EXPECT_EQ(model->choice(1, false), (LinkPickerChoice{model->candidates()[1], std::nullopt})) << url;
        EXPECT_EQ(model->rememberSummary(Localization::english()), summary) << url;
        EXPECT_EQ(model->choice(-1, false), std::nullopt);
        EXPECT_EQ(model->choice(2, true), std::nullopt);
    }
    auto mail = picker(browsers(1), std::nullopt, "mailto:a@example.com");
    EXPECT_EQ(mail->rememberSummary(Localization("zh_CN")), "所有邮件链接");
}

// The maximum asked for and the candidates available; how many the ring keeps (the first ones, 4 to 10).
TEST(LinkPickerModel, RingKeepsTheFirstFourToTenCandidates) {
    const std::tuple<int, int, std::size_t, bool> cases[] = {
        {2, 6, 4, true}, {20, 12, 10, true}, {8, 8, 8, false}, {8, 3, 3, false}};
    for (const auto& [maximum, available, kept, hasOverflow] : cases) {
        auto candidates = browsers(available);
        EXPECT_EQ(LinkPickerModel::ringCandidates(candidates, maximum),
                  (RingPickerCandidateSet{{candidates.begin(), candidates.begin() + kept}, hasOverflow}))
            << maximum << " of " << available;
    }
}

}  // namespace
}  // namespace ferrywise
