// The settings store: what one read and one write of a setting cost with the file-backed store, whose
// reads check the file for changes by other processes and whose writes are atomic and flushed to disk.

#include <filesystem>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "ferrywise/freedesktop/FileUserDefaults.hpp"
#include "ferrywise/settings/GeneralPreferences.hpp"
#include "ferrywise/settings/RoutingStatistics.hpp"
#include "ferrywise/system/InMemoryUserDefaults.hpp"

namespace {

using namespace ferrywise;

// A folder beside the build, on the same disk the user's configuration would be on.
class ScratchFolder {
  public:
    ScratchFolder()
        : path_(std::filesystem::current_path() / ("settings-bench-" + std::to_string(::getpid()))) {}
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Twenty settings in the domain, as a configured application has.
template <typename Store>
void fill(Store& defaults) {
    for (int index = 0; index < 20; ++index) {
        defaults.set("setting" + std::to_string(index), index % 2 == 0);
    }
    defaults.set("keptTrackingParameters", {"ref", "utm_source", "fbclid"});
}

void fileStoreReadBoolean(benchmark::State& state) {
    ScratchFolder folder;
    freedesktop::FileUserDefaults defaults(folder.path(), "app.example.Router");
    fill(defaults);
    for (auto _ : state) {
        benchmark::DoNotOptimize(defaults.boolean("setting7"));
    }
}
BENCHMARK(fileStoreReadBoolean);

void fileStoreWriteInteger(benchmark::State& state) {
    ScratchFolder folder;
    freedesktop::FileUserDefaults defaults(folder.path(), "app.example.Router");
    fill(defaults);
    std::int64_t value = 0;
    for (auto _ : state) {
        defaults.set("routedCountToday", ++value);
    }
}
BENCHMARK(fileStoreWriteInteger)->Unit(benchmark::kMillisecond);

// What routing one link reads: the switches that decide processing and the picker.
void fileStorePreferencesForOneLink(benchmark::State& state) {
    ScratchFolder folder;
    auto defaults = std::make_shared<freedesktop::FileUserDefaults>(folder.path(), "app.example.Router");
    fill(*defaults);
    GeneralPreferences preferences(defaults, "app.example.Router");
    preferences.setFallbackTarget("org.mozilla.firefox");
    for (auto _ : state) {
        benchmark::DoNotOptimize(preferences.cleansTrackingParameters());
        benchmark::DoNotOptimize(preferences.keptTrackingParameters());
        benchmark::DoNotOptimize(preferences.resolvesShortLinks());
        benchmark::DoNotOptimize(preferences.alwaysAsks());
        benchmark::DoNotOptimize(preferences.fallbackTarget());
        benchmark::DoNotOptimize(preferences.dismissedWarningHosts());
        benchmark::DoNotOptimize(preferences.pickerStyle());
        benchmark::DoNotOptimize(preferences.ringMaximumCandidates());
    }
}
BENCHMARK(fileStorePreferencesForOneLink);

// Counting one routed link: three keys written together, atomically and flushed.
void fileStoreRecordRoutedLink(benchmark::State& state) {
    ScratchFolder folder;
    auto defaults = std::make_shared<freedesktop::FileUserDefaults>(folder.path(), "app.example.Router");
    fill(*defaults);
    RoutingStatistics statistics(
        defaults, [] { return std::chrono::system_clock::now(); }, Calendar::gregorian("UTC"));
    for (auto _ : state) {
        statistics.recordRoutedLink();
    }
}
BENCHMARK(fileStoreRecordRoutedLink)->Unit(benchmark::kMillisecond);

void memoryStoreReadBoolean(benchmark::State& state) {
    InMemoryUserDefaults defaults;
    fill(defaults);
    for (auto _ : state) {
        benchmark::DoNotOptimize(defaults.boolean("setting7"));
    }
}
BENCHMARK(memoryStoreReadBoolean);

}  // namespace

BENCHMARK_MAIN();
