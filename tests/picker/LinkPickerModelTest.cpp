#include "ferrywise/picker/LinkPickerModel.hpp"

#include <climits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"
#include "ferrywise/picker/PickerPresentationStyle.hpp"

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

DiscoveredApplication browser(const std::string& bundleIdentifier,
                              ApplicationVariant variant = ApplicationVariant::normal()) {
    auto url = Url::fromFilePath("/usr/share/applications/" + bundleIdentifier + ".desktop");
    return DiscoveredApplication(bundleIdentifier, bundleIdentifier, url, LinkScheme::Kind::web,
                                 std::move(variant));
}

std::vector<DiscoveredApplication> browsers(int count) {
    std::vector<DiscoveredApplication> result;
    for (int i = 0; i < count; ++i) {
        result.push_back(browser("org.example.browser" + std::to_string(i)));
    }
    return result;
}

InterceptedLink linkTo(std::string_view text) {
    return *InterceptedLink::make(*Url::parse(text));
}

struct Picker {
    explicit Picker(int candidates, std::string_view url = "https://www.example.com/a",
                    std::optional<std::string> fallback = std::nullopt)
        : model(linkTo(url), browsers(candidates), std::nullopt, 0, false, std::move(fallback)) {}
    LinkPickerModel model;
};

TEST(PickerPresentationStyle, RawValuesCasesAndJson) {
    EXPECT_EQ(PickerPresentationStyle::allCases()[0], PickerPresentationStyle::classic);
    EXPECT_EQ(PickerPresentationStyle::allCases()[1], PickerPresentationStyle::ring);
    for (auto style : PickerPresentationStyle::allCases()) {
        EXPECT_EQ(style.id(), style.rawValue());
        EXPECT_EQ(PickerPresentationStyle::fromRawValue(style.rawValue()), style);
        nlohmann::json json = style;
        EXPECT_EQ(json, std::string(style.rawValue()));
        EXPECT_EQ(json.get<PickerPresentationStyle>(), style);
    }
    EXPECT_EQ(PickerPresentationStyle(PickerPresentationStyle::ring).rawValue(), "ring");
    EXPECT_EQ(PickerPresentationStyle::fromRawValue("Ring"), std::nullopt);
    EXPECT_THROW((void)nlohmann::json("Ring").get<PickerPresentationStyle>(), DecodingError);
    EXPECT_THROW((void)nlohmann::json(1).get<PickerPresentationStyle>(), DecodingError);
}

TEST(LinkPickerModel, StatusPrefersTheWarningThenWhatProcessingDid) {
    auto suspicion = LinkSuspicion::looksLike("paypal.com");
    struct Case {
        std::optional<LinkSuspicion> suspicion;
        int removed;
        bool resolved;
        LinkPickerStatus expected;
    } cases[] = {
        {suspicion, 3, true, LinkPickerStatus::warning(suspicion)},
        {std::nullopt, 2, true, LinkPickerStatus::removedTrackingParametersAndResolvedShortLink()},
        {std::nullopt, 2, false, LinkPickerStatus::removedTrackingParameters(2)},
        {std::nullopt, 0, true, LinkPickerStatus::resolvedShortLink()},
        {std::nullopt, -4, true, LinkPickerStatus::resolvedShortLink()},
        {std::nullopt, -1, false, LinkPickerStatus::safe()},
        {std::nullopt, 0, false, LinkPickerStatus::safe()},
    };
    for (const auto& c : cases) {
        LinkPickerModel model(linkTo("https://example.com"), browsers(1), c.suspicion, c.removed, c.resolved,
                              std::nullopt);
        EXPECT_EQ(model.status(), c.expected) << c.removed << " " << c.resolved;
    }
    EXPECT_EQ(LinkPickerStatus::removedTrackingParameters(2).count(), 2);
    EXPECT_EQ(LinkPickerStatus::warning(suspicion).suspicion(), suspicion);
    EXPECT_EQ(LinkPickerStatus::safe().count(), std::nullopt);
}

