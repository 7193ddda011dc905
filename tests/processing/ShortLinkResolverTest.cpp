#include "ferrywise/processing/ShortLinkResolver.hpp"

#include <functional>
#include <limits>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ferrywise/freedesktop/CurlHttpClient.hpp"

#include "support/CapturedLog.hpp"
#include "support/Coroutines.hpp"
#include "support/LoopbackHttpServer.hpp"
#include "support/ManualClock.hpp"

namespace ferrywise {
namespace {

using namespace std::chrono_literals;
using Backoff = ShortLinkResolver::FailureBackoff;
using Answer = std::function<std::optional<Url>()>;
using Messages = std::vector<std::string>;

// An HttpClient whose response ends at the address `answer` gives, or that throws what it throws.
class ScriptedHttpClient final : public HttpClient {
  public:
    boost::asio::awaitable<HttpResponse> send(HttpRequest request) override {
        requests.push_back(request);
        co_return HttpResponse{.finalUrl = answer(), .statusCode = 200, .body = {}};
    }

    Answer answer = [] { return std::nullopt; };
    std::vector<HttpRequest> requests;
};

class ShortLinkResolverTest : public ::testing::Test {
  protected:
    // Over the real HTTP client, with the loopback names standing in for shorteners.
    ShortLinkResolver loopbackResolver(double timeout) const {
        auto hosts = std::make_shared<const ShortLinkResolver::HostSet>(
            ShortLinkResolver::HostSet{"127.0.0.1", "localhost"});
        return ShortLinkResolver(timeout, 60, freedesktop::makeCurlHttpClient(), hosts, clock, backoff);
    }

    std::string resolved(const std::string& link) { return resolved(link, scripted); }
    std::string resolved(const std::string& link, const ShortLinkResolver& resolver) {
        std::string result;
        EXPECT_EQ(testing::runToEnd([&]() -> boost::asio::awaitable<void> {
                      result = (co_await resolver.resolve(Url::parse(link).value())).absoluteString();
                  }()),
                  nullptr);
        return result;
    }

