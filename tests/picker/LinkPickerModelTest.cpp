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

InterceptedLink linkTo(std::string_view url) {
    return *InterceptedLink::make(*Url::parse(url));
}

std::unique_ptr<LinkPickerModel> picker(std::string_view url, std::vector<DiscoveredApplication> candidates,
                                        std::optional<std::string> fallback = std::nullopt) {
    return std::make_unique<LinkPickerModel>(linkTo(url), std::move(candidates), std::nullopt, 0, false,
                                             std::move(fallback));
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
        LinkPickerModel model(linkTo("https://example.com"), browsers(1), found, count, resolvedShortLink,
                              std::nullopt);
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
        EXPECT_EQ(picker("https://example.com", candidates, fallback)->highlightedIndex().value(), expected)
            << fallback.value_or("none");
    }
    const std::tuple<int, int, bool, int> moves[] = {
        {0, 1, false, 1}, {0, -5, false, 0}, {1, INT_MAX, false, 2}, {1, INT_MIN, false, 0},
        {2, 1, true, 0},  {0, -1, true, 2},  {2, INT_MAX, true, 0},  {0, INT_MIN, true, 1},
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
    auto empty = picker("https://example.com", {});
    empty->moveHighlight(1);
    empty->moveHighlightWrapping(-1);
    EXPECT_EQ(empty->highlightedIndex().value(), 0);
}

// Digits of any script count by their value (Arabic-Indic three); a fraction, a keycap sequence or a
// number beyond the nine shortcuts selects nothing.
TEST(LinkPickerModel, NumberShortcutsSelectTheFirstNineCandidates) {
    auto three = picker("https://example.com", browsers(3));
    const std::pair<std::string_view, int> cases[] = {
        {"1", 0},   {"\u0663", 2},           {"4", none},    {"0", none}, {"\u00BD", none}, {"a", none},
        {"", none}, {"3\uFE0F\u20E3", none}, {"\xFF", none},
    };
    for (const auto& [character, expected] : cases) {
        EXPECT_EQ(three->indexForShortcut(character).value_or(none), expected) << character;
    }
    auto twelve = picker("https://example.com", browsers(12));
    EXPECT_EQ(twelve->indexForShortcut("9"), 8);
    EXPECT_EQ(twelve->indexForShortcut("\u2469"), std::nullopt);  // circled ten
    EXPECT_EQ(LinkPickerModel::shortcutLabel(8), "9");
    EXPECT_EQ(LinkPickerModel::shortcutLabel(9), std::nullopt);
    EXPECT_EQ(LinkPickerModel::shortcutLabel(-1), std::nullopt);
    EXPECT_EQ(three->choice(-1, false), std::nullopt);
    EXPECT_EQ(three->choice(3, false), std::nullopt);
}

// A web link remembers its whole site (the registrable domain with its subdomains); a mailto link every mail
// link; a local file nothing.
TEST(LinkPickerModel, RemembersTheWholeSiteEveryMailLinkOrNothingWithoutAHost) {
    auto web = picker("https://Mail.Example.co.uk/inbox?x=1", browsers(2));
    auto site = LinkRuleMatcher::domain("example.co.uk", true);
    EXPECT_EQ(web->choice(1, true), (LinkPickerChoice{web->candidates()[1], site}));
    EXPECT_EQ(web->choice(1, false), (LinkPickerChoice{web->candidates()[1], std::nullopt}));
    EXPECT_EQ(web->rememberSummary(Localization::english()), "example.co.uk");

    auto mail = picker("mailto:someone@example.com?subject=Hi", browsers(1));
    EXPECT_EQ(mail->choice(0, true)->rememberedMatcher, LinkRuleMatcher::mailDefault());
    EXPECT_EQ(mail->rememberSummary(Localization::english()), "all email links");
    EXPECT_EQ(mail->rememberSummary(Localization("zh_CN")), "所有邮件链接");

    testing::TemporaryFolder folder;
    auto page = picker(Url::fromFilePath(folder.write("page.html", "")).absoluteString(), browsers(1));
    EXPECT_EQ(page->choice(0, true), (LinkPickerChoice{page->candidates()[0], std::nullopt}));
    EXPECT_EQ(page->rememberSummary(Localization::english()), std::nullopt);
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
