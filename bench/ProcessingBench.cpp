// Link processing on the way in: cleaning tracking parameters and rewriting indirect links, per link.

#include <benchmark/benchmark.h>

#include "ferrywise/processing/LinkRewriter.hpp"
#include "ferrywise/processing/URLCleaner.hpp"

namespace {

using namespace ferrywise;

// Six query items, three of them tracking parameters (one from the list, two by prefix).
void cleanSixItemsThreeTracking(benchmark::State& state) {
    URLCleaner cleaner({"ref_src"});
    auto url = *Url::parse(
        "https://shop.example.com/products/item-42?id=42&utm_source=newsletter&color=blue&fbclid=IwAR3x&"
        "size=m&utm_medium=email#reviews");
    for (auto _ : state) {
        benchmark::DoNotOptimize(cleaner.clean(url));
    }
}
BENCHMARK(cleanSixItemsThreeTracking);

// The common case: nothing to remove, the link comes back as it is.
void cleanNothingToRemove(benchmark::State& state) {
    URLCleaner cleaner;
    auto url = *Url::parse("https://shop.example.com/products/item-42?id=42&color=blue&size=m&page=2");
    for (auto _ : state) {
        benchmark::DoNotOptimize(cleaner.clean(url));
    }
}
BENCHMARK(cleanNothingToRemove);

void expandShortVideoLink(benchmark::State& state) {
    auto url = *Url::parse("https://youtu.be/dQw4w9WgXcQ?t=42");
    for (auto _ : state) {
        benchmark::DoNotOptimize(LinkRewriter::expand(url));
    }
}
BENCHMARK(expandShortVideoLink);

void expandOrdinaryLink(benchmark::State& state) {
    auto url = *Url::parse("https://news.example.org/2026/12/06/story.html?ref=home");
    for (auto _ : state) {
        benchmark::DoNotOptimize(LinkRewriter::expand(url));
    }
}
BENCHMARK(expandOrdinaryLink);

}  // namespace

BENCHMARK_MAIN();
