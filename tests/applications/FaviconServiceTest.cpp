#include "ferrywise/applications/FaviconService.hpp"

#include <algorithm>
#include <fstream>
#include <iterator>

#include <boost/asio/io_context.hpp>
#include <gtest/gtest.h>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Sha256.hpp"
#include "ferrywise/freedesktop/CurlHttpClient.hpp"
#include "ferrywise/system/InMemoryUserDefaults.hpp"

#include "support/LoopbackHttpServer.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using namespace std::chrono_literals;

std::string dataFile(const char* name) {
    std::ifstream file(std::string(FERRYWISE_TEST_DATA_DIR "/") + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Sends "https://<host>/<path>" to the loopback server as "/<host>/<path>" over the real HTTP client: this
// machine has neither the sites' names nor their certificates. Records what the service asked for, and
// gives up on a silent server after 300 ms instead of the service's four seconds.
class LoopbackSites final : public HttpClient {
  public:
    explicit LoopbackSites(const testing::LoopbackHttpServer& server) : server_(server) {}

    boost::asio::awaitable<HttpResponse> send(HttpRequest request) override {
        asked.push_back(request);
        auto path = "/" + request.url.host().value_or("") + std::string(request.url.encodedPath());
        request.url = *Url::parse(server_.url(path));
        request.timeout = std::min<std::chrono::milliseconds>(request.timeout, 300ms);
        co_return co_await curl_->send(std::move(request));
    }

    std::vector<HttpRequest> asked;

  private:
    const testing::LoopbackHttpServer& server_;
    std::shared_ptr<HttpClient> curl_ = freedesktop::makeCurlHttpClient();
};

class FaviconServiceTest : public ::testing::Test {
  protected:
    void SetUp() override { preferences.setFetchesFavicons(true); }

    std::unique_ptr<FaviconService> makeService() {
        return std::make_unique<FaviconService>(folder.path() / "Favicons", preferences, io.get_executor(),
                                                sites);
    }

    testing::LoopbackHttpServer server;
    testing::TemporaryFolder folder;
    std::shared_ptr<LoopbackSites> sites = std::make_shared<LoopbackSites>(server);
    GeneralPreferences preferences{std::make_shared<InMemoryUserDefaults>(), "app.example.Router"};
    boost::asio::io_context io;
    std::unique_ptr<FaviconService> service = makeService();
    const std::string ico = dataFile("favicon-32.ico");
    const std::string png = dataFile("favicon-16.png");
};

TEST_F(FaviconServiceTest, FetchesTheHostThenItsRegistrableDomainAndKeepsTheIconInMemoryAndOnDisk) {
    server.respond("/a.example.com/favicon.ico", 404, {{"Set-Cookie", "session=1; Path=/"}});
    server.respond("/example.com/favicon.ico", 200, {{"Content-Type", "image/x-icon"}}, ico);

    // Blanks, capitals, "www." and trailing dots all name one host.
    EXPECT_EQ(service->icon(" \tWWW.A.Example.com.. "), std::nullopt);
    io.run();
    EXPECT_EQ(service->generation().value(), 1u);
    auto image = service->icon("a.example.com");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->data(), ico);

    ASSERT_EQ(sites->asked.size(), 2u);
    EXPECT_EQ(sites->asked[0].url.absoluteString(), "https://a.example.com/favicon.ico");
    EXPECT_EQ(sites->asked[1].url.absoluteString(), "https://example.com/favicon.ico");
    EXPECT_EQ(sites->asked[0].timeout, 4s);
    EXPECT_EQ(sites->asked[0].maximumBodySize, 1024u * 1024u);
    EXPECT_FALSE(server.requests().at(1).header("Cookie"));

    // Stored under the full host, in a file named only by the digest, holding the body as downloaded.
    const auto file = service->directory() / Sha256::hexadecimal(Sha256::of("a.example.com"));
    EXPECT_EQ(service->fileOf("WWW.a.example.com."), file);
    EXPECT_EQ(JsonFile::readData(file), ico);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(service->directory()), {}), 1);

    // A later process finds it on disk without asking the network, even with fetching switched off.
    preferences.setFetchesFavicons(false);
    service = makeService();
    EXPECT_EQ(service->icon("www.a.example.com"), image);
    JsonFile::writeData(service->fileOf("www.www.example.net"), png);  // normalised once: "www.example.net"
    EXPECT_TRUE(service->icon("WWW.www.example.net"));
    EXPECT_EQ(sites->asked.size(), 2u);
}

