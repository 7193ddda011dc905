#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "ferrywise/foundation/Log.hpp"

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;

using Profiles = std::vector<BrowserProfile>;
using Spaces = std::vector<BrowserSpace>;

constexpr auto chromiumFailure = "Could not read Chromium profile catalogue";
constexpr auto arcFailure = "Could not read Arc Space catalogue";
constexpr auto arc = FileBrowserPersonaCatalog::arcBundleIdentifier;

std::string localState(const std::string& infoCache) {
    return R"({"profile": {"info_cache": )" + infoCache + "}}";
}

class BrowserPersonaCatalogTest : public ::testing::Test {
  protected:
    void SetUp() override { previousSink_ = Log::setSink(sink); }
    void TearDown() override { Log::setSink(previousSink_); }

    std::vector<std::string> logged() const { return sink->messages("applications"); }

    std::shared_ptr<RecordingLogSink> sink = std::make_shared<RecordingLogSink>();
    testing::TemporaryFolder folder;
    FileBrowserPersonaCatalog catalog{folder.path()};

  private:
    std::shared_ptr<LogSink> previousSink_;
};

TEST_F(BrowserPersonaCatalogTest, ProfilesAreNamedByTheirTrimmedNameOrElseByTheirFolder) {
    folder.write("Google/Chrome/Local State", localState(R"({
        "Default": {"name": "Work"},
        "Profile 1": {"name": " Personal \n"},
        "Profile 2": {"name": 7},
        "Profile 3": {"name": " \t\n"},
        "Profile 4": {},
        "Profile 5": "not an object"})"));
    EXPECT_EQ(catalog.profiles("com.google.Chrome"), (Profiles{{"Profile 1", "Personal"},
                                                               {"Profile 2", "Profile 2"},
                                                               {"Profile 3", "Profile 3"},
                                                               {"Profile 4", "Profile 4"},
                                                               {"Profile 5", "Profile 5"},
                                                               {"Default", "Work"}}));
    EXPECT_TRUE(logged().empty());
}

TEST_F(BrowserPersonaCatalogTest, PersonasSortInFileManagerOrderThenByKey) {
    EXPECT_EQ(FileBrowserPersonaCatalog::profilesFromLocalState(localState(R"({
        "d10": {"name": "Profile 10"}, "d2": {"name": "profile 2"}, "zoe": {"name": "Zoë"},
        "b": {"name": "Same"}, "a": {"name": "SAME"}, "e": {"name": "Émile"}, "c": {"name": "Same"}})")),
              (Profiles{{"e", "Émile"},
                        {"d2", "profile 2"},
                        {"d10", "Profile 10"},
                        {"a", "SAME"},
                        {"b", "Same"},
                        {"c", "Same"},
                        {"zoe", "Zoë"}}));
    EXPECT_EQ(FileBrowserPersonaCatalog::spacesFromStorableSidebar(R"({"containers": [{"spaces": [
        {"id": "s10", "title": "Space 10"}, {"id": "y", "title": "space 2"}, {"id": "x", "title": "Space 2"}]}]})"),
              (Spaces{{"x", "Space 2"}, {"y", "space 2"}, {"s10", "Space 10"}}));
}

TEST_F(BrowserPersonaCatalogTest, EachBrowserOfTheTableIsReadFromItsOwnDataFolderAfreshOnEveryCall) {
    const auto& table = FileBrowserPersonaCatalog::chromiumDataDirectories();
    EXPECT_EQ(table.size(), 14u);
    EXPECT_EQ(table.at("com.google.Chrome.dev"), "Google/Chrome Dev");
    EXPECT_EQ(table.at("com.microsoft.edgemac.Beta"), "Microsoft Edge Beta");
    EXPECT_EQ(table.at("com.brave.Browser.nightly"), "BraveSoftware/Brave-Browser-Nightly");
    EXPECT_EQ(table.at("com.vivaldi.VivaldiSnapshot"), "VivaldiSnapshot");
    EXPECT_EQ(table.at("org.chromium.Chromium"), "Chromium");
    for (const auto& [bundleIdentifier, dataFolder] : table) {
        folder.write(fs::path(dataFolder) / "Local State",
                     localState(R"({"P": {"name": ")" + dataFolder + "\"}}"));
    }
    for (const auto& [bundleIdentifier, dataFolder] : table) {
        EXPECT_EQ(catalog.profiles(bundleIdentifier), (Profiles{{"P", dataFolder}})) << bundleIdentifier;
    }

    folder.write("Google/Chrome Dev/Local State", localState(R"({"Q": {"name": "Changed"}})"));
    EXPECT_EQ(catalog.profiles("com.google.Chrome.dev"), (Profiles{{"Q", "Changed"}}));

    // Outside the table, in another letter case, or Arc: no profiles and nothing logged.
    folder.write("Arc/Local State", localState(R"({"P": {"name": "Arc"}})"));
    for (std::string_view bundleIdentifier :
         {std::string_view("com.google.chrome"), std::string_view("Google/Chrome"),
          std::string_view("com.operasoftware.Opera"), std::string_view(), arc}) {
        EXPECT_TRUE(catalog.profiles(bundleIdentifier).empty()) << bundleIdentifier;
    }
    EXPECT_TRUE(catalog.spaces("com.google.Chrome").empty());
    EXPECT_TRUE(logged().empty());
}

