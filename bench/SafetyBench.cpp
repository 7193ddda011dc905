// The link-safety check on a link that draws no warning, with the user's rule hosts as known sites, and
// Punycode decoding side by side with ICU's reading of the same "xn--" labels.

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include <benchmark/benchmark.h>
#include <unicode/uidna.h>

#include "ferrywise/processing/LinkSafety.hpp"
#include "ferrywise/processing/Punycode.hpp"

namespace {

using namespace ferrywise;

// Rule hosts as users write them: mostly "www." hosts, some bare domains and deeper subdomains.
std::vector<std::string> makeKnownHosts(std::int64_t count) {
    std::vector<std::string> hosts;
    for (std::int64_t i = 0; i < count; ++i) {
        auto site = "site" + std::to_string(i) + ".example";
        hosts.push_back(i % 3 == 0 ? site : i % 3 == 1 ? "www." + site : "docs.eu." + site);
    }
    return hosts;
}

void BM_CheckQuietLink(benchmark::State& state) {
    auto knownHosts = makeKnownHosts(state.range(0));
    std::unordered_set<std::string> dismissed = {"tracker.example", "ads.example"};
    auto link =
        *InterceptedLink::make(*Url::parse("https://www.wikipedia.org/wiki/Uniform_Resource_Locator"));
    if (LinkSafety::check(link, knownHosts, dismissed)) {
        state.SkipWithError("the link drew a warning");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(LinkSafety::check(link, knownHosts, dismissed));
    }
}
BENCHMARK(BM_CheckQuietLink)->Arg(0)->Arg(100)->Unit(benchmark::kMicrosecond);

// The first check after the rule hosts changed, when every host is reduced again: two lists alternate.
void BM_CheckQuietLinkWithNewRuleHosts(benchmark::State& state) {
    std::vector<std::vector<std::string>> lists = {makeKnownHosts(state.range(0)),
                                                   makeKnownHosts(state.range(0))};
    lists[1].back() = "changed.example";
    std::unordered_set<std::string> dismissed;
    auto link =
        *InterceptedLink::make(*Url::parse("https://www.wikipedia.org/wiki/Uniform_Resource_Locator"));
    std::size_t turn = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LinkSafety::check(link, lists[turn++ % 2], dismissed));
    }
}
BENCHMARK(BM_CheckQuietLinkWithNewRuleHosts)->Arg(100)->Unit(benchmark::kMicrosecond);

// Labels of several scripts and lengths, without their "xn--".
const std::vector<std::string>& sampleLabels() {
    static const std::vector<std::string> labels = {
        "mnchen-3ya",                // münchen
        "bcher-kva",                 // bücher
        "e1afmkfd",                  // пример
        "pypal-4ve",                 // pаypal with a Cyrillic а
        "ihqwcrb4cv8a8dqg056pqjye",  // Chinese
        "wgbh1c",                    // Arabic
        "989aomsvi5e83db1d2a355cv1e0vak1dwrv93d5xbh15a0dt30a5jpsd879ccm6fea98c",  // Korean
        "ls8h",                                                                   // an emoji
    };
    return labels;
}

void BM_PunycodeDecode(benchmark::State& state) {
    const auto& labels = sampleLabels();
    for (auto _ : state) {
        for (const auto& label : labels) {
            benchmark::DoNotOptimize(Punycode::decode(label));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(labels.size()));
}
BENCHMARK(BM_PunycodeDecode);

void BM_IcuLabelToUnicode(benchmark::State& state) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UIDNA, void (*)(UIDNA*)> idna(uidna_openUTS46(UIDNA_DEFAULT, &status), uidna_close);
    if (U_FAILURE(status)) {
        state.SkipWithError("ICU has no UTS #46 processing");
        return;
    }
    std::vector<std::string> labels;
    for (const auto& label : sampleLabels()) {
        labels.push_back("xn--" + label);
    }
    for (auto _ : state) {
        for (const auto& label : labels) {
            // A fresh string per label, as Punycode::decode returns one.
            std::string result(label.size() * 3, '\0');
            UIDNAInfo info = UIDNA_INFO_INITIALIZER;
            UErrorCode error = U_ZERO_ERROR;
            auto length =
                uidna_labelToUnicodeUTF8(idna.get(), label.data(), static_cast<int32_t>(label.size()),
                                         result.data(), static_cast<int32_t>(result.size()), &info, &error);
            result.resize(static_cast<std::size_t>(length));
            benchmark::DoNotOptimize(result);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(labels.size()));
}
BENCHMARK(BM_IcuLabelToUnicode);

void BM_DecodedHost(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(Punycode::decodedHost("www.xn--mnchen-3ya.de"));
        benchmark::DoNotOptimize(Punycode::decodedHost("www.wikipedia.org"));
    }
}
BENCHMARK(BM_DecodedHost);

}  // namespace

BENCHMARK_MAIN();
