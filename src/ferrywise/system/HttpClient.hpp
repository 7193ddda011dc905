#pragma once

// HttpClient sends one HTTP request and follows its redirects itself, reporting the address it ended at.
// The production client (freedesktop::makeCurlHttpClient) keeps no cookies and no cache; tests run it
// against a loopback server or replace it with a fake.
//
//   HttpRequest request{.url = *Url::parse("https://sho.rt/abc"), .method = HttpMethod::head,
//                       .timeout = std::chrono::seconds(3)};
//   HttpResponse response = co_await client->send(request);  // response.finalUrl: the last address

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include <boost/asio/awaitable.hpp>

#include "ferrywise/foundation/Url.hpp"

namespace ferrywise {

enum class HttpMethod { head, get };

struct HttpRequest {
    Url url;
    HttpMethod method = HttpMethod::get;
    // The limit for the whole exchange, redirects included.
    std::chrono::milliseconds timeout{std::chrono::seconds(60)};
    // The largest body a GET accepts, in bytes: a larger one ends the exchange with HttpError as soon as
    // it is announced or exceeded, without downloading the rest.
    std::size_t maximumBodySize = 16 * 1024 * 1024;
};

struct HttpResponse {
    // The address of the last response: the request's URL when nothing redirected, else the target of the
    // last redirect followed. A redirect to a scheme the client does not fetch (not http or https) is
    // reported here without being requested. None only when the client cannot tell.
    std::optional<Url> finalUrl;
    // The status code of the last response received.
    int statusCode = 0;
    // The body of a GET; always empty for HEAD.
    std::string body;
};

// Why a request produced no response: no connection, a time-out, too many redirects, a broken response.
// what() is a readable description.
class HttpError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class HttpClient {
  public:
    HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;
    virtual ~HttpClient() = default;

    // Sends the request, following redirects, and completes on the caller's executor. Throws HttpError when
    // no final response arrives. Any status code, error codes included, is a response. Any thread.
    [[nodiscard]] virtual boost::asio::awaitable<HttpResponse> send(HttpRequest request) = 0;
};

}  // namespace ferrywise
