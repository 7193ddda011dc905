#include "ferrywise/freedesktop/CurlHttpClient.hpp"

#include <string>
#include <thread>
#include <vector>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Coroutines.hpp"
#include "support/LoopbackHttpServer.hpp"

namespace ferrywise::freedesktop {
namespace {

namespace asio = boost::asio;
using namespace std::chrono_literals;
using testing::LoopbackHttpServer;
using Strings = std::vector<std::string>;

// The server answers every path the tests ask for; /hang never.
class CurlHttpClientTest : public ::testing::Test {
  protected:
    CurlHttpClientTest() {
        for (int i = 0; large.size() < 1024 * 1024; ++i) {
            large += std::to_string(i) + ' ';
        }
        server.respond("/page", 200, {{"Set-Cookie", "session=1; Path=/"}}, large);
        server.respond("/gone", 410, {}, "gone for good");
        server.respond("/choices", 300, {{"Location", "/elsewhere"}});
        server.respond("/huge", 200, {}, std::string(16 * 1024 * 1024 + 1, 'x'));
        server.respond("/a", 301, {{"Set-Cookie", "hop=2; Path=/"}, {"Location", "/b"}});
        server.redirect("/b", "c", 303);
        server.redirect("/c", server.url("/page?x=1#part"), 308);
        server.redirect("/mail", mail);
        for (int hop = 0; hop < 10; ++hop) {
            server.redirect("/r" + std::to_string(hop), "/r" + std::to_string(hop + 1));
        }
        server.redirect("/r10", "/gone");
        server.redirect("/slow", "/hang");
        server.neverAnswer("/hang");
    }

    struct Outcome {
        std::optional<HttpResponse> response;
        std::string error;  // the description of the HttpError thrown, if any
    };

    Outcome send(const std::string& url, HttpMethod method = HttpMethod::head,
                 std::chrono::milliseconds timeout = 5s) {
        Outcome outcome;
        HttpRequest request{.url = *Url::parse(url), .method = method, .timeout = timeout};
        auto thrown = testing::runToEnd([&]() -> asio::awaitable<void> {
            outcome.response = co_await client->send(std::move(request));
        }());
        if (auto error = testing::thrownAs<HttpError>(thrown)) {
            outcome.error = error->what();
        }
        return outcome;
    }

    // Starts HEAD requests of the paths all at once on one event loop; "<path>: <error or ok>" in the order
    // they end, each on the calling thread.
    Strings sendSideBySide(
        std::initializer_list<std::pair<std::string, std::chrono::milliseconds>> requests) {
        asio::io_context context;
        Strings ended;
        auto request = [&](std::string path, std::chrono::milliseconds timeout) -> asio::awaitable<void> {
            std::string outcome = "ok";
            try {
                HttpRequest sent{
                    .url = *Url::parse(server.url(path)), .method = HttpMethod::head, .timeout = timeout};
                co_await client->send(std::move(sent));  // named: GCC 12 mishandles braced temporaries here
            } catch (const HttpError& error) {
                outcome = error.what();
            }
            EXPECT_EQ(std::this_thread::get_id(), caller);
            ended.push_back(path + ": " + outcome);
        };
        for (const auto& [path, timeout] : requests) {
            asio::co_spawn(context, request(path, timeout), asio::detached);
        }
        context.run();
        return ended;
    }

    // The method or the target of every request the server received, oldest first. None of them may carry
    // a cookie: the client never sends those it was given.
    Strings received(std::string LoopbackHttpServer::Request::*field) const {
        Strings values;
        for (const auto& request : server.requests()) {
            EXPECT_EQ(request.header("Cookie"), std::nullopt) << request.target;
            values.push_back(request.*field);
        }
        return values;
    }