TEST(LinkPickerModel, HighlightStartsOnTheFallback) {
    auto candidates = browsers(3);
    candidates.push_back(candidates[2]);  // a duplicate id: the first one wins
    auto third = candidates[2].id();
    auto persona = browser("org.example.browser1", ApplicationVariant::profile("Profile 1")).id();
    for (auto [fallback, expected] : {std::pair<std::optional<std::string>, int>{third, 2},
                                      {std::nullopt, 0},
                                      {"org.example.missing", 0},
                                      {persona, 0},
                                      {"ORG.EXAMPLE.BROWSER2", 0}}) {
        LinkPickerModel model(linkTo("https://example.com"), candidates, std::nullopt, 0, false, fallback);
        EXPECT_EQ(model.highlightedIndex().value(), expected) << fallback.value_or("(none)");
    }
    EXPECT_EQ(Picker(0, "https://example.com", third).model.highlightedIndex().value(), 0);
}

TEST(LinkPickerModel, MovingTheHighlightClampsOrWraps) {
    struct Case {
        int from;
        int delta;
        bool wrapping;
        int expected;
    } cases[] = {
        {0, -1, true, 2},       {0, 4, true, 1},        {0, 5, false, 2},      {0, -5, false, 0},
        {1, 1, false, 2},       {2, 1, true, 0},        {2, INT_MAX, true, 0}, {0, INT_MIN, true, 1},
        {1, INT_MAX, false, 2}, {1, INT_MIN, false, 0},
    };
    for (const auto& c : cases) {
        Picker picker(3, "https://example.com", "org.example.browser" + std::to_string(c.from));
        ASSERT_EQ(picker.model.highlightedIndex().value(), c.from);
        c.wrapping ? picker.model.moveHighlightWrapping(c.delta) : picker.model.moveHighlight(c.delta);
        EXPECT_EQ(picker.model.highlightedIndex().value(), c.expected)
            << c.from << (c.wrapping ? " wrapping by " : " by ") << c.delta;
    }
    Picker empty(0);
    empty.model.moveHighlight(1);
    empty.model.moveHighlightWrapping(-1);
    EXPECT_EQ(empty.model.highlightedIndex().value(), 0);
    EXPECT_TRUE(empty.model.isEmpty());
}

TEST(LinkPickerModel, ObserversHearHighlightChangesOnly) {
    Picker picker(3);
    std::vector<int> heard;
    boost::signals2::scoped_connection connection =
        picker.model.highlightedIndex().observe([&](const int& index) { heard.push_back(index); });
    picker.model.moveHighlight(-1);  // already at the top
    picker.model.moveHighlight(1);
    picker.model.moveHighlightWrapping(3);  // a full turn
    picker.model.moveHighlightWrapping(-2);
    EXPECT_EQ(heard, (std::vector<int>{1, 2}));
}

TEST(LinkPickerModel, NumberShortcuts) {
    Picker three(3);
    // Digits of any script count by value: Arabic-Indic three, full-width two, circled three.
    for (auto [character, expected] :
         {std::pair<std::string_view, int>{"1", 0}, {"3", 2}, {"\u0663", 2}, {"\uFF12", 1}, {"\u2462", 2}}) {
        EXPECT_EQ(three.model.indexForShortcut(character), expected) << character;
    }
    for (std::string_view character : {"4", "0", "\u00BD", "a", "", "33", "-1", "3\uFE0F\u20E3", "\xFF"}) {
        EXPECT_EQ(three.model.indexForShortcut(character), std::nullopt) << character;
    }
    EXPECT_EQ(three.model.indexForShortcut(U'\u0663'), 2);

    EXPECT_EQ(Picker(12).model.indexForShortcut("9"), 8);
    for (int index = -1; index < 12; ++index) {
        auto expected = index >= 0 && index < 9 ? std::optional(std::to_string(index + 1)) : std::nullopt;
        EXPECT_EQ(LinkPickerModel::shortcutLabel(index), expected) << index;
    }
}

TEST(LinkPickerModel, CandidatesByIndex) {
    Picker picker(3);
    EXPECT_EQ(picker.model.application(2), picker.model.candidates()[2]);
    EXPECT_EQ(picker.model.application(3), std::nullopt);
    EXPECT_EQ(picker.model.application(-1), std::nullopt);
    EXPECT_EQ(picker.model.choice(3, false), std::nullopt);
    EXPECT_EQ(picker.model.choice(-1, true), std::nullopt);
    EXPECT_FALSE(picker.model.isEmpty());
}

