// The rule engine's costs: answering a link with the rule file unchanged (one attribute read and one pass
// over the rules), and reading a large rule file.

#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "ferrywise/rules/LinkRuleEngine.hpp"

#include "support/FakeWorkspace.hpp"
#include "support/TemporaryFolder.hpp"

namespace {

using namespace ferrywise;

// A user's list: mostly domain rules, some with subdomains, a path prefix and an exact link every so often,
// all for different sites; only "site<n/2>.example" matches the benchmark link.
std::vector<LinkRule> makeRules(std::int64_t count) {
    std::vector<LinkRule> rules;
    rules.reserve(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        auto site = "site" + std::to_string(i) + ".example";
        auto matcher = i % 10 == 3 ? LinkRuleMatcher::pathPrefix("docs." + site, "/guide")
                       : i % 10 == 7
                           ? LinkRuleMatcher::exactURL("https://" + site + "/page?id=" + std::to_string(i))
                           : LinkRuleMatcher::domain(site, i % 2 == 0);
        std::optional<std::string> source;
        if (i % 5 == 1) {
            source = "org.gnome.Evolution";
        }
        rules.emplace_back(Uuid::generate(), std::move(matcher), i % 3 == 0 ? "firefox#private" : "firefox",
                           std::move(source));
    }
    return rules;
}

struct Fixture {
    explicit Fixture(std::int64_t count) : store(folder.path() / "LinkRules.json") {
        // Real bundle files, so that telling the target from the router costs what it costs in use.
        workspace->install(
            "firefox", "Firefox", {"http", "https"},
            Url::fromFilePath(folder.write("applications/firefox.desktop", "[Desktop Entry]\n")));
        ownBundleUrl = Url::fromFilePath(folder.write("applications/velmora.desktop", "[Desktop Entry]\n"));
        store.save(makeRules(count));
    }

    testing::TemporaryFolder folder;
    LinkRuleStore store;
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    Url ownBundleUrl = *Url::parse("file:///");
};

void BM_MatchUnchangedFile(benchmark::State& state) {
    Fixture fixture(state.range(0));
    LinkRuleEngine engine(fixture.store, fixture.workspace, fixture.ownBundleUrl);
    // site<count/2> is an even number's site: a domain rule, matched by its subdomain "www.".
    auto link = *InterceptedLink::make(*Url::parse("https://www.site" + std::to_string(state.range(0) / 2) +
                                                   ".example/articles/1?ref=home"));
    auto calendar = Calendar::gregorian("Europe/Berlin");
    auto now = std::chrono::system_clock::now();
    if (!engine.match(link, now, calendar)) {
        state.SkipWithError("the link matched no rule");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.match(link, now, calendar));
    }
}
BENCHMARK(BM_MatchUnchangedFile)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_LoadRuleFile(benchmark::State& state) {
    Fixture fixture(state.range(0));
    for (auto _ : state) {
        auto rules = fixture.store.load();
        if (rules.size() != static_cast<std::size_t>(state.range(0))) {
            state.SkipWithError("the rule file did not read back");
            return;
        }
        benchmark::DoNotOptimize(rules);
    }
}
BENCHMARK(BM_LoadRuleFile)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
