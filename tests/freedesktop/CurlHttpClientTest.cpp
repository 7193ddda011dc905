#include "ferrywise/freedesktop/CurlHttpClient.hpp"

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
using testing::runToEnd;
using testing::thrownAs;

class CurlHttpClientTest : public ::testing::Test {
  protected:
    struct Outcome {
        std::optional<HttpResponse> response;
        std::exception_ptr thrown;

        // The description of the HttpError thrown; empty when none was.
        std::string error() const {
            auto error = thrownAs<HttpError>(thrown);
            return error ? error->what() : "";
        }
    };

    Outcome send(const std::string& url, HttpMethod method = HttpMethod::head,
                 std::chrono::milliseconds timeout = 5s) {
        Outcome outcome;
        HttpRequest request{.url = *Url::parse(url), .method = method, .timeout = timeout};
        outcome.thrown = runToEnd([&]() -> asio::awaitable<void> {
            outcome.response = co_await client->send(std::move(request));
        }());
        return outcome;
    }

    std::vector<std::string> methods() const {
        std::vector<std::string> methods;
        for (const auto& request : server.requests()) {
            methods.push_back(request.method);
        }
        return methods;
    }

    LoopbackHttpServer server;
    std::shared_ptr<HttpClient> client = makeCurlHttpClient();
};

TEST_F(CurlHttpClientTest, HeadGetsTheStatusWithoutTheBody) {
    server.respond("/page", 200, {}, "a body that HEAD must not download");
    auto outcome = send(server.url("/page"));
    ASSERT_TRUE(outcome.response) << outcome.error();
    EXPECT_EQ(outcome.response->statusCode, 200);
    EXPECT_EQ(outcome.response->finalUrl, Url::parse(server.url("/page")));
    EXPECT_EQ(outcome.response->body, "");
    EXPECT_EQ(methods(), std::vector<std::string>{"HEAD"});
}

TEST_F(CurlHttpClientTest, GetReturnsTheBodyAndErrorStatusesAreResponses) {
    server.respond("/page", 200, {}, "hello");
    server.respond("/gone", 410, {}, "gone for good");
    // The longest limit there is must not overflow the deadline.
    auto page = send(server.url("/page?x=1"), HttpMethod::get, std::chrono::milliseconds::max());
    ASSERT_TRUE(page.response) << page.error();
    EXPECT_EQ(page.response->statusCode, 200);
    EXPECT_EQ(page.response->body, "hello");
    auto gone = send(server.url("/gone"), HttpMethod::get);
    ASSERT_TRUE(gone.response) << gone.error();
    EXPECT_EQ(gone.response->statusCode, 410);
    EXPECT_EQ(gone.response->body, "gone for good");
    EXPECT_EQ(gone.response->finalUrl, Url::parse(server.url("/gone")));
    auto missing = send(server.url("/nowhere"));
    ASSERT_TRUE(missing.response) << missing.error();
    EXPECT_EQ(missing.response->statusCode, 404);
    EXPECT_EQ(methods(), (std::vector<std::string>{"GET", "GET", "HEAD"}));
}

TEST_F(CurlHttpClientTest, FollowsEveryRedirectStatusToTheFinalAddressKeepingHead) {
    server.redirect("/a", "/b", 301);                        // absolute path
    server.redirect("/b", "c", 303);                         // relative to /b
    server.redirect("/c", server.url("/d?x=1&y=%20"), 307);  // absolute URL
    server.redirect("/d", "/final?q=2#part", 308);
    server.respond("/final", 200);
    auto outcome = send(server.url("/a"));
    ASSERT_TRUE(outcome.response) << outcome.error();
    EXPECT_EQ(outcome.response->statusCode, 200);
    EXPECT_EQ(outcome.response->finalUrl, Url::parse(server.url("/final?q=2#part")));
    EXPECT_EQ(methods(), std::vector<std::string>(5, "HEAD"));
    std::vector<std::string> targets;
    for (const auto& request : server.requests()) {
        targets.push_back(request.target);
    }
    EXPECT_EQ(targets, (std::vector<std::string>{"/a", "/b", "/c", "/d?x=1&y=%20", "/final?q=2"}));
}

TEST_F(CurlHttpClientTest, OtherStatusesWithALocationAreFinal) {
    server.respond("/choices", 300, {{"Location", "/elsewhere"}});
    auto outcome = send(server.url("/choices"));
    ASSERT_TRUE(outcome.response) << outcome.error();
    EXPECT_EQ(outcome.response->statusCode, 300);
    EXPECT_EQ(outcome.response->finalUrl, Url::parse(server.url("/choices")));
    EXPECT_EQ(server.requestCount("/elsewhere"), 0u);
}

