#include "ferrywise/applications/ApplicationDirectory.hpp"

#include <gtest/gtest.h>

#include "ferrywise/applications/ApplicationIconCache.hpp"
#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"

#include "support/CapturedLog.hpp"
#include "support/FakeWorkspace.hpp"
#include "support/FixedPersonaCatalog.hpp"
#include "support/ReadOnlyFolder.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
constexpr auto web = LinkScheme::Kind::web;
constexpr auto mail = LinkScheme::Kind::mail;
const std::string home = "c#profile:P2", work = "c#profile:P1";

// Web: Alpha (a), Beta (b), C (c) with the profiles "C — Home" and "C — Work", Delta (d); mail: M (m). Bundle
// files lie in the test's own folder, so the process-wide icon cache has seen none of them.
class ApplicationDirectoryTest : public ::testing::Test {
  protected:
    ApplicationDirectoryTest() {
        for (auto [id, name] : {std::pair{"a", "Alpha"}, {"b", "Beta"}, {"c", "C"}, {"d", "Delta"}}) {
            install(id, name);
        }
        install("m", "M", "mailto");
        personas->profileLists["c"] = {{"P1", "Work"}, {"P2", "Home"}};
    }
    void install(const std::string& id, const std::string& name, const std::string& scheme = "http") {
        workspace->install(id, name, {scheme}, Url::fromFilePath(folder.path() / (id + ".desktop")));
    }
    [[nodiscard]] ApplicationDirectory open() const {
        return {scanner, ApplicationPreferencesStore(file), workspace, Localization::english()};
    }
    // The scanned web entry with this id; throws std::out_of_range when there is none.
    [[nodiscard]] DiscoveredApplication entry(std::string_view id) const {
        auto all = scanner.scan(web, Localization::english());
        return all.at(std::ranges::find(all, id, &DiscoveredApplication::id) - all.begin());
    }
    [[nodiscard]] Strings logged() const { return sink->messages("applications"); }

    testing::CapturedLog sink;
    testing::TemporaryFolder folder;
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    std::shared_ptr<testing::FixedPersonaCatalog> personas = std::make_shared<testing::FixedPersonaCatalog>();
    ApplicationScanner scanner{workspace, Url::fromFilePath(folder.path() / "host.desktop"), personas};
    fs::path file =
        ApplicationPreferencesStore::defaultFileUrl(Paths::underRoot(folder.path())).filePath().value();
};

// The entries' ids, separated by " | ".
std::string ids(const std::vector<DiscoveredApplication>& applications) {
    std::string text;
    for (const auto& application : applications) {
        text += (text.empty() ? "" : " | ") + application.id();
    }
    return text;
}

