#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

#include <gtest/gtest.h>

#include "ferrywise/foundation/Log.hpp"

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using Catalog = FileBrowserPersonaCatalog;

constexpr auto arc = Catalog::arcBundleIdentifier;
const std::string chromeFile = "Google/Chrome/Local State";
const std::string sidebarFile = "Arc/StorableSidebar.json";
constexpr auto chromiumFailure = "Could not read Chromium profile catalogue";
constexpr auto arcFailure = "Could not read Arc Space catalogue";

std::string localState(const std::string& infoCache) {
    return R"({"profile": {"info_cache": )" + infoCache + "}}";
}

std::string sidebar(const std::string& spaces) {
    return R"({"containers": [{"spaces": )" + spaces + "}]}";
}

// Personas as one line, "key=name" separated by " | ".
template <typename Persona>
std::string listed(const std::vector<Persona>& personas) {
    std::string text;
    for (const auto& [key, name] : personas) {
        text += (text.empty() ? "" : " | ") + key + "=" + name;
    }
    return text;
}

class BrowserPersonaCatalogTest : public ::testing::Test {
  protected:
    ~BrowserPersonaCatalogTest() override { Log::setSink(previousSink); }

    std::vector<std::string> logged() const { return sink->messages("applications"); }
    std::string profiles(std::string_view bundleIdentifier = "com.google.Chrome") const {
        return listed(catalog.profiles(bundleIdentifier));
    }
    std::string spaces(std::string_view bundleIdentifier = arc) const {
        return listed(catalog.spaces(bundleIdentifier));
    }

    std::shared_ptr<RecordingLogSink> sink = std::make_shared<RecordingLogSink>();
    std::shared_ptr<LogSink> previousSink = Log::setSink(sink);
    testing::TemporaryFolder folder;
    Catalog catalog{folder.path()};
};

TEST_F(BrowserPersonaCatalogTest,
       ProfilesAreNamedByTrimmedNameElseFolderSortedAndReadAfreshForKnownBrowsersOnly) {
    folder.write(chromeFile,
                 localState(R"({"Default": {"name": "Work"}, "Profile 1": {"name": " Personal \n"},
        "Profile 2": {"name": 7}, "Profile 3": {"name": " \t\n"}, "Profile 4": {}, "Profile 5": "not an object",
        "d10": {"name": "Profile 10"}, "d2": {"name": "profile 2"}, "zoe": {"name": "Zoë"}, "b": {"name": "Same"},
        "a": {"name": "SAME"}, "e": {"name": "Émile"}, "c": {"name": "Same"}})"));
    // File-manager order of the names, then by folder.
    EXPECT_EQ(profiles(),
              "e=Émile | Profile 1=Personal | Profile 2=Profile 2 | d2=profile 2 | Profile 3=Profile 3 | "
              "Profile 4=Profile 4 | Profile 5=Profile 5 | d10=Profile 10 | a=SAME | b=Same | c=Same | "
              "Default=Work | zoe=Zoë");
    folder.write(chromeFile, localState(R"({"Q": {"name": "Changed"}})"));
    EXPECT_EQ(profiles(), "Q=Changed");
    // Each known browser from its own folder; other browsers, letter cases and kinds of persona give none.
    folder.write("Google/Chrome Dev/Local State", localState(R"({"P": {"name": "Dev"}})"));
    folder.write("Arc/Local State", localState(R"({"P": {"name": "Arc"}})"));
    folder.write(sidebarFile, sidebar(R"([{"id": "s", "title": "T"}])"));
    for (std::string_view bundleIdentifier :
         {"com.google.chrome", "Google/Chrome", "com.operasoftware.Opera", "", "company.thebrowser.browser",
          arc.data(), "com.google.Chrome.dev"}) {
        EXPECT_EQ(profiles(bundleIdentifier), bundleIdentifier == "com.google.Chrome.dev" ? "P=Dev" : "");
        EXPECT_EQ(spaces(bundleIdentifier), bundleIdentifier == arc ? "s=T" : "") << bundleIdentifier;
    }
    EXPECT_TRUE(logged().empty());  // none of this is a failure
}

