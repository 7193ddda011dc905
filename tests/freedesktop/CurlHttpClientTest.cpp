#include "ferrywise/freedesktop/CurlHttpClient.hpp"

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <gtest/gtest.h>

#include "support/Coroutines.hpp"
#include "support/LoopbackHttpServer.hpp"

namespace ferrywise::freedesktop {
namespace {

namespace asio = boost::asio;
using namespace std::chrono_literals;
using testing::LoopbackHttpServer;
using Strings = std::vector<std::string>;

class CurlHttpClientTest : public ::testing::Test {
  protected:
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

    LoopbackHttpServer server;
    std::shared_ptr<HttpClient> client = makeCurlHttpClient();
};

// HEAD never downloads the body; the longest limit there is must not overflow the deadline.
TEST_F(CurlHttpClientTest, HeadSkipsTheBodyGetReturnsItAndErrorStatusesAreResponsesWithoutCookies) {
    server.respond("/page", 200, {{"Set-Cookie", "session=1; Path=/"}}, "a body that HEAD must not download");
    server.respond("/gone", 410, {}, "gone for good");
    const std::tuple<std::string, HttpMethod, int, std::string> cases[] = {
        {"/page", HttpMethod::head, 200, ""},
        {"/page?x=1", HttpMethod::get, 200, "a body that HEAD must not download"},
        {"/gone", HttpMethod::get, 410, "gone for good"},
        {"/nowhere", HttpMethod::head, 404, ""},
    };
    for (const auto& [path, method, status, body] : cases) {
        auto outcome = send(server.url(path), method, std::chrono::milliseconds::max());
        ASSERT_TRUE(outcome.response) << path << ": " << outcome.error;
        EXPECT_EQ(outcome.response->statusCode, status) << path;
        EXPECT_EQ(outcome.response->body, body) << path;
        EXPECT_EQ(outcome.response->finalUrl, Url::parse(server.url(path))) << path;
    }
    EXPECT_EQ(received(&LoopbackHttpServer::Request::method), (Strings{"HEAD", "GET", "GET", "HEAD"}));
}

// Absolute paths, paths relative to the redirecting one and absolute URLs; the fragment is not sent, nor
// the cookie a redirect set.
TEST_F(CurlHttpClientTest, FollowsEveryRedirectStatusToTheFinalAddressKeepingHeadWithoutCookies) {
    server.respond("/a", 301, {{"Set-Cookie", "hop=2; Path=/"}, {"Location", "/b"}});
    server.redirect("/b", "c", 303);
    server.redirect("/c", server.url("/d?x=1&y=%20"), 307);
    server.redirect("/d", "/final?q=2#part", 308);
    server.respond("/final", 200);
    auto outcome = send(server.url("/a"));
    ASSERT_TRUE(outcome.response) << outcome.error;
    EXPECT_EQ(outcome.response->statusCode, 200);
    EXPECT_EQ(outcome.response->finalUrl, Url::parse(server.url("/final?q=2#part")));
    EXPECT_EQ(received(&LoopbackHttpServer::Request::method), Strings(5, "HEAD"));
    EXPECT_EQ(received(&LoopbackHttpServer::Request::target),
              (Strings{"/a", "/b", "/c", "/d?x=1&y=%20", "/final?q=2"}));
}

// A redirect to a scheme the client does not fetch is reported as the final address without being
// requested; a status other than a redirect is final whatever its Location says.
TEST_F(CurlHttpClientTest, RedirectsToOtherSchemesAndOtherStatusesWithALocationAreNotFollowed) {
    const std::string ftp = "ftp://127.0.0.1:" + std::to_string(server.port()) + "/file";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"/choices", 300, "/elsewhere"},
        {"/mail", 302, "mailto:someone@example.com?subject=Hi"},
        {"/ftp", 302, ftp},
        {"/script", 302, "javascript:alert(1)"}};
    for (const auto& [path, status, location] : cases) {
        server.respond(path, status, {{"Location", location}});
        auto outcome = send(server.url(path));
        ASSERT_TRUE(outcome.response) << path << ": " << outcome.error;
        EXPECT_EQ(outcome.response->statusCode, status) << path;
        EXPECT_EQ(outcome.response->finalUrl, Url::parse(status == 300 ? server.url(path) : location))
            << path;
    }
    EXPECT_EQ(received(&LoopbackHttpServer::Request::target),
              (Strings{"/choices", "/mail", "/ftp", "/script"}));
}

