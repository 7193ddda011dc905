#include "ferrywise/processing/ShortLinkResolver.hpp"

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/freedesktop/CurlHttpClient.hpp"

#include "support/Coroutines.hpp"
#include "support/LoopbackHttpServer.hpp"
#include "support/ManualClock.hpp"

namespace ferrywise {
namespace {

namespace asio = boost::asio;
using namespace std::chrono_literals;
using testing::LoopbackHttpServer;
using testing::ManualClock;
using testing::runToEnd;
using Backoff = ShortLinkResolver::FailureBackoff;

// An HttpClient that answers through a function and remembers each request.
class ScriptedHttpClient final : public HttpClient {
  public:
    explicit ScriptedHttpClient(std::function<HttpResponse(const HttpRequest&)> answer)
        : answer_(std::move(answer)) {}

    asio::awaitable<HttpResponse> send(HttpRequest request) override {
        requests.push_back(request);
        co_return answer_(request);
    }

    std::vector<HttpRequest> requests;

  private:
    std::function<HttpResponse(const HttpRequest&)> answer_;
};

HttpResponse redirectedTo(std::optional<Url> finalUrl) {
    return HttpResponse{.finalUrl = std::move(finalUrl), .statusCode = 200, .body = {}};
}

TEST(ShortLinkResolver, IsShortenedForShortenerHostsInAnyCaseAndTheirWwwForm) {
    struct Case {
        const char* url;
        bool shortened;
    };
    for (const auto& [url, shortened] : {
             Case{"https://bit.ly/abc", true},
             Case{"https://www.bit.ly/abc", true},
             Case{"HTTPS://BIT.LY/abc", true},
             Case{"http://WWW.Bit.Ly/abc?x=1", true},
             Case{"https://t.co/x", true},
             Case{"https://sub.bit.ly/abc", false},
             Case{"https://www.www.bit.ly/abc", false},
             Case{"https://bit.ly.example.com/abc", false},
             Case{"https://wwwbit.ly/abc", false},
             Case{"https://example.com/bit.ly", false},
             Case{"mailto:someone@bit.ly", false},
             Case{"bit.ly/abc", false},
             Case{"http://127.0.0.1/abc", false},
         }) {
        EXPECT_EQ(ShortLinkResolver::isShortened(*Url::parse(url)), shortened) << url;
    }
}

TEST(ShortLinkResolver, TableHoldsThirtyOneLowerCaseTwoLabelHosts) {
    const auto& table = *ShortLinkResolver::shorteners();
    EXPECT_EQ(table.size(), 31u);
    for (const auto& host : table) {
        EXPECT_EQ(ShortLinkResolver::hostKey(host), host) << host;  // lower case, no "www."
        const auto dot = host.find('.');
        EXPECT_TRUE(dot != std::string::npos && dot > 0 && dot + 1 < host.size() &&
                    host.find('.', dot + 1) == std::string::npos)
            << host;
    }
}

TEST(ShortLinkResolverFailureBackoff, CoolsDownForTheDurationThenForgetsTheEntry) {
    Backoff backoff;
    const Date failed = Date{} + 1000h;
    EXPECT_FALSE(backoff.isCoolingDown("bit.ly", 60, failed));
    backoff.recordFailure("bit.ly", failed);
    EXPECT_TRUE(backoff.isCoolingDown("bit.ly", 60, failed));
    EXPECT_TRUE(backoff.isCoolingDown("bit.ly", 60, failed + 59999ms));
    EXPECT_FALSE(backoff.isCoolingDown("t.co", 60, failed));
    EXPECT_FALSE(backoff.isCoolingDown("bit.ly", 60, failed + 60s));
    // The expired entry is gone: an earlier "now" no longer finds it.
    EXPECT_FALSE(backoff.isCoolingDown("bit.ly", 60, failed));

    backoff.recordFailure("bit.ly", failed);
    backoff.recordFailure("bit.ly", failed + 30s);  // the latest failure counts
    EXPECT_TRUE(backoff.isCoolingDown("bit.ly", 60, failed + 80s));
    backoff.clearFailure("bit.ly");
    EXPECT_FALSE(backoff.isCoolingDown("bit.ly", 60, failed + 80s));
}

class ShortLinkResolverTest : public ::testing::Test {
  protected:
    void SetUp() override { previousSink_ = Log::setSink(sink); }
    void TearDown() override { Log::setSink(previousSink_); }

