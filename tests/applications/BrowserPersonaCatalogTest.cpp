#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

#include <tuple>

#include <gtest/gtest.h>

#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/foundation/Paths.hpp"

#include "support/CapturedLog.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using Catalog = FileBrowserPersonaCatalog;

const std::string chromeFile = "Google/Chrome/Local State";
const std::string sidebarFile = "Arc/StorableSidebar.json";
constexpr auto chromiumFailure = "Could not read Chromium profile catalogue";
constexpr auto arcFailure = "Could not read Arc Space catalogue";
constexpr auto firefoxFailure = "Could not read Firefox profile catalogue";

std::string localState(const std::string& infoCache) {
    return R"({"profile": {"info_cache": )" + infoCache + "}}";
}

auto keyAndName(const BrowserProfile& profile) {
    return std::tie(profile.directory, profile.displayName);
}
auto keyAndName(const BrowserSpace& space) {
    return std::tie(space.id, space.title);
}

// Personas as one line, "key=name" separated by " | ".
template <typename Persona>
std::string listed(const std::vector<Persona>& personas) {
    std::string text;
    for (const auto& persona : personas) {
        const auto& [key, name] = keyAndName(persona);
        text += (text.empty() ? "" : " | ") + key + "=" + name;
    }
    return text;
}

class BrowserPersonaCatalogTest : public ::testing::Test {
  protected:
    std::vector<std::string> logged() const { return sink->messages("applications"); }
    std::string profiles(std::string_view bundleIdentifier = "com.google.Chrome") const {
        return listed(catalog.profiles(bundleIdentifier));
    }
    std::string spaces(std::string_view bundleIdentifier = Catalog::arcBundleIdentifier) const {
        return listed(catalog.spaces(bundleIdentifier));
    }
    // The profiles a catalog of all the user's folders reads, without the temporary folder's path.
    std::string linuxProfiles(std::string_view bundleIdentifier) const {
        auto text = listed(onLinux.profiles(bundleIdentifier));
        auto root = folder.path().string() + "/";
        for (auto at = text.find(root); at != std::string::npos; at = text.find(root)) {
            text.erase(at, root.size());
        }
        return text;
    }