    const std::string mail = "mailto:someone@example.com?subject=Hi";
    std::string large;  // of many numbers, to see that its pieces arrive in order
    LoopbackHttpServer server;
    std::shared_ptr<HttpClient> client = makeCurlHttpClient();
    const std::thread::id caller = std::this_thread::get_id();
};

// HEAD never downloads the body, GET reads every piece of it in order, and a status other than a redirect
// is the response whatever its Location says. Redirects by absolute path, by a path relative to the
// redirecting one and by absolute URL keep HEAD and send neither the fragment nor the cookie a redirect set;
// one to a scheme the client does not fetch is reported unrequested; ten in a row are followed. The longest
// limit there is must not overflow the deadline.
TEST_F(CurlHttpClientTest, ReturnsTheFinalResponseAfterTheRedirectsWithoutSendingCookies) {
    const std::tuple<std::string, HttpMethod, int, std::string, std::string> cases[] = {
        {"/page", HttpMethod::head, 200, "", server.url("/page")},
        {"/choices", HttpMethod::head, 300, "", server.url("/choices")},
        {"/a", HttpMethod::head, 200, "", server.url("/page?x=1#part")},
        {"/mail", HttpMethod::head, 302, "", mail},
        {"/page", HttpMethod::get, 200, large, server.url("/page")},
        {"/r1", HttpMethod::get, 410, "gone for good", server.url("/gone")},
    };
    for (const auto& [path, method, status, body, finalUrl] : cases) {
        auto outcome = send(server.url(path), method, std::chrono::milliseconds::max());
        ASSERT_TRUE(outcome.response) << path << ": " << outcome.error;
        EXPECT_EQ(outcome.response->statusCode, status) << path;
        EXPECT_TRUE(outcome.response->body == body) << path;  // not printed: one is a mebibyte
        EXPECT_EQ(outcome.response->finalUrl, Url::parse(finalUrl)) << path;
    }
    Strings methods(7, "HEAD");  // /page, /choices, /a, /b, /c, /page?x=1, /mail
    methods.resize(7 + 12, "GET");
    EXPECT_EQ(received(&LoopbackHttpServer::Request::method), methods);
    EXPECT_THAT(received(&LoopbackHttpServer::Request::target), ::testing::Contains("/page?x=1"));
}

// The time-out covers the redirects; no message quotes the address.
TEST_F(CurlHttpClientTest, TimeOutsRefusedConnectionsOtherSchemesElevenRedirectsAndHugeBodiesAreErrors) {
    const auto refusedPort = std::to_string(LoopbackHttpServer::refusedPort());
    using Row = std::tuple<std::string, HttpMethod, std::chrono::milliseconds, std::string>;
    for (const auto& [url, method, timeout, error] :
         {Row{server.url("/slow"), HttpMethod::head, 300ms, "the request timed out"},
          Row{"http://127.0.0.1:" + refusedPort + "/x", HttpMethod::head, 5s,
              "could not connect to the server"},
          Row{"ftp://127.0.0.1:" + std::to_string(server.port()) + "/x", HttpMethod::head, 5s,
              "only http and https addresses can be requested"},
          Row{server.url("/r0"), HttpMethod::head, 5s, "too many redirects"},
          Row{server.url("/huge"), HttpMethod::get, 5s, "the response is too large"}}) {
        EXPECT_EQ(send(url, method, timeout).error, error) << url;
    }
    EXPECT_EQ(server.requestCount("/hang"), 1u);
    EXPECT_EQ(server.requestCount("/gone"), 0u);  // where the eleventh redirect leads
}

// A public site must not bounce the request into this machine or its network, whether the address is
// written out or a name leads there (as "*.localhost" does).
TEST_F(CurlHttpClientTest, RedirectsFromAPublicOriginToLocalAddressesAreReportedUnrequested) {
    const auto port = ":" + std::to_string(server.port());
    for (const auto& location :
         {server.url("/inside"), "http://inside.localhost" + port + "/inside",
          std::string("http://169.254.169.254/latest/meta-data"), std::string("http://[fd00::1]/inside")}) {
        server.redirect("/s", location);
        auto outcome = send("http://shortener.localhost" + port + "/s");
        ASSERT_TRUE(outcome.response) << location << ": " << outcome.error;
        EXPECT_EQ(outcome.response->finalUrl, Url::parse(location)) << location;
        EXPECT_EQ(outcome.response->statusCode, 302);
    }
    EXPECT_EQ(server.requestCount("/inside"), 0u);
}

TEST(CurlHttpClientRedirects, NeverFromHttpsToHttpAndIntoLocalAddressesOnlyFromOne) {
    using Row = std::tuple<const char*, const char*, const char*, RedirectAccess>;
    for (const auto& [origin, from, target, access] :
         {Row{"http://bit.ly/a", "HTTPS://bit.ly/a", "HTTP://example.com/", RedirectAccess::none},
          Row{"https://bit.ly/a", "https://bit.ly/a", "https://172.31.0.1/", RedirectAccess::none},
          Row{"https://bit.ly/a", "https://bit.ly/a", "https://[::ffff:192.168.1.1]/", RedirectAccess::none},
          Row{"https://bit.ly/a", "https://bit.ly/a", "https://LOCALHOST./", RedirectAccess::none},
          Row{"https://bit.ly/a", "http://bit.ly/a", "https://172.32.0.1/", RedirectAccess::publicAddresses},
          Row{"http://[fe80::1]/", "http://[fe80::1]/", "http://[::1]/", RedirectAccess::any}}) {
        EXPECT_EQ(redirectAccess(*Url::parse(origin), *Url::parse(from), *Url::parse(target)), access)
            << origin << " " << from << " " << target;
    }
}

// The hanging request goes first; the quick one must not wait for its time-out. As many hanging requests as
// the client has workers (four) keep the next one waiting past its time-out, which counts the wait.
TEST_F(CurlHttpClientTest, CompletesOnTheCallersThreadSideBySideAndTimeSpentWaitingForAWorkerCounts) {
    EXPECT_EQ(sendSideBySide({{"/hang", 300ms}, {"/page", 5s}}),
              (Strings{"/page: ok", "/hang: the request timed out"}));
    auto ended =
        sendSideBySide({{"/hang", 1s}, {"/hang", 1s}, {"/hang", 1s}, {"/hang", 1s}, {"/page", 300ms}});
    using ::testing::Each, ::testing::EndsWith, ::testing::SizeIs;
    EXPECT_THAT(ended, ::testing::AllOf(SizeIs(5), Each(EndsWith(": the request timed out"))));
    EXPECT_EQ(server.requestCount("/page"), 1u);  // from the first round only
}

}  // namespace
}  // namespace ferrywise::freedesktop