    testing::CapturedLog sink;
    testing::LoopbackHttpServer server;
    std::shared_ptr<ScriptedHttpClient> client = std::make_shared<ScriptedHttpClient>();
    std::shared_ptr<testing::ManualClock> clock = std::make_shared<testing::ManualClock>(Date{} + 1000h);
    std::shared_ptr<Backoff> backoff = std::make_shared<Backoff>();
    // Over the scripted client, with the built-in shorteners.
    ShortLinkResolver scripted{5, 60, client, nullptr, clock, backoff};
};

TEST_F(ShortLinkResolverTest, ShortenersAreTheTableHostsInAnyCaseAndTheirWwwFormOtherLinksAreNotAsked) {
    EXPECT_TRUE(ShortLinkResolver::isShortened(Url::parse("http://WWW.Bit.Ly/abc?x=1").value()));
    for (const char* link : {"https://sub.bit.ly/abc", "https://www.www.bit.ly/abc",
                             "https://bit.ly.example.com/abc", "mailto:someone@bit.ly"}) {
        EXPECT_FALSE(ShortLinkResolver::isShortened(Url::parse(link).value())) << link;
        EXPECT_EQ(resolved(link), link);
    }
    EXPECT_TRUE(client->requests.empty());
}

TEST_F(ShortLinkResolverTest, TimeOutAndRefusedConnectionAreLoggedAndCoolTheirHostDownForTheDuration) {
    server.neverAnswer("/hang");
    server.redirect("/s", "/article");
    auto quick = loopbackResolver(0.3), resolver = loopbackResolver(5);
    const std::string live = "http://localhost:" + std::to_string(server.port());
    const auto refused =
        "http://127.0.0.1:" + std::to_string(testing::LoopbackHttpServer::refusedPort()) + "/s";
    EXPECT_EQ(resolved(live + "/hang", quick), live + "/hang");
    // The failure on one host does not hold back another.
    EXPECT_EQ(resolved(refused, resolver), refused);
    EXPECT_EQ(sink->messages("routing"),
              (Messages{"Could not resolve a short link: the request timed out",
                        "Could not resolve a short link: could not connect to the server"}));
    // Until the duration has passed no link on either host is requested; the key is the host alone, so the
    // live port on the refused host waits too.
    clock->advance(59s);
    EXPECT_EQ(resolved(live + "/s", resolver), live + "/s");
    EXPECT_EQ(resolved(server.url("/s"), resolver), server.url("/s"));
    EXPECT_EQ(server.requests().size(), 1u);
    clock->advance(1s);
    EXPECT_EQ(resolved(live + "/s", resolver), live + "/article");
    EXPECT_EQ(resolved(server.url("/s"), resolver), server.url("/article"));
}

TEST_F(ShortLinkResolverTest, RequestLimitIsInWholeMillisecondsRoundedUpWithoutOverflow) {
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    for (const auto& [seconds, sent] : std::initializer_list<std::pair<double, std::chrono::milliseconds>>{
             {2.5, 2500ms}, {0.0004, 1ms}, {0, 0ms}, {nan, 0ms}, {inf, 24h}}) {
        resolved("https://bit.ly/a", ShortLinkResolver(seconds, 60, client, nullptr, clock, backoff));
        EXPECT_EQ(client->requests.back().timeout, sent) << seconds;
    }
}

// The link is asked for with HEAD. A web or mail destination is taken; the link itself, another scheme or
// no destination gives the link back.
TEST_F(ShortLinkResolverTest,
       OnlyATakenDestinationClearsAFailureAndAnyErrorIsLoggedAndRecordedUnderTheHostKey) {
    const std::string link = "https://www.Bit.ly/abc";
    auto to = [](const char* url) -> Answer { return [url] { return Url::parse(url); }; };
    auto throwing = [](auto error) -> Answer { return [error]() -> std::optional<Url> { throw error; }; };
    const std::vector<std::tuple<Answer, std::string, std::string>> answers = {
        {to("https://example.com/page"), "https://example.com/page", ""},
        {to("mailto:someone@example.com?subject=Hi"), "mailto:someone@example.com?subject=Hi", ""},
        {to("https://www.Bit.ly/abc"), link, ""},
        {to("ftp://example.com/file"), link, ""},
        {to("javascript:alert(1)"), link, ""},
        {[] { return std::nullopt; }, link, ""},
        {throwing(std::runtime_error("disk on fire")), link, "disk on fire"},
        {throwing(42), link, "unknown error"}};
    for (const auto& [answer, expected, logged] : answers) {
        sink->clear();
        backoff->clearFailure("bit.ly");
        client->answer = [&] {  // another resolution of the same host fails meanwhile
            backoff->recordFailure("bit.ly", clock->now());
            return answer();
        };
        EXPECT_EQ(resolved(link), expected);
        EXPECT_EQ(client->requests.back().method, HttpMethod::head);
        EXPECT_EQ(backoff->isCoolingDown("bit.ly", 60, clock->now()), expected == link) << expected;
        EXPECT_EQ(sink->messages("routing"),
                  logged.empty() ? Messages{} : Messages{"Could not resolve a short link: " + logged});
    }
}

TEST_F(ShortLinkResolverTest, OperationsOutliveTheirResolverAndResolversShareOneBackoffAndClientByDefault) {
    client->answer = [] { return Url::parse("https://example.com/page"); };
    // The resolver is gone before the operation first runs.
    auto operation =
        ShortLinkResolver(5, 60, client, nullptr, clock, backoff).resolve(*Url::parse("https://bit.ly/x"));
    std::optional<Url> result;
    EXPECT_EQ(testing::runToEnd(
                  [&]() -> boost::asio::awaitable<void> { result = co_await std::move(operation); }()),
              nullptr);
    EXPECT_EQ(result, Url::parse("https://example.com/page"));

    EXPECT_EQ(ShortLinkResolver(5, 60).session(), ShortLinkResolver(1, 1).session());
    client->answer = []() -> std::optional<Url> { throw HttpError("could not connect to the server"); };
    auto answering = std::make_shared<ScriptedHttpClient>();
    EXPECT_EQ(resolved("https://rb.gy/abc", ShortLinkResolver(5, 60, client)), "https://rb.gy/abc");
    EXPECT_EQ(resolved("https://rb.gy/def", ShortLinkResolver(5, 60, answering)), "https://rb.gy/def");
    EXPECT_TRUE(answering->requests.empty());
    Backoff::shared()->clearFailure("rb.gy");  // leaves the process-wide table as it was
}

}  // namespace
}  // namespace ferrywise