TEST_F(BrowserPersonaCatalogTest, AnUnreadableLocalStateGivesNoProfilesAndOneLogLine) {
    EXPECT_TRUE(catalog.profiles("com.google.Chrome").empty());  // no file yet
    EXPECT_EQ(logged(), std::vector<std::string>{chromiumFailure});
    ASSERT_EQ(sink->records().size(), 1u);
    EXPECT_EQ(sink->records()[0].level, LogLevel::standard);

    for (std::string text :
         {"", "garbage", R"({"profile": {"info_cache": {"Default": {"name": "Wo)", "[]", R"("profile")", "42",
          R"({"Profile": {"info_cache": {}}})", R"({"profile": []})", R"({"profile": {"info_cache": []}})",
          R"({"profile": {"info_cache": null}})", R"({"profile": {"infoCache": {}}})"}) {
        sink->clear();
        folder.write("Google/Chrome/Local State", text);
        EXPECT_TRUE(catalog.profiles("com.google.Chrome").empty()) << text;
        EXPECT_EQ(logged(), std::vector<std::string>{chromiumFailure}) << text;
    }

    sink->clear();
    fs::create_directories(folder.path() / "Chromium" / "Local State");  // a folder where the file should be
    EXPECT_TRUE(catalog.profiles("org.chromium.Chromium").empty());
    EXPECT_EQ(logged(), std::vector<std::string>{chromiumFailure});

    // A browser without profiles yet is no failure.
    sink->clear();
    folder.write("Google/Chrome/Local State", localState("{}"));
    EXPECT_TRUE(catalog.profiles("com.google.Chrome").empty());
    EXPECT_TRUE(logged().empty());
}

TEST_F(BrowserPersonaCatalogTest, FilesLargerThanTheLimitAreNotRead) {
    // A valid file padded with blanks to one byte over the limit: only its size can turn it away.
    std::string padded = localState(R"({"P": {}})");
    padded.resize(FileBrowserPersonaCatalog::maximumFileSize + 1, ' ');
    folder.write("Google/Chrome/Local State", padded);
    auto sidebar =
        folder.write("Arc/StorableSidebar.json", R"({"containers": [{"spaces": ["s", {"title": "T"}]}]})");
    fs::resize_file(sidebar, FileBrowserPersonaCatalog::maximumFileSize + 1);
    EXPECT_TRUE(catalog.profiles("com.google.Chrome").empty());
    EXPECT_TRUE(catalog.spaces(arc).empty());
    EXPECT_EQ(logged(), (std::vector<std::string>{chromiumFailure, arcFailure}));
}

TEST_F(BrowserPersonaCatalogTest, DeeplyNestedSidebarDoesNotExhaustTheStack) {
    const std::size_t depth = 100000;
    folder.write("Arc/StorableSidebar.json", R"({"containers": [{"x": )" + std::string(depth, '[') +
                                                 std::string(depth, ']') +
                                                 R"(, "spaces": [{"id": "s", "title": "T"}]}]})");
    EXPECT_EQ(catalog.spaces(arc), (std::vector<BrowserSpace>{{"s", "T"}}));
}

