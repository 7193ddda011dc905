// The per-link costs on the routing path: accepting a URL text as a link, and reading a stored target.

#include <benchmark/benchmark.h>

#include "ferrywise/applications/ApplicationTarget.hpp"
#include "ferrywise/link/InterceptedLink.hpp"

namespace {

using namespace ferrywise;

void BM_InterceptedLinkFromText(benchmark::State& state) {
    const std::string text =
        "https://www.example.com/articles/2026/12/link-routing?ref=home&lang=en#section-2";
    for (auto _ : state) {
        auto url = Url::parse(text);
        auto link = InterceptedLink::make(std::move(*url));
        benchmark::DoNotOptimize(link);
    }
}
BENCHMARK(BM_InterceptedLinkFromText);

void BM_UrlParse(benchmark::State& state) {
    const std::string text =
        "https://www.example.com/articles/2026/12/link-routing?ref=home&lang=en#section-2";
    for (auto _ : state) {
        benchmark::DoNotOptimize(Url::parse(text));
    }
}
BENCHMARK(BM_UrlParse);

void BM_InterceptedLinkLogSummary(benchmark::State& state) {
    auto link =
        *InterceptedLink::make(*Url::parse("mailto:someone@example.com,other@example.org?subject=Hi"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(link.logSummary());
    }
}
BENCHMARK(BM_InterceptedLinkLogSummary);

void BM_TargetIdentifierParseAndStore(benchmark::State& state) {
    const std::string stored =
        state.range(0) == 0 ? "org.mozilla.firefox" : "com.google.Chrome#profile:Profile 1";
    for (auto _ : state) {
        auto id = ApplicationTargetIdentifier::fromStored(stored);
        benchmark::DoNotOptimize(id.stored());
    }
}
BENCHMARK(BM_TargetIdentifierParseAndStore)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