TEST_F(BrowserPersonaCatalogTest, MissingBrokenHugeOrOtherwiseShapedFilesGiveNoPersonasAndOneLogLine) {
    EXPECT_EQ(profiles(), "");  // no files yet
    EXPECT_EQ(spaces(), "");
    EXPECT_EQ(logged(), (std::vector<std::string>{chromiumFailure, arcFailure}));
    auto expectNone = [&](const std::string& file, const std::string& text, bool fails = true) {
        SCOPED_TRACE(file + ": " + text.substr(0, 60));
        sink->clear();
        folder.write(file, text);
        EXPECT_EQ(file == chromeFile ? profiles() : spaces(), "");
        EXPECT_EQ(logged(),
                  std::vector<std::string>(fails ? 1 : 0, file == chromeFile ? chromiumFailure : arcFailure));
        EXPECT_TRUE(!fails || sink->records().at(0).level == LogLevel::standard);
    };
    for (std::string text :
         {"", "garbage", R"({"profile": {"info_cache": {"Default": {"name": "Wo)", "[]", R"("profile")", "42",
          R"({"Profile": {"info_cache": {}}})", R"({"profile": []})", R"({"profile": {"info_cache": []}})",
          R"({"profile": {"info_cache": null}})", R"({"profile": {"infoCache": {}}})"}) {
        expectNone(chromeFile, text);
    }
    // A "sidebar" object is where the containers are, even when it has none.
    for (std::string text :
         {"", "{", R"({"sidebar": {"containers": [)", "[]", "null", R"({"sidebar": {}})",
          R"({"Containers": []})", R"({"sidebar": {}, "containers": [{"spaces": ["s", {"title": "T"}]}]})"}) {
        expectNone(sidebarFile, text);
    }
    // Valid files padded with blanks to one byte over the limit: only their size turns them away.
    for (auto [file, text] : {std::pair{chromeFile, localState(R"({"P": {}})")},
                              {sidebarFile, sidebar(R"(["s", {"title": "T"}])")}}) {
        text.resize(Catalog::maximumFileSize + 1, ' ');
        expectNone(file, text);
    }
    // A browser without profiles yet, or a sidebar without spaces, is no failure.
    expectNone(chromeFile, localState("{}"), false);
    for (std::string text :
         {R"({"containers": []})", R"({"containers": 3})", R"({"containers": [{"title": "T"}, "c"]})",
          R"({"sidebar": [], "containers": [{"spaces": []}]})"}) {
        expectNone(sidebarFile, text, false);
    }

    sink->clear();
    std::filesystem::create_directories(folder.path() / "Chromium" /
                                        "Local State");  // a folder where the file should be
    EXPECT_EQ(profiles("org.chromium.Chromium"), "");
    EXPECT_EQ(logged(), std::vector<std::string>{chromiumFailure});
}

TEST_F(BrowserPersonaCatalogTest, DeeplyNestedSidebarDoesNotExhaustTheStack) {
    const std::size_t depth = 100000;
    // Containers may also be a map of identifiers to containers.
    folder.write(sidebarFile, R"({"containers": {"c": {"x": )" + std::string(depth, '[') +
                                  std::string(depth, ']') +
                                  R"(, "spaces": [{"id": "s", "title": "T"}]}, "n": 1}})");
    EXPECT_EQ(spaces(), "s=T");
}

TEST_F(BrowserPersonaCatalogTest, SpacesAreReadFromAlternatingIdentifiersAndObjectsWithAStringIdAndATitle) {
    folder.write(sidebarFile, R"({"sidebar": {"containers": [{"global": {}}, "container-1", {"spaces": ["s1",
        {"title": " Work "}, "lost", "s2", 7, null, [], {"name": "Home"}, "s3", {"id": "own", "title": "Own"},
        {"title": "No identifier"}]}, "container-2", {"spaces": [{"id": "s4", "title": "Listed"},
        {"title": "No identifier either"}]}, {"spaces": {"s5": {"title": "Mapped"},
        "key": {"id": "s6", "title": "Own id wins"}, "s7": "x"}}]}})");
    EXPECT_EQ(spaces(), "s2=Home | s4=Listed | s5=Mapped | own=Own | s6=Own id wins | s1=Work");
    EXPECT_TRUE(logged().empty());
    // Spaces need a string identifier and a non-blank title; the first of each identifier counts; sorted by
    // title then identifier.
    EXPECT_EQ(
        listed(*Catalog::spacesFromStorableSidebar(sidebar(R"([{"space_id": "a", "title": "A from space_id"},
        {"id": 3, "spaceId": "b", "title": "B from spaceId"}, {"id": "c", "space_id": "other", "spaceId": "other",
        "title": 5, "name": "C from name"}, {"id": "", "space_id": "d", "title": "Empty identifier"},
        {"id": 4, "title": "Numeric identifier only"}, {"id": "e", "title": " \n ", "name": "Blank title"},
        {"id": "f", "title": ["no"]}, {"id": "g", "title": "D first of g"}, {"id": "a", "title": "Second of a"},
        {"id": "g", "title": "A second g"}, {"id": "s10", "title": "Space 10"}, {"id": "y", "title": "space 2"},
        {"id": "x", "title": "Space 2"}])"))),
        "a=A from space_id | b=B from spaceId | c=C from name | g=D first of g | x=Space 2 | y=space 2 | "
        "s10=Space 10");
}

}  // namespace
}  // namespace ferrywise