TEST(LinkPickerModel, RemembersTheWholeSiteOfAWebLink) {
    Picker picker(2, "https://Mail.Example.co.uk/inbox?x=1");
    auto site = LinkRuleMatcher::domain("example.co.uk", true);
    EXPECT_EQ(picker.model.rememberedMatcher(), site);
    EXPECT_TRUE(picker.model.canRemember());
    EXPECT_EQ(picker.model.rememberSummary(Localization::english()), "example.co.uk");
    EXPECT_TRUE(site.matches(linkTo("https://docs.example.co.uk/")));

    EXPECT_EQ(picker.model.choice(1, true), (LinkPickerChoice{picker.model.candidates()[1], site}));
    EXPECT_EQ(picker.model.choice(1, false), (LinkPickerChoice{picker.model.candidates()[1], std::nullopt}));

    // Holding Command remembers without touching the toggle.
    EXPECT_FALSE(picker.model.isRemembering());
    picker.model.isHoldingCommand().set(true);
    EXPECT_TRUE(picker.model.isRemembering());
    EXPECT_FALSE(picker.model.remembersChoice().value());
    picker.model.isHoldingCommand().set(false);
    picker.model.remembersChoice().set(true);
    EXPECT_TRUE(picker.model.isRemembering());
}

TEST(LinkPickerModel, RemembersEveryMailLinkForAMailtoLink) {
    Picker picker(1, "mailto:someone@example.com?subject=Hi");
    EXPECT_EQ(picker.model.rememberedMatcher(), LinkRuleMatcher::mailDefault());
    EXPECT_EQ(picker.model.choice(0, true)->rememberedMatcher, LinkRuleMatcher::mailDefault());
    EXPECT_EQ(picker.model.rememberSummary(Localization::english()), "all email links");
    EXPECT_EQ(picker.model.rememberSummary(Localization("zh_CN")), "所有邮件链接");
    EXPECT_EQ(picker.model.hostForms(), std::nullopt);
}

TEST(LinkPickerModel, WebLinkWithoutHostCannotBeRemembered) {
    testing::TemporaryFolder folder;
    auto page = folder.write("page.html", "<html></html>");
    LinkPickerModel model(*InterceptedLink::make(Url::fromFilePath(page)), browsers(2), std::nullopt, 0,
                          false, std::nullopt);
    EXPECT_EQ(model.rememberedMatcher(), std::nullopt);
    EXPECT_FALSE(model.canRemember());
    EXPECT_EQ(model.rememberSummary(Localization::english()), std::nullopt);
    EXPECT_EQ(model.choice(0, true), (LinkPickerChoice{model.candidates()[0], std::nullopt}));
}

TEST(LinkPickerModel, ShowsBothFormsOfAnInternationalisedHost) {
    Picker international(1, "https://WWW.XN--MNCHEN-3YA.de/Stadt");
    EXPECT_EQ(international.model.hostForms(),
              (InterceptedLink::HostForms{"www.m\u00FCnchen.de", "www.xn--mnchen-3ya.de"}));
    EXPECT_EQ(international.model.linkDisplayText(), "https://WWW.XN--MNCHEN-3YA.de/Stadt");
    EXPECT_EQ(Picker(1, "https://www.muenchen.de/").model.hostForms(), std::nullopt);
}

TEST(LinkPickerModel, RingKeepsFourToTenCandidates) {
    struct Case {
        int maximum;
        int available;
        std::size_t kept;
        bool hasOverflow;
    } cases[] = {
        {2, 6, 4, true}, {20, 12, 10, true}, {8, 8, 8, false}, {8, 3, 3, false}, {INT_MIN, 5, 4, true}};
    for (const auto& c : cases) {
        auto candidates = browsers(c.available);
        auto ring = LinkPickerModel::ringCandidates(candidates, c.maximum);
        EXPECT_EQ(ring.hasOverflow, c.hasOverflow) << c.maximum << " of " << c.available;
        ASSERT_EQ(ring.candidates.size(), c.kept) << c.maximum << " of " << c.available;
        EXPECT_TRUE(std::equal(ring.candidates.begin(), ring.candidates.end(), candidates.begin()));
    }
}

}  // namespace
}  // namespace ferrywise