    testing::CapturedLog sink;
    testing::TemporaryFolder folder;
    Catalog catalog{folder.path()};
    Catalog onLinux{Paths::underRoot(folder.path())};
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

TEST_F(BrowserPersonaCatalogTest, LinuxChromiumProfilesComeFromTheFirstCandidateFolderThatHasALocalState) {
    folder.write("config/google-chrome/Local State",
                 localState(R"({"Default": {"name": "Native"}, "": {"name": "The browser itself"}})"));
    folder.write("home/.var/app/com.google.Chrome/config/google-chrome/Local State",
                 localState(R"({"F": {"name": "Flatpak"}})"));
    folder.write("home/snap/chromium/common/chromium/Local State", localState(R"({"S": {"name": "Snap"}})"));
    EXPECT_EQ(linuxProfiles("google-chrome"), "Default=Native");
    EXPECT_EQ(linuxProfiles("com.google.Chrome"), "F=Flatpak");
    EXPECT_EQ(linuxProfiles("chromium_chromium"), "S=Snap");
    EXPECT_EQ(profiles("google-chrome"), "");  // a catalog of Application Support alone looks nowhere else
    EXPECT_TRUE(logged().empty());
    // Application Support comes first, and a broken file there is not passed over for a later folder.
    folder.write("data/Google/Chrome/Local State", localState(R"({"M": {"name": "Support"}})"));
    EXPECT_EQ(linuxProfiles("com.google.Chrome"), "M=Support");
    folder.write("data/Google/Chrome/Local State", "{");
    EXPECT_EQ(linuxProfiles("com.google.Chrome"), "");
    EXPECT_EQ(linuxProfiles("microsoft-edge"), "");  // installed, never started
    EXPECT_EQ(logged(), (std::vector<std::string>{chromiumFailure, chromiumFailure}));
}

TEST(FirefoxProfilesIniTest, ProfilesHaveAbsoluteFoldersAndNamesWithTheDefaultFirstAndBrokenTextsGiveNone) {
    using namespace std::string_literals;
    const std::string ini =
        "; comment\r\n[Profile0]\r\nPath=old\r\n  Name = b\r\nIsRelative=1\r\nPath=b.x\r\n\r\n"
        "[Profile1]\n\tName= \nIsRelative=1\nPath=c.y/\n[Profile2]\nName=  Work \t\nPath=/abs/w/../work\n"
        "Default=1\n"
        "# skipped: relative without the mark, no path, a folder seen before, not a profile\n"
        "[Profile3]\nPath=rel\n[Profile4]\nName=n\nIsRelative=1\n[Profile5]\nIsRelative=1\nPath=./b.x\n"
        "[General]\nPath=/general\nStartWithLastProfile=1";
    const std::string byMark = "/abs/work=Work | /p/b.x=b | /p/c.y=c.y";
    for (const auto& [profilesIni, installsIni, expected] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {ini, "", byMark},
             {ini, "[4F96]\nDefault=gone\n[0A1B]\nDefault=c.y\n", "/p/c.y=c.y | /p/b.x=b | /abs/work=Work"},
             {"[Install4F96]\nDefault=b.x\nLocked=1\n" + ini, "", "/p/b.x=b | /p/c.y=c.y | /abs/work=Work"},
             {ini, "[4F96\nDefault=c.y\n", byMark},  // a broken installs.ini only names no default
             {"", "", ""},
             {"[General]\nVersion=2\n", "", ""},
             {"[unterminated\n", "", "none"},
             {"Path=/x\n[Profile0]\n", "", "none"},
             {"[Profile0]\nPath\n", "", "none"},
             {"[Profile0]\nPath=/x\0"s, "", "none"},
             {"[Profile0]\nPath=/\xff\n", "", "none"}}) {
        SCOPED_TRACE(profilesIni.substr(0, 40) + " / " + installsIni);
        auto profiles = Catalog::profilesFromProfilesIni(profilesIni, installsIni, "/p");
        EXPECT_EQ(profiles ? listed(*profiles) : "none", expected);
        for (const auto& profile : profiles.value_or(std::vector<BrowserProfile>())) {
            EXPECT_EQ(profile.family, BrowserProfile::Family::firefox);
        }
    }
}

TEST_F(BrowserPersonaCatalogTest, FirefoxProfilesOfTheConfigAndHomeFoldersAreMergedTheFirstOfEachCounting) {
    EXPECT_EQ(linuxProfiles("firefox-esr"), "");
    EXPECT_EQ(profiles("firefox-esr"), "");  // not looked for at all
    EXPECT_TRUE(logged().empty());           // a Firefox never started has no profiles yet
    auto shared = (folder.path() / "home/.mozilla/firefox/s").string();
    folder.write("config/mozilla/firefox/profiles.ini",
                 "[Profile0]\nName=New\nIsRelative=1\nPath=n\n[Profile1]\nName=Shared\nPath=" + shared);
    folder.write("config/mozilla/firefox/installs.ini", "[4F96]\nDefault=../../../home/.mozilla/firefox/s");
    folder.write("home/.mozilla/firefox/profiles.ini",
                 "[Profile0]\nName=Old\nIsRelative=1\nPath=o\nDefault=1\n[Profile1]\nIsRelative=1\nPath=s");
    sink->clear();
    EXPECT_EQ(linuxProfiles("firefox-esr"),
              "home/.mozilla/firefox/o=Old | home/.mozilla/firefox/s=s | config/mozilla/firefox/n=New");
    folder.write("home/.mozilla/firefox/profiles.ini", "[Profile0");
    EXPECT_EQ(linuxProfiles("firefox"), "home/.mozilla/firefox/s=Shared | config/mozilla/firefox/n=New");
    EXPECT_EQ(logged(), std::vector<std::string>{firefoxFailure});
}

}  // namespace
}  // namespace ferrywise
