#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests of HTTP clients. It listens on an ephemeral port from
// construction to destruction, serves on its own thread, answers each path as told (unknown paths get 404),
// and records every request it receives. Thread-safe.
//
//   LoopbackHttpServer server;
//   server.redirect("/short", "/page");
//   server.respond("/page", 200, {{"Content-Type", "text/plain"}}, "hello");
//   auto url = server.url("/short");  // "http://127.0.0.1:<port>/short"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ferrywise::testing {

class LoopbackHttpServer {
  public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    struct Request {
        std::string method;  // "HEAD", "GET", ...
        std::string target;  // as sent: the path and query
        Headers headers;     // as sent, in order

        // Returns the value of the first header of this name (ignoring case); none when absent.
        [[nodiscard]] std::optional<std::string> header(std::string_view name) const;
    };

    // Starts listening and serving; throws when no port can be bound.
    LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;
    // Stops serving and closes every connection, answered or not.
    ~LoopbackHttpServer();

    [[nodiscard]] std::uint16_t port() const noexcept;

    // Returns "http://127.0.0.1:<port><path>".
    [[nodiscard]] std::string url(std::string_view path) const;

    // Answers requests for `path` (the target without its query) with this status, these headers and this
    // body; a HEAD gets the body's length but not the body.
    void respond(std::string path, int status, Headers headers = {}, std::string body = {});

    // Answers requests for `path` with a redirect whose Location is `location`, sent exactly as given.
    void redirect(std::string path, std::string location, int status = 302);

    // Reads requests for `path` and never answers them; the connection stays open until the client leaves.
    void neverAnswer(std::string path);

    // Returns the requests so far, oldest first.
    [[nodiscard]] std::vector<Request> requests() const;

    // Returns how many requests had `path` as their target without the query.
    [[nodiscard]] std::size_t requestCount(std::string_view path) const;

    // Returns a loopback port on which nothing listens, so that connecting to it is refused.
    [[nodiscard]] static std::uint16_t refusedPort();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ferrywise::testing
