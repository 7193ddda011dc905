#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

#include <gtest/gtest.h>

#include "ferrywise/foundation/Log.hpp"

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using Catalog = FileBrowserPersonaCatalog;

const std::string chromeFile = "Google/Chrome/Local State";
const std::string sidebarFile = "Arc/StorableSidebar.json";
constexpr auto chromiumFailure = "Could not read Chromium profile catalogue";
constexpr auto arcFailure = "Could not read Arc Space catalogue";

std::string localState(const std::string& infoCache) {
    return R"({"profile": {"info_cache": )" + infoCache + "}}";
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
    std::string spaces(std::string_view bundleIdentifier = Catalog::arcBundleIdentifier) const {
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
        "Profile 2": {"name": 7}, "Profile 3": {"name": " \t\n"}, "Profile 5": "not an object",
        "b": {"name": "Same"}, "a": {"name": "SAME"}})"));
    // File-manager order of the names, then by folder.
    EXPECT_EQ(profiles(),
              "Profile 1=Personal | Profile 2=Profile 2 | Profile 3=Profile 3 | Profile 5=Profile 5 | "
              "a=SAME | b=Same | Default=Work");
    folder.write(chromeFile, localState(R"({"Q": {"name": "Changed"}})"));
    EXPECT_EQ(profiles(), "Q=Changed");
    // Each known browser from its own folder; other letter cases and other kinds of persona give none.
    folder.write("Google/Chrome Dev/Local State", localState(R"({"P": {"name": "Dev"}})"));
    folder.write(sidebarFile, R"({"containers": [{"spaces": [{"id": "s", "title": "T"}]}]})");
    EXPECT_EQ(profiles("com.google.Chrome.dev"), "P=Dev");
    EXPECT_EQ(profiles("com.google.chrome"), "");
    EXPECT_EQ(spaces("company.thebrowser.browser"), "");
    EXPECT_EQ(spaces("com.google.Chrome"), "");
    EXPECT_TRUE(logged().empty());  // none of this is a failure
}

TEST_F(BrowserPersonaCatalogTest, MissingBrokenHugeOrOtherwiseShapedFilesGiveNoPersonasAndOneLogLine) {
    std::filesystem::create_directories(folder.path() / "Chromium" / "Local State");  // a folder, not a file
    EXPECT_EQ(profiles("org.chromium.Chromium"), "");
    EXPECT_EQ(spaces(), "");  // no file at all
    EXPECT_EQ(logged(), (std::vector<std::string>{chromiumFailure, arcFailure}));
    auto expectNone = [&](const std::string& file, const std::string& text, bool fails = true) {
        SCOPED_TRACE(file + ": " + text.substr(0, 60));
        sink->clear();
        folder.write(file, text);
        EXPECT_EQ(file == chromeFile ? profiles() : spaces(), "");
        EXPECT_EQ(logged(),
                  std::vector<std::string>(fails ? 1 : 0, file == chromeFile ? chromiumFailure : arcFailure));
    };
    // Cut short by a killed writer, or another shape where the profiles or the spaces should be.
    for (std::string text : {R"({"profile": {"info_cache": {"Default": {"name": "Wo)", "[]",
                             R"({"Profile": {"info_cache": {}}})", R"({"profile": {"info_cache": null}})"}) {
        expectNone(chromeFile, text);
    }
    // A "sidebar" object is where the containers are, even when it has none.
    for (std::string text : {R"({"sidebar": {"containers": [)", "[]", R"({"Containers": []})",
                             R"({"sidebar": {}, "containers": [{"spaces": ["s", {"title": "T"}]}]})"}) {
        expectNone(sidebarFile, text);
    }
    // A valid file padded with blanks to one byte over the limit: only its size turns it away.
    auto huge = localState(R"({"P": {}})");
    huge.resize(Catalog::maximumFileSize + 1, ' ');
    expectNone(chromeFile, huge);
    // A browser without profiles yet, or a sidebar without spaces, is no failure.
    expectNone(chromeFile, localState("{}"), false);
    for (std::string text :
         {R"({"containers": 3})", R"({"sidebar": [], "containers": [{"title": "T"}, "c"]})"}) {
        expectNone(sidebarFile, text, false);
    }
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
    // A space needs a non-empty string identifier ("id", else "space_id", else "spaceId", else the string or
    // key before it) and a non-blank string title (else name); the first of each identifier counts.
    folder.write(sidebarFile, R"({"sidebar": {"containers": [{"global": {}}, "container-1", {"spaces": ["s1",
        {"title": " Work "}, "lost", "s2", 7, {"name": "Home"}, "s3", {"id": "own", "title": "Own"},
        {"title": "No identifier"}, {"space_id": "a", "title": "A"}, {"id": 3, "spaceId": "b", "title": 5,
        "name": "B"}, {"id": "", "space_id": "d", "title": "Empty identifier"}, {"id": "e", "title": " "},
        {"id": "s1", "title": "Second s1"}]}, {"spaces": {"s5": {"title": "Mapped"},
        "key": {"id": "s6", "title": "Own id wins"}, "s7": "x"}}]}})");
    EXPECT_EQ(spaces(), "a=A | b=B | s2=Home | s5=Mapped | own=Own | s6=Own id wins | s1=Work");
    EXPECT_TRUE(logged().empty());
}

}  // namespace
}  // namespace ferrywise