TEST_F(CurlHttpClientTest, FollowsTenRedirectsButNotElevenNorALoop) {
    for (int hop = 0; hop < 10; ++hop) {
        server.redirect("/r" + std::to_string(hop), "/r" + std::to_string(hop + 1));
    }
    server.redirect("/r10", "/end");
    server.respond("/end", 200);
    server.redirect("/loop", "/loop");
    auto ten = send(server.url("/r1"));
    ASSERT_TRUE(ten.response) << ten.error;
    EXPECT_EQ(ten.response->finalUrl, Url::parse(server.url("/end")));
    EXPECT_EQ(send(server.url("/r0")).error, "too many redirects");
    EXPECT_EQ(server.requests().size(), 22u);  // r0 ... r10 again, the end not
    EXPECT_EQ(send(server.url("/loop")).error, "too many redirects");
    EXPECT_EQ(server.requestCount("/loop"), 11u);
}

// The time-out covers the redirects; no message quotes the address.
TEST_F(CurlHttpClientTest, TimeOutRefusedConnectionAndUnfetchableSchemesAreErrors) {
    server.redirect("/slow", "/hang");
    server.neverAnswer("/hang");
    const auto refusedPort = std::to_string(LoopbackHttpServer::refusedPort());
    const std::pair<std::string, std::string> cases[] = {
        {server.url("/slow"), "the request timed out"},
        {"http://127.0.0.1:" + refusedPort + "/x", "could not connect to the server"},
        {"ftp://127.0.0.1:" + std::to_string(server.port()) + "/x",
         "only http and https addresses can be requested"},
    };
    for (const auto& [url, error] : cases) {
        EXPECT_EQ(send(url, HttpMethod::head, 300ms).error, error) << url;
    }
    EXPECT_EQ(received(&LoopbackHttpServer::Request::target), (Strings{"/slow", "/hang"}));
}

