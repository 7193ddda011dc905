// Favicons: what a view pays to ask for a site's icon that is already in memory, as it does for every row
// it draws, and to decode one (what a fetch or a cache file costs beyond its I/O).

#include <filesystem>
#include <fstream>
#include <iterator>

#include <benchmark/benchmark.h>
#include <boost/asio/io_context.hpp>
#include <unistd.h>

#include "ferrywise/applications/FaviconService.hpp"
#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/system/InMemoryUserDefaults.hpp"

namespace {

using namespace ferrywise;

std::string dataFile(const char* name) {
    std::ifstream file(std::string(FERRYWISE_TEST_DATA_DIR "/") + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void faviconFromMemory(benchmark::State& state) {
    const auto folder = std::filesystem::current_path() / ("favicon-bench-" + std::to_string(::getpid()));
    boost::asio::io_context io;
    FaviconService service(folder, GeneralPreferences(std::make_shared<InMemoryUserDefaults>(), "bench"),
                           io.get_executor());
    JsonFile::writeData(service.fileOf("example.org"), dataFile("favicon-32.ico"));
    if (!service.icon("example.org")) {  // read from disk once, then kept in memory
        state.SkipWithError("the icon was not cached");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(service.icon("www.example.org"));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(faviconFromMemory);

void decodeIcon(benchmark::State& state) {
    const auto ico = dataFile("favicon-32.ico");
    for (auto _ : state) {
        benchmark::DoNotOptimize(Image::decode(ico));
    }
}
BENCHMARK(decodeIcon);

}  // namespace