TEST_F(FaviconServiceTest, EveryFailedAnswerMovesOnAndAFailedHostIsTriedAgainLater) {
    server.respond("/example.org/favicon.ico", 200, {}, png);
    server.respond("/missing.example.org/favicon.ico", 404);
    server.respond("/empty.example.org/favicon.ico", 200);
    server.respond("/html.example.org/favicon.ico", 200, {}, "<html>Not here</html>");
    server.respond("/huge.example.org/favicon.ico", 200, {},
                   ico + std::string(FaviconService::maximumIconSize + 1 - ico.size(), '\0'));
    server.neverAnswer("/silent.example.org/favicon.ico");
    const std::vector<std::string> hosts{"missing.example.org", "empty.example.org", "html.example.org",
                                         "huge.example.org", "silent.example.org"};
    for (const auto& host : hosts) {
        EXPECT_EQ(service->icon(host), std::nullopt);
    }
    EXPECT_EQ(service->icon("nothing.example.net"), std::nullopt);  // neither the host nor its domain
    io.run();

    EXPECT_EQ(service->generation().value(), hosts.size());
    for (const auto& host : hosts) {
        auto image = service->icon(host);
        ASSERT_TRUE(image) << host;
        EXPECT_EQ(image->data(), png) << host;
        EXPECT_TRUE(std::filesystem::exists(service->fileOf(host))) << host;
    }
    EXPECT_EQ(service->icon("nothing.example.net"), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(service->fileOf("nothing.example.net")));
    io.restart();
    io.run();
    EXPECT_EQ(server.requestCount("/nothing.example.net/favicon.ico"), 2u);
    EXPECT_EQ(service->generation().value(), hosts.size());
}

TEST_F(FaviconServiceTest, FetchesOncePerHostOnlyWhenAllowedAndNeverForAGoneService) {
    server.respond("/example.org/favicon.ico", 200, {}, png);
    EXPECT_EQ(service->icon("example.org"), std::nullopt);
    EXPECT_EQ(service->icon("WWW.example.org"), std::nullopt);  // already under way
    EXPECT_EQ(service->icon(" www. "), std::nullopt);           // nothing left of the host
    io.run();
    EXPECT_EQ(server.requests().size(), 1u);

    preferences.setFetchesFavicons(false);
    EXPECT_EQ(service->icon("example.com"), std::nullopt);
    preferences.setFetchesFavicons(true);
    EXPECT_EQ(service->icon("sub.example.org"), std::nullopt);
    service.reset();  // gone before its fetch ends: nothing is stored
    io.restart();
    io.run();
    EXPECT_EQ(server.requests().size(), 2u);  // sub.example.org, and not its domain after that
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() / "Favicons"), {}), 1);
}

TEST(FaviconService, MonogramsShareLetterAndColourAcrossADomainAndAreStable) {
    auto org = FaviconService::monogram("mail.example.org");
    EXPECT_EQ(org, FaviconService::monogram(" WWW.Example.org."));
    EXPECT_EQ(org.letter, "E");
    EXPECT_EQ(org.color, (Color{.hue = Sha256::of("example.org")[0] / 255.0,
                                .saturation = 0.5,
                                .brightness = 0.75,
                                .alpha = 1.0}));
    EXPECT_NE(org.color, FaviconService::monogram("example.com").color);
    EXPECT_EQ(FaviconService::monogram("").letter, "?");
    EXPECT_EQ(FaviconService::monogram("éclair.fr").letter, "É");
}

}  // namespace
}  // namespace ferrywise