TEST_F(ApplicationDirectoryTest, LoadsWhatItCanReadRanksByFirstPositionAndLogsUndecodableFilesOnce) {
    const std::tuple<std::optional<std::string>, std::size_t, std::string> cases[] = {
        {std::nullopt, 0, "a | b | c | d"},
        {"not JSON", 1, "a | b | c | d"},
        {R"({"order": ["d"]})", 1, "a | b | c | d"},
        {R"({"families": {"web": {"order": "secret"}}})", 1, "a | b | c | d"},
        {R"({"families": {"web": {"order": ["b"], "hidden": [7]}}})", 1, "a | b | c | d"},
        // Uninstalled ids and later duplicates change nothing; a newer version's family is skipped.
        {R"({"families": {"web": {"order": ["d", "gone", "b", "d", "a"], "hidden": ["b"]}, "fax": 1}})", 0,
         "d | a | c"}};
    for (const auto& [text, logLines, visible] : cases) {
        fs::remove(file);
        if (text) {
            JsonFile::writeData(file, *text);
        }
        sink->clear();
        auto directory = open();
        EXPECT_EQ(ids(directory.visibleApplications(web)), visible) << text.value_or("no file");
        EXPECT_EQ(logged().size(), logLines) << text.value_or("no file");
        for (const auto& line : logged()) {
            EXPECT_TRUE(line.starts_with("Ignoring unreadable preferences: ")) << line;
            EXPECT_EQ(line.find("secret"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(ids(open().allApplicationsIncludingPersonas(web)), "d | b | a | c | " + home + " | " + work);
}

TEST_F(ApplicationDirectoryTest, HidingKeepsTheOrderAndShowingAgainPlacesTheEntryAfterTheLastVisibleOne) {
    auto directory = open();
    directory.setHidden(true, entry("a"));
    directory.setHidden(true, entry("c"));
    EXPECT_EQ(directory.preferences().family(web).order, Strings{});
    EXPECT_EQ(ids(directory.visibleApplications(web)), "b | d");
    directory.setHidden(false, entry("a"));
    EXPECT_EQ(directory.preferences().family(web).order, (Strings{"b", "d", "a", "c"}));
    EXPECT_EQ(open().preferences(), directory.preferences());  // saved, its folder created
}

TEST_F(ApplicationDirectoryTest, PromotedPersonasSitBelowTheirBrowserVisibleAndDemotingForgetsThem) {
    install("org.mozilla.firefox", "Fox");
    auto directory = open();
    directory.setPromoted(true, entry("a"));
    directory.setPromoted(true, entry("org.mozilla.firefox#private"));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(ids(directory.personaApplications(web)), home + " | " + work);
    directory.setOrder({"b", "a"}, web);
    directory.setHidden(true, entry(work));
    directory.setPromoted(true, entry(work));
    directory.setPromoted(true, entry(home));
    EXPECT_EQ(directory.preferences().family(web),
              (ApplicationPreferences::Family{{"b", "a", "c", home, work}, {}, {}}));
    EXPECT_TRUE(directory.isPromoted(entry(home)) && directory.isPromoted(entry("a")));
    directory.setHidden(true, entry(home));
    directory.setPromoted(false, entry(home));
    EXPECT_EQ(open().preferences().family(web),
              (ApplicationPreferences::Family{{"b", "a", "c", work}, {}, {}}));
    EXPECT_FALSE(directory.isPromoted(entry(home)));
    // Private entries are offered like ordinary ones.
    EXPECT_EQ(ids(directory.visibleApplications(web)),
              "b | a | c | " + work + " | d | org.mozilla.firefox | org.mozilla.firefox#private");
}

TEST_F(ApplicationDirectoryTest, SavesSortedKeysKeepsAnUnreadableFileAsideAndKeepsChangesThatCannotBeSaved) {
    JsonFile::writeData(file, "{damaged");
    auto directory = open();
    directory.setProfileMode(true, entry("c"));
    directory.setOrder({"m"}, mail);
    // Compared without the blanks and line breaks of pretty-printing: the key order is what matters here.
    auto saved = JsonFile::readData(file).value();
    std::erase_if(saved, [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
    EXPECT_EQ(saved, R"({"families":{"mail":{"hidden":[],"order":["m"],"profileMode":[]},)"
                     R"("web":{"hidden":[],"order":[],"profileMode":["c"]}}})");
    EXPECT_EQ(JsonFile::readData(fs::path(file) += ".unreadable"), "{damaged");
    EXPECT_TRUE(directory.isProfileModeOn(entry("c")));

    testing::ReadOnlyFolder readOnly(file.parent_path());
    if (!readOnly.active()) {
        GTEST_SKIP() << readOnly.problem();
    }
    sink->clear();
    directory.setHidden(true, entry("b"));
    EXPECT_TRUE(directory.isHidden(entry("b")));
    ASSERT_EQ(logged().size(), 1u);
    EXPECT_TRUE(logged()[0].starts_with("Could not save application preferences: ")) << logged()[0];
}

TEST_F(ApplicationDirectoryTest, PickerListsStayUntilTheArrangementChangesAndIconsAreAskedOncePerBundle) {
    const WorkspaceIcon icon{folder.path() / "c.png", {"c-browser"}};
    workspace->setIcon(folder.path() / "c.desktop", icon);
    auto directory = open();
    directory.prewarmPickerApplications();
    EXPECT_EQ(workspace->iconRequests(), 5);
    // Each change below comes with a newly installed application, which shows once the lists are remade.
    install("e", "Echo");
    directory.setProfileMode(true, entry("c"));
    EXPECT_EQ(ids(directory.prewarmedPickerApplications(web)), "a | b | c | d");
    directory.setOrder({}, web);
    EXPECT_EQ(ids(directory.prewarmedPickerApplications(web)), "a | b | c | d | e");
    install("f", "Foxtrot");
    directory.setHidden(true, entry("a"));
    EXPECT_EQ(ids(directory.prewarmedPickerApplications(web)), "b | c | d | e | f");
    install("g", "Golf");
    directory.setPromoted(true, entry(work));
    EXPECT_EQ(ids(directory.prewarmedPickerApplications(web)), "c | " + work + " | b | d | e | f | g");
    EXPECT_EQ(ids(directory.prewarmedPickerApplications(mail)), "m");
    // Every entry of one bundle shares its icon; a bundle without one is not asked again either.
    EXPECT_EQ(ApplicationIconCache::icon(entry(work), *workspace), icon);
    EXPECT_EQ(ApplicationIconCache::icon(entry("a"), *workspace), std::nullopt);
    EXPECT_EQ(workspace->iconRequests(), 8);
}

}  // namespace
}  // namespace ferrywise