TEST_F(BrowserPersonaCatalogTest, ContainersAndSpacesMayAlternateIdentifiersAndObjects) {
    folder.write("Arc/StorableSidebar.json", R"({"sidebar": {"containers": [
        {"global": {}},
        "container-1",
        {"spaces": ["s1", {"title": " Work "}, "lost", "s2", 7, null, [], {"name": "Home"},
                    "s3", {"id": "own", "title": "Own"}, {"title": "No identifier"}]},
        "container-2",
        {"spaces": [{"id": "s4", "title": "Listed"}, {"title": "No identifier either"}]},
        {"spaces": {"s5": {"title": "Mapped"}, "key": {"id": "s6", "title": "Own id wins"}, "s7": "x"}}]}})");
    EXPECT_EQ(catalog.spaces(arc), (Spaces{{"s2", "Home"},
                                           {"s4", "Listed"},
                                           {"s5", "Mapped"},
                                           {"own", "Own"},
                                           {"s6", "Own id wins"},
                                           {"s1", "Work"}}));
    EXPECT_TRUE(logged().empty());

    // Containers given as a map are read the same way.
    EXPECT_EQ(FileBrowserPersonaCatalog::spacesFromStorableSidebar(
                  R"({"containers": {"c": {"spaces": ["s", {"title": "T"}]}, "n": 1}})"),
              (Spaces{{"s", "T"}}));
}

TEST_F(BrowserPersonaCatalogTest, SpacesNeedAStringIdentifierAndANonBlankTitle) {
    EXPECT_EQ(
        FileBrowserPersonaCatalog::spacesFromStorableSidebar(R"({"containers": [{"spaces": [
        {"space_id": "a", "title": "A from space_id"},
        {"id": 3, "spaceId": "b", "title": "B from spaceId"},
        {"id": "c", "space_id": "other", "spaceId": "other", "title": 5, "name": "C from name"},
        {"id": "", "space_id": "d", "title": "Empty identifier"},
        {"id": 4, "title": "Numeric identifier only"},
        {"id": "e", "title": " \n ", "name": "Blank title"},
        {"id": "f", "title": ["no"]},
        {"id": "g", "title": "D first of g"},
        {"id": "a", "title": "Second of a"},
        {"id": "g", "title": "A second g"}]}]})"),
        (Spaces{
            {"a", "A from space_id"}, {"b", "B from spaceId"}, {"c", "C from name"}, {"g", "D first of g"}}));
}

TEST_F(BrowserPersonaCatalogTest, TheSidebarMayBeTheTopLevelItself) {
    using Catalog = FileBrowserPersonaCatalog;
    const std::string containers = R"("containers": [{"spaces": ["s", {"title": "Top"}]}])";
    EXPECT_EQ(Catalog::spacesFromStorableSidebar("{" + containers + "}"), (Spaces{{"s", "Top"}}));
    EXPECT_EQ(Catalog::spacesFromStorableSidebar(R"({"sidebar": [], )" + containers + "}"),
              (Spaces{{"s", "Top"}}));
    EXPECT_EQ(Catalog::spacesFromStorableSidebar(R"({"sidebar": {}, )" + containers + "}"), std::nullopt);
    EXPECT_EQ(Catalog::spacesFromStorableSidebar(R"({"containers": 3})"), Spaces{});
    EXPECT_EQ(Catalog::spacesFromStorableSidebar(R"({"containers": [{"title": "No spaces"}, "c"]})"),
              Spaces{});
}

TEST_F(BrowserPersonaCatalogTest, AnUnreadableSidebarGivesNoSpacesAndOneLogLine) {
    EXPECT_TRUE(catalog.spaces(arc).empty());  // no file yet
    EXPECT_EQ(logged(), std::vector<std::string>{arcFailure});

    for (std::string text : {"", "{", R"({"sidebar": {"containers": [)", "[]", "null", R"({"sidebar": {}})",
                             R"({"Containers": []})"}) {
        sink->clear();
        folder.write("Arc/StorableSidebar.json", text);
        EXPECT_TRUE(catalog.spaces(arc).empty()) << text;
        EXPECT_EQ(logged(), std::vector<std::string>{arcFailure}) << text;
    }

    // Only Arc has spaces; a sidebar with no spaces in it is no failure.
    sink->clear();
    folder.write("Arc/StorableSidebar.json", R"({"containers": []})");
    EXPECT_TRUE(catalog.spaces(arc).empty());
    EXPECT_TRUE(catalog.spaces("company.thebrowser.browser").empty());
    EXPECT_TRUE(catalog.spaces("com.google.Chrome").empty());
    EXPECT_TRUE(catalog.profiles(arc).empty());
    EXPECT_TRUE(logged().empty());
}

TEST(EmptyBrowserPersonaCatalog, HasNoPersonas) {
    EmptyBrowserPersonaCatalog catalog;
    EXPECT_TRUE(catalog.profiles("com.google.Chrome").empty());
    EXPECT_TRUE(catalog.spaces(FileBrowserPersonaCatalog::arcBundleIdentifier).empty());
}

}  // namespace
}  // namespace ferrywise
