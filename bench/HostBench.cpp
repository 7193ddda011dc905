// What one link costs the `ferrywise` host as the desktop runs it: a whole process, from start to decision,
// with 100 rules and 10 installed applications (answers of the registry kept from the previous run, or not),
// beside the desktop's own one-line query of the https handler (`xdg-mime query default`) on the same
// sandbox. Wall time per process and the largest resident memory any of them reached.

#include <array>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/rules/LinkRuleStore.hpp"

#include "support/DesktopSandbox.hpp"

extern char** environ;

namespace {

using namespace ferrywise;

const std::vector<std::string> browsers = {"chromium",       "firefox-esr",   "org.gnome.Epiphany",
                                           "org.kde.falkon", "google-chrome", "brave-browser",
                                           "vivaldi-stable", "microsoft-edge"};
const std::vector<std::string> mailClients = {"claws-mail", "thunderbird"};

std::unique_ptr<testing::DesktopSandbox> makeSandbox() {
    auto sandbox = std::make_unique<testing::DesktopSandbox>();
    auto entry = [&](const std::string& id, const std::string& types) {
        sandbox->write("data/applications/" + id + ".desktop",
                       "[Desktop Entry]\nType=Application\nName=" + id + "\nExec=true %u\nIcon=" + id +
                           "\nMimeType=" + types);
    };
    for (const auto& id : browsers) {
        entry(id, "x-scheme-handler/http;x-scheme-handler/https;text/html;");
    }
    for (const auto& id : mailClients) {
        entry(id, "x-scheme-handler/mailto;");
    }
    auto applications = sandbox->root() / "data/applications";
    if (std::system(("update-desktop-database " + applications.string()).c_str()) != 0) {
        std::abort();
    }
    std::vector<LinkRule> rules;
    for (int index = 0; index < 100; ++index) {
        rules.emplace_back(Uuid::generate(),
                           LinkRuleMatcher::domain("site" + std::to_string(index) + ".example", true),
                           browsers.at(static_cast<std::size_t>(index) % browsers.size()));
    }
    LinkRuleStore(LinkRuleStore::defaultFileUrl(Paths::fromEnvironment())).save(rules);
    return sandbox;
}

const testing::DesktopSandbox& sandbox() {
    static auto made = makeSandbox();
    return *made;
}

// Runs the program to its end with its output discarded; returns its peak resident memory in KiB.
long runProcess(const std::vector<std::string>& arguments) {
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (auto& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv.front(), &actions, nullptr, argv.data(), environ) != 0) {
        std::abort();
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::abort();
    }
    return usage.ru_maxrss;
}

// With `cold`, the host's registry cache is removed before each run, as after any change to the installed
// applications: the run asks the desktop (GIO) again.
void measure(benchmark::State& state, const std::vector<std::string>& arguments, bool cold = false) {
    (void)sandbox();
    auto cache = Paths::fromEnvironment().cachesFolder() / "Registry.json";
    long peak = cold ? 0 : runProcess(arguments);  // the run that fills the cache, not timed
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            std::filesystem::remove(cache);
            state.ResumeTiming();
        }
        peak = std::max(peak, runProcess(arguments));
    }
    state.counters["peakMiB"] = static_cast<double>(peak) / 1024.0;
}

// A link a rule decides: the rule file is read, the applications are not scanned.
void routeByRule(benchmark::State& state) {
    measure(state, {FERRYWISE_HOST_BINARY, "route", "https://www.site42.example/page?utm_source=x"});
}
BENCHMARK(routeByRule)->UseRealTime()->Unit(benchmark::kMillisecond);

// A link no rule decides: the applications are scanned for the picker's candidates too.
void routeWithoutRule(benchmark::State& state) {
    measure(state, {FERRYWISE_HOST_BINARY, "route", "https://unknown.example/"});
}
BENCHMARK(routeWithoutRule)->UseRealTime()->Unit(benchmark::kMillisecond);

void routeWithoutRuleAfterAChange(benchmark::State& state) {
    measure(state, {FERRYWISE_HOST_BINARY, "route", "https://unknown.example/"}, true);
}
BENCHMARK(routeWithoutRuleAfterAChange)->UseRealTime()->Unit(benchmark::kMillisecond);

// From the start of `ferrywise open` to the picker window's first frame (Qt's offscreen platform), with
// ten candidates: the six private-window entries beyond them are hidden. The window program reports the
// split; the process is then ended, which cancels the picker.
void pickerWindowFirstFrame(benchmark::State& state) {
    (void)sandbox();
    auto preferences = Paths::fromEnvironment().applicationSupportFolder() / "ApplicationPreferences.json";
    nlohmann::json hidden = nlohmann::json::array();
    for (const auto& id : {"brave-browser", "vivaldi-stable", "microsoft-edge", "google-chrome",
                           "org.kde.falkon", "org.gnome.Epiphany"}) {
        hidden.push_back(std::string(id) + "#private");
    }
    JsonFile::write(preferences,
                    {{"families", {{"web", {{"hidden", hidden}, {"order", nlohmann::json::array()}}}}}});
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::map<std::string, double> split;
    for (auto _ : state) {
        int errors[2];
        if (::pipe(errors) != 0) {
            std::abort();
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, errors[1], 2);
        std::array<std::string, 6> words{FERRYWISE_HOST_BINARY,      "open",
                                         "https://unknown.example/", "--window",
                                         "--report-first-frame",     "0"};
        std::vector<char*> argv;
        for (auto& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(errors[1]);
        std::string said;
        // Up to the end of the line that reports the first frame.
        for (char character = 0; (said.find("first frame") == std::string::npos || said.back() != '\n') &&
                                 ::read(errors[0], &character, 1) == 1;) {
            said += character;
        }
        state.PauseTiming();
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        ::close(errors[0]);
        // "first frame after N ms (hand-over N ms, road N ms, Qt start N ms, first paint N ms)"
        for (const auto* part : {"hand-over ", "road ", "Qt start ", "first paint "}) {
            if (auto at = said.find(part); at != std::string::npos) {
                split[part] += std::atof(said.c_str() + at + std::strlen(part));
            }
        }
        state.ResumeTiming();
    }
    // Means over the iterations.
    const auto runs = static_cast<double>(state.iterations());
    state.counters["handOverMs"] = split["hand-over "] / runs;
    state.counters["roadMs"] = split["road "] / runs;
    state.counters["qtStartMs"] = split["Qt start "] / runs;
    state.counters["firstPaintMs"] = split["first paint "] / runs;
    std::filesystem::remove(preferences);
}
BENCHMARK(pickerWindowFirstFrame)->UseRealTime()->Unit(benchmark::kMillisecond);

void xdgMimeQueryDefault(benchmark::State& state) {
    measure(state, {"xdg-mime", "query", "default", "x-scheme-handler/https"});
}
BENCHMARK(xdgMimeQueryDefault)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
