// The application directory's costs: handing the picker its kept list (what opening the picker pays), and a
// full rescan of the installed browsers through the desktop's registry with the user's arrangement applied
// (what the picker pays when its list was dropped by a change).

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include "ferrywise/applications/ApplicationDirectory.hpp"
#include "ferrywise/freedesktop/DesktopWorkspace.hpp"

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

// A private desktop with twenty installed browsers. GIO reads the XDG folders once per process, so the
// environment is pointed at a temporary folder before the first GIO call (the benchmark below is the only
// one using GIO).
class DesktopSandbox {
  public:
    static constexpr int browsers = 20;

    DesktopSandbox() {
        const auto& root = folder_.path();
        std::istringstream folders(
            "HOME home XDG_DATA_HOME data XDG_DATA_DIRS system XDG_CONFIG_HOME config XDG_CONFIG_DIRS etc "
            "XDG_CACHE_HOME cache XDG_RUNTIME_DIR run GIO_MODULE_DIR gio");
        for (std::string variable, folder; folders >> variable >> folder;) {
            std::filesystem::create_directories(root / folder);
            ::setenv(variable.c_str(), (root / folder).c_str(), 1);
        }
        std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
        // No session bus and no GVfs or dconf: GIO works on the files alone.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (root / "run/no-bus").string()).c_str(), 1);
        ::setenv("GSETTINGS_BACKEND", "memory", 1);
        std::string handlers;
        for (int index = 0; index < browsers; ++index) {
            auto id = browserId(index);
            folder_.write("data/applications/" + id + ".desktop",
                          "[Desktop Entry]\nType=Application\nName=Browser " + std::to_string(index) +
                              "\nExec=true %u\nIcon=browser\n"
                              "MimeType=x-scheme-handler/http;x-scheme-handler/https;\n");
            handlers += id + ".desktop;";
        }
        // What update-desktop-database writes from the MimeType keys.
        folder_.write("data/applications/mimeinfo.cache", "[MIME Cache]\nx-scheme-handler/http=" + handlers +
                                                              "\nx-scheme-handler/https=" + handlers + "\n");
    }

    [[nodiscard]] std::filesystem::path path(const char* relative) const { return folder_.path() / relative; }

  private:
    testing::TemporaryFolder folder_;
};

void rescanDesktopBrowsers(benchmark::State& state) {
    static DesktopSandbox sandbox;
    std::shared_ptr<const Workspace> workspace = freedesktop::makeDesktopWorkspace();
    ApplicationScanner scanner(workspace, Url::fromFilePath(sandbox.path("host.desktop")),
                               std::make_shared<FileBrowserPersonaCatalog>(sandbox.path("data")));
    ApplicationDirectory directory(scanner, ApplicationPreferencesStore(sandbox.path("Preferences.json")));
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
