// The application directory's costs: handing the picker its kept list (what opening the picker pays), and a
// full rescan of the installed browsers through the desktop's registry with the user's arrangement applied
// (what the picker pays when its list was dropped by a change).

#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "ferrywise/applications/ApplicationDirectory.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/freedesktop/DesktopWorkspace.hpp"

#include "support/DesktopSandbox.hpp"
#include "support/FakeWorkspace.hpp"
#include "support/TemporaryFolder.hpp"

namespace {

using namespace ferrywise;

constexpr auto web = LinkScheme::Kind::web;
const std::string knownBrowsers[] = {"org.mozilla.firefox", "com.google.Chrome", "com.brave.Browser"};

// The bundle identifier of the index-th browser: first the known ones (which bring private entries), then
// made-up ones.
std::string browserId(int index) {
    return index < 3 ? knownBrowsers[index] : "org.example.Browser" + std::to_string(index);
}

void prewarmedPickerList(benchmark::State& state) {
    testing::TemporaryFolder folder;
    auto workspace = std::make_shared<testing::FakeWorkspace>();
    for (int index = 0; index < 7; ++index) {  // ten entries: seven browsers and three private windows
        workspace->install(browserId(index), "Browser " + std::to_string(index), {"http", "https"});
    }
    ApplicationScanner scanner(workspace, Url::fromFilePath(folder.path() / "host.desktop"),
                               std::make_shared<EmptyBrowserPersonaCatalog>());
    ApplicationDirectory directory(scanner, ApplicationPreferencesStore(folder.path() / "Preferences.json"),
                                   workspace);
    directory.prewarmPickerApplications();
    for (auto _ : state) {
        benchmark::DoNotOptimize(directory.prewarmedPickerApplications(web));
    }
    state.counters["entries"] = static_cast<double>(directory.prewarmedPickerApplications(web).size());
}
BENCHMARK(prewarmedPickerList);

// A private desktop with twenty installed browsers: half in the user's folder, listed in its mimeinfo.cache,
// half in a system folder without one (found by their MimeType) among 200 other entries. GIO reads the XDG
// folders once per process, so the sandbox is made before the first GIO call (the benchmark below is the only
// one using GIO).
constexpr int desktopBrowsers = 20;
constexpr int otherEntries = 200;

std::unique_ptr<testing::DesktopSandbox> makeDesktopSandbox() {
    auto sandbox = std::make_unique<testing::DesktopSandbox>();
    std::string handlers;
    for (int index = 0; index < desktopBrowsers; ++index) {
        auto id = browserId(index);
        auto folder = index % 2 == 0 ? "data/applications/" : "system/applications/";
        sandbox->write(
            folder + id + ".desktop",
            "[Desktop Entry]\nType=Application\nName=Browser " + std::to_string(index) +
                "\nExec=true %u\nIcon=browser\nMimeType=x-scheme-handler/http;x-scheme-handler/https;");
        handlers += index % 2 == 0 ? id + ".desktop;" : "";
    }
    // And what games and Wine leave there: entries that handle no links.
    for (int index = 0; index < otherEntries; ++index) {
        sandbox->write("system/applications/org.example.Game" + std::to_string(index) + ".desktop",
                       "[Desktop Entry]\nType=Application\nName=Game\nExec=true\nCategories=Game;");
    }
    // What update-desktop-database writes from the MimeType keys.
    sandbox->write("data/applications/mimeinfo.cache", "[MIME Cache]\nx-scheme-handler/http=" + handlers +
                                                           "\nx-scheme-handler/https=" + handlers);
    return sandbox;
}

void rescanDesktopBrowsers(benchmark::State& state) {
    static auto sandbox = makeDesktopSandbox();
    std::shared_ptr<const Workspace> workspace = freedesktop::makeDesktopWorkspace();
    ApplicationScanner scanner(workspace, Url::fromFilePath(sandbox->root() / "host.desktop"),
                               std::make_shared<FileBrowserPersonaCatalog>(Paths::fromEnvironment()));
    ApplicationDirectory directory(scanner,
                                   ApplicationPreferencesStore(sandbox->root() / "Preferences.json"));
    // A user who moved two browsers up and hid one.
    directory.setOrder({browserId(5), browserId(1)}, web);
    directory.setHidden(true, directory.allApplications(web).at(3));
    std::size_t entries = 0;
    for (auto _ : state) {
        auto visible = directory.visibleApplications(web);
        entries = visible.size();
        benchmark::DoNotOptimize(visible);
    }
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(rescanDesktopBrowsers)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