// A public site must not bounce the request into this machine or its network, whether the address is
// written out or a name leads there (as "*.localhost" does).
TEST_F(CurlHttpClientTest, RedirectsFromAPublicOriginToLocalAddressesAreReportedUnrequested) {
    const auto port = ":" + std::to_string(server.port());
    for (const auto& location :
         {server.url("/inside"), "http://inside.localhost" + port + "/inside",
          "http://0.0.0.0" + port + "/inside", std::string("http://10.1.2.3/inside"),
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
         {Row{"https://bit.ly/a", "https://bit.ly/a", "http://example.com/", RedirectAccess::none},
          Row{"http://bit.ly/a", "HTTPS://bit.ly/a", "HTTP://example.com/", RedirectAccess::none},
          Row{"https://bit.ly/a", "http://bit.ly/a", "https://example.com/", RedirectAccess::publicAddresses},
          Row{"https://bit.ly/a", "https://bit.ly/a", "https://172.31.0.1/", RedirectAccess::none},
          Row{"https://bit.ly/a", "https://bit.ly/a", "https://[::ffff:192.168.1.1]/", RedirectAccess::none},
          Row{"https://bit.ly/a", "https://bit.ly/a", "https://LOCALHOST./", RedirectAccess::none},
          Row{"https://bit.ly/a", "https://bit.ly/a", "https://172.32.0.1/", RedirectAccess::publicAddresses},
          Row{"https://bit.ly/a", "https://bit.ly/a", "https://[2001:db8::1]/",
              RedirectAccess::publicAddresses},
          Row{"http://localhost:8080/", "http://localhost:8080/", "http://127.0.0.1/", RedirectAccess::any},
          Row{"http://100.64.0.1/", "http://100.64.0.1/", "http://router.lan/", RedirectAccess::any},
          Row{"http://[fe80::1]/", "http://[fe80::1]/", "http://[::1]/", RedirectAccess::any},
          Row{"http://1.2.3.4.5/", "http://1.2.3.4.5/", "http://10.0.0.1/", RedirectAccess::none}}) {
        EXPECT_EQ(redirectAccess(*Url::parse(origin), *Url::parse(from), *Url::parse(target)), access)
            << origin << " " << from << " " << target;
    }
}

TEST_F(CurlHttpClientTest, BodyBeyondSixteenMebibytesIsAnError) {
    std::string megabyte;
    for (int i = 0; megabyte.size() < 1024 * 1024; ++i) {
        megabyte += std::to_string(i) + ' ';
    }
    server.respond("/large", 200, {}, megabyte);
    server.respond("/huge", 200, {}, std::string(16 * 1024 * 1024 + 1, 'x'));
    auto large = send(server.url("/large"), HttpMethod::get);
    ASSERT_TRUE(large.response) << large.error;
    EXPECT_EQ(large.response->body, megabyte);  // many pieces, in order
    EXPECT_EQ(send(server.url("/huge"), HttpMethod::get).error, "the response is too large");
}

// The hanging request goes first; the quick one must not wait for its time-out.
TEST_F(CurlHttpClientTest, CompletesOnTheCallersThreadWhileTransfersRunSideBySide) {
    server.neverAnswer("/hang");
    server.respond("/page", 200);
    asio::io_context context;
    Strings finished;
    std::vector<std::thread::id> threads;
    auto request = [&](std::string path, std::chrono::milliseconds timeout) -> asio::awaitable<void> {
        HttpRequest sent{
            .url = *Url::parse(server.url(path)), .method = HttpMethod::head, .timeout = timeout};
        try {
            co_await client->send(std::move(sent));
        } catch (const HttpError&) {
        }
        finished.push_back(path);
        threads.push_back(std::this_thread::get_id());
    };
    asio::co_spawn(context, request("/hang", 300ms), asio::detached);
    asio::co_spawn(context, request("/page", 5s), asio::detached);
    context.run();
    EXPECT_EQ(finished, (Strings{"/page", "/hang"}));
    EXPECT_EQ(threads, std::vector<std::thread::id>(2, std::this_thread::get_id()));
}

// As many hanging requests as the client has workers (four) keep the next one waiting past its time-out.
TEST_F(CurlHttpClientTest, TimeSpentWaitingForAWorkerCountsAgainstTheTimeOut) {
    server.neverAnswer("/hang");
    server.respond("/page", 200);
    asio::io_context context;
    Strings errors;
    auto request = [&](std::string path, std::chrono::milliseconds timeout) -> asio::awaitable<void> {
        try {
            HttpRequest sent{
                .url = *Url::parse(server.url(path)), .method = HttpMethod::head, .timeout = timeout};
            co_await client->send(std::move(sent));  // named: GCC 12 mishandles braced temporaries here
        } catch (const HttpError& error) {
            errors.push_back(path + ": " + error.what());
        }
    };
    for (int worker = 0; worker < 4; ++worker) {
        asio::co_spawn(context, request("/hang", 1s), asio::detached);
    }
    asio::co_spawn(context, request("/page", 300ms), asio::detached);
    context.run();
    std::sort(errors.begin(), errors.end());
    Strings expected(4, "/hang: the request timed out");
    expected.push_back("/page: the request timed out");
    EXPECT_EQ(errors, expected);
    EXPECT_EQ(server.requestCount("/page"), 0u);
}

}  // namespace
}  // namespace ferrywise::freedesktop