    // A resolver over the real HTTP client, with the loopback names standing in for shorteners.
    ShortLinkResolver loopbackResolver(double timeout = 5) const {
        return ShortLinkResolver(timeout, 60, curl, loopbackShorteners, clock, backoff);
    }

    // A resolver over a scripted client, with the built-in shorteners.
    ShortLinkResolver scriptedResolver(const std::shared_ptr<ScriptedHttpClient>& client,
                                       double timeout = 5) const {
        return ShortLinkResolver(timeout, 60, client, nullptr, clock, backoff);
    }

    std::string resolved(const ShortLinkResolver& resolver, std::string_view link) {
        std::string result;
        auto url = *Url::parse(link);
        auto thrown = runToEnd([&]() -> asio::awaitable<void> {
            Url destination = co_await resolver.resolve(url);
            result = destination.absoluteString();
        }());
        EXPECT_EQ(thrown, nullptr);
        return result;
    }

    std::string localhostUrl(std::string_view path) const {
        return "http://localhost:" + std::to_string(server.port()) + std::string(path);
    }

    std::shared_ptr<RecordingLogSink> sink = std::make_shared<RecordingLogSink>();
    LoopbackHttpServer server;
    std::shared_ptr<HttpClient> curl = freedesktop::makeCurlHttpClient();
    std::shared_ptr<const ShortLinkResolver::HostSet> loopbackShorteners =
        std::make_shared<const ShortLinkResolver::HostSet>(
            ShortLinkResolver::HostSet{"127.0.0.1", "localhost"});
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(Date{} + 1000h);
    std::shared_ptr<Backoff> backoff = std::make_shared<Backoff>();