TEST_F(CurlHttpClientTest, RedirectToAnotherSchemeIsReportedWithoutBeingRequested) {
    const std::string ftp = "ftp://127.0.0.1:" + std::to_string(server.port()) + "/file";
    for (const std::string& target :
         {std::string("mailto:someone@example.com?subject=Hi"), ftp, std::string("javascript:alert(1)")}) {
        server.redirect("/go", target);
        auto outcome = send(server.url("/go"));
        ASSERT_TRUE(outcome.response) << target << ": " << outcome.error();
        EXPECT_EQ(outcome.response->finalUrl, Url::parse(target));
        EXPECT_EQ(outcome.response->statusCode, 302);
    }
    EXPECT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.requestCount("/file"), 0u);
}

TEST_F(CurlHttpClientTest, FollowsTenRedirectsButNotEleven) {
    for (int hop = 0; hop < 10; ++hop) {
        server.redirect("/r" + std::to_string(hop), "/r" + std::to_string(hop + 1));
    }
    server.redirect("/r10", "/end");
    server.respond("/end", 200);

    auto ten = send(server.url("/r1"));
    ASSERT_TRUE(ten.response) << ten.error();
    EXPECT_EQ(ten.response->finalUrl, Url::parse(server.url("/end")));
    EXPECT_EQ(server.requests().size(), 11u);

    auto eleven = send(server.url("/r0"));
    EXPECT_EQ(eleven.error(), "too many redirects");
    EXPECT_EQ(server.requests().size(), 22u);  // r0 ... r10, the end never asked
    EXPECT_EQ(server.requestCount("/end"), 1u);
}

TEST_F(CurlHttpClientTest, RedirectLoopEndsInAnError) {
    server.redirect("/loop", "/loop");
    EXPECT_EQ(send(server.url("/loop")).error(), "too many redirects");
    EXPECT_EQ(server.requestCount("/loop"), 11u);
}

TEST_F(CurlHttpClientTest, TimeOutCoversTheRedirectsAndNeverQuotesTheAddress) {
    server.redirect("/slow", "/hang");
    server.neverAnswer("/hang");
    auto outcome = send(server.url("/slow"), HttpMethod::head, 300ms);
    EXPECT_EQ(outcome.error(), "the request timed out");
    EXPECT_EQ(server.requestCount("/hang"), 1u);
}

TEST_F(CurlHttpClientTest, RefusedConnectionAndUnfetchableSchemesAreErrors) {
    const auto port = std::to_string(LoopbackHttpServer::refusedPort());
    auto refused = send("http://127.0.0.1:" + port + "/x");
    EXPECT_EQ(refused.error(), "could not connect to the server");
    EXPECT_EQ(refused.error().find(port), std::string::npos);
    EXPECT_EQ(send("ftp://127.0.0.1:" + std::to_string(server.port()) + "/x").error(),
              "only http and https addresses can be requested");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(CurlHttpClientTest, NeverSendsCookiesItWasGiven) {
    server.respond("/login", 200, {{"Set-Cookie", "session=1; Path=/"}});
    server.respond("/set-and-move", 302, {{"Set-Cookie", "hop=2; Path=/"}, {"Location", "/after"}});
    server.respond("/after", 200);
    ASSERT_TRUE(send(server.url("/login")).response);
    ASSERT_TRUE(send(server.url("/set-and-move"), HttpMethod::get).response);
    ASSERT_TRUE(send(server.url("/after")).response);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& request : requests) {
        EXPECT_EQ(request.header("Cookie"), std::nullopt) << request.target;
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
    ASSERT_TRUE(large.response) << large.error();
    EXPECT_EQ(large.response->body, megabyte);  // many pieces, in order
    EXPECT_EQ(send(server.url("/huge"), HttpMethod::get).error(), "the response is too large");
}

TEST_F(CurlHttpClientTest, CompletesOnTheCallersThreadWhileTransfersRunSideBySide) {
    server.neverAnswer("/hang");
    server.respond("/page", 200);
    asio::io_context context;
    std::vector<std::string> finished;
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
    // The hanging request goes first; the quick one must not wait for its time-out.
    asio::co_spawn(context, request("/hang", 300ms), asio::detached);
    asio::co_spawn(context, request("/page", 5s), asio::detached);
    context.run();
    EXPECT_EQ(finished, (std::vector<std::string>{"/page", "/hang"}));
    EXPECT_EQ(threads, std::vector<std::thread::id>(2, std::this_thread::get_id()));
}

}  // namespace
}  // namespace ferrywise::freedesktop