  private:
    std::shared_ptr<LogSink> previousSink_;
};

TEST_F(ShortLinkResolverTest, FollowsTheRedirectsWithHeadToTheFinalAddressWithQueryAndFragment) {
    server.redirect("/s", "/hop", 301);
    server.redirect("/hop", server.url("/article?id=7&ref=short#comments"), 302);
    server.respond("/article", 200, {}, "the page");
    EXPECT_EQ(resolved(loopbackResolver(), server.url("/s")), server.url("/article?id=7&ref=short#comments"));
    for (const auto& request : server.requests()) {
        EXPECT_EQ(request.method, "HEAD") << request.target;
    }
    EXPECT_EQ(server.requests().size(), 3u);
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(ShortLinkResolverTest, ShortenerAnsweringWithoutARedirectGivesTheLinkBackWhateverTheStatus) {
    server.respond("/ok", 200);
    server.respond("/missing", 404);
    server.respond("/broken", 500);
    for (const char* path : {"/ok", "/missing", "/broken"}) {
        EXPECT_EQ(resolved(loopbackResolver(), server.url(path)), server.url(path));
    }
    EXPECT_EQ(server.requests().size(), 3u);
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(ShortLinkResolverTest, OnlyHttpHttpsAndMailtoDestinationsAreTaken) {
    struct Case {
        std::string location;
        bool taken;
    };
    const std::string ftp = "ftp://127.0.0.1:" + std::to_string(server.port()) + "/file";
    for (const auto& [location, taken] : {
             Case{"mailto:someone@example.com?subject=Hi", true},
             Case{"MAILTO:someone@example.com", true},
             Case{ftp, false},
             Case{"javascript:alert(1)", false},
             Case{"data:text/html,hi", false},
         }) {
        server.redirect("/s", location);
        EXPECT_EQ(resolved(loopbackResolver(), server.url("/s")), taken ? location : server.url("/s"))
            << location;
    }
    // Unusable destinations are no failures: every link was asked for, nothing logged.
    EXPECT_EQ(server.requestCount("/s"), 5u);
    EXPECT_EQ(server.requestCount("/file"), 0u);
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(ShortLinkResolverTest, TimeOutIsLoggedAndCoolsTheHostDownButNotOtherShorteners) {
    server.neverAnswer("/hang");
    server.redirect("/s", "/article");
    server.respond("/article", 200);
    auto resolver = loopbackResolver(0.3);

    EXPECT_EQ(resolved(resolver, server.url("/hang")), server.url("/hang"));
    EXPECT_EQ(sink->messages("routing"),
              std::vector<std::string>{"Could not resolve a short link: the request timed out"});
    // Within the cool-down no link on that host is requested, the failing one or another.
    EXPECT_EQ(resolved(resolver, server.url("/hang")), server.url("/hang"));
    EXPECT_EQ(resolved(resolver, server.url("/s")), server.url("/s"));
    EXPECT_EQ(server.requests().size(), 1u);
    // Another shortener is still resolved.
    EXPECT_EQ(resolved(resolver, localhostUrl("/s")), localhostUrl("/article"));
    EXPECT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(sink->messages().size(), 1u);
}

TEST_F(ShortLinkResolverTest, RefusedConnectionCoolsTheHostDownUntilTheDurationHasPassed) {
    server.redirect("/s", "/article");
    server.respond("/article", 200);
    auto resolver = loopbackResolver();
    const std::string refused =
        "http://127.0.0.1:" + std::to_string(LoopbackHttpServer::refusedPort()) + "/s";

    EXPECT_EQ(resolved(resolver, refused), refused);
    EXPECT_EQ(sink->messages("routing"),
              std::vector<std::string>{"Could not resolve a short link: could not connect to the server"});
    // The key is the host alone: the live port on the same host waits too.
    clock->advance(59s);
    EXPECT_EQ(resolved(resolver, server.url("/s")), server.url("/s"));
    EXPECT_TRUE(server.requests().empty());
    clock->advance(1s);
    EXPECT_EQ(resolved(resolver, server.url("/s")), server.url("/article"));
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_FALSE(backoff->isCoolingDown("127.0.0.1", 60, clock->now()));
}

TEST_F(ShortLinkResolverTest, HttpsDestinationOfTheBuiltInShortenersKeepsQueryAndFragment) {
    auto client = std::make_shared<ScriptedHttpClient>([](const HttpRequest&) {
        return redirectedTo(Url::parse("https://news.example/2024/story?utm=no&id=5#top"));
    });
    EXPECT_EQ(resolved(scriptedResolver(client, 2.5), "https://WWW.Bit.ly/3xYz"),
              "https://news.example/2024/story?utm=no&id=5#top");
    ASSERT_EQ(client->requests.size(), 1u);
    EXPECT_EQ(client->requests[0].url.absoluteString(), "https://WWW.Bit.ly/3xYz");
    EXPECT_EQ(client->requests[0].method, HttpMethod::head);
    EXPECT_EQ(client->requests[0].timeout, 2500ms);
}

TEST_F(ShortLinkResolverTest, LinksOffTheShortenersComeBackWithoutARequest) {
    auto client = std::make_shared<ScriptedHttpClient>(
        [](const HttpRequest&) { return redirectedTo(Url::parse("https://elsewhere.example/")); });
    auto resolver = scriptedResolver(client);
    for (const char* link : {"https://sub.bit.ly/abc", "https://example.com/bit.ly", "mailto:someone@bit.ly",
                             "bit.ly/abc", "file:///bit.ly"}) {
        EXPECT_EQ(resolved(resolver, link), link);
    }
    EXPECT_TRUE(client->requests.empty());
}

TEST_F(ShortLinkResolverTest, OnlyATakenDestinationClearsAFailureRecordedMeanwhile) {
    // Another resolution of the same host fails while this one is under way.
    struct Case {
        std::optional<Url> finalUrl;
        bool stillCoolingDown;
    };
    const std::string link = "https://bit.ly/abc";
    for (const auto& [finalUrl, stillCoolingDown] : {
             Case{Url::parse("https://example.com/page"), false},
             Case{Url::parse(link), true},
             Case{std::nullopt, true},
             Case{Url::parse("ftp://example.com/file"), true},
             Case{Url::parse("//example.com/no-scheme"), true},
         }) {
        backoff->clearFailure("bit.ly");
        auto client = std::make_shared<ScriptedHttpClient>([&](const HttpRequest&) {
            backoff->recordFailure("bit.ly", clock->now());
            return redirectedTo(finalUrl);
        });
        const auto expected = finalUrl && !stillCoolingDown ? std::string(finalUrl->absoluteString()) : link;
        EXPECT_EQ(resolved(scriptedResolver(client), link), expected);
        EXPECT_EQ(backoff->isCoolingDown("bit.ly", 60, clock->now()), stillCoolingDown)
            << (finalUrl ? finalUrl->absoluteString() : "none");
    }
    EXPECT_TRUE(sink->messages().empty());
}

TEST_F(ShortLinkResolverTest, AnyErrorOfTheSessionIsLoggedAndRecordedUnderTheHostKey) {
    std::function<void()> fail;
    auto client = std::make_shared<ScriptedHttpClient>([&](const HttpRequest&) -> HttpResponse {
        fail();
        return redirectedTo(std::nullopt);
    });
    auto resolver = scriptedResolver(client);
    struct Case {
        std::function<void()> fail;
        std::string logged;
    };
    for (auto& [thrower, logged] : std::vector<Case>{
             {[] { throw HttpError("the server could not be found"); },
              "Could not resolve a short link: the server could not be found"},
             {[] { throw std::runtime_error("disk on fire"); },
              "Could not resolve a short link: disk on fire"},
             {[] { throw 42; }, "Could not resolve a short link: unknown error"},
         }) {
        sink->clear();
        backoff->clearFailure("t.co");
        fail = thrower;
        EXPECT_EQ(resolved(resolver, "https://www.T.co/abc"), "https://www.T.co/abc");
        EXPECT_EQ(sink->messages("routing"), std::vector<std::string>{logged});
        EXPECT_TRUE(backoff->isCoolingDown("t.co", 60, clock->now()));
    }
}

TEST_F(ShortLinkResolverTest, TimeoutBecomesWholeMillisecondsWithoutOverflow) {
    struct Case {
        double seconds;
        std::chrono::milliseconds sent;
    };
    for (const auto& [seconds, sent] : {
             Case{2.5, 2500ms},
             Case{0.0004, 1ms},
             Case{0, 0ms},
             Case{-3, 0ms},
             Case{std::nan(""), 0ms},
             Case{std::numeric_limits<double>::infinity(), 24h},
             Case{1e300, 24h},
         }) {
        auto client =
            std::make_shared<ScriptedHttpClient>([](const HttpRequest&) { return redirectedTo({}); });
        EXPECT_EQ(resolved(scriptedResolver(client, seconds), "https://bit.ly/a"), "https://bit.ly/a");
        ASSERT_EQ(client->requests.size(), 1u);
        EXPECT_EQ(client->requests[0].timeout, sent) << seconds;
    }
}

TEST_F(ShortLinkResolverTest, ResolversShareOneProcessWideBackoffByDefault) {
    auto failing = std::make_shared<ScriptedHttpClient>(
        [](const HttpRequest&) -> HttpResponse { throw HttpError("could not connect to the server"); });
    auto answering = std::make_shared<ScriptedHttpClient>(
        [](const HttpRequest&) { return redirectedTo(Url::parse("https://example.com/")); });
    ShortLinkResolver first(5, 60, failing);
    ShortLinkResolver second(5, 60, answering);
    EXPECT_EQ(resolved(first, "https://rb.gy/abc"), "https://rb.gy/abc");
    EXPECT_EQ(resolved(second, "https://rb.gy/def"), "https://rb.gy/def");
    EXPECT_TRUE(answering->requests.empty());
    Backoff::shared()->clearFailure("rb.gy");  // leaves the process-wide table as it was
}

}  // namespace
}  // namespace ferrywise
