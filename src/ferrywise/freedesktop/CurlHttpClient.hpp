#pragma once

// The HttpClient of the Linux backend, over libcurl. It keeps nothing between requests: no cookie engine,
// no cache, no connection reuse (one easy handle per request). Only http and https are fetched; redirects
// (301, 302, 303, 307, 308 with a Location) are followed by the client itself, at most 10 of them, with the
// request's method unchanged, and a redirect to any other scheme ends the exchange with that address as
// the final URL, unrequested. A HEAD never downloads a body; a GET body larger than 16 MiB is an error.
// The request's time-out bounds the whole exchange, redirects included.
//
//   auto client = ferrywise::freedesktop::makeCurlHttpClient();
//   HttpResponse response = co_await client->send(request);

#include <memory>

#include "ferrywise/system/HttpClient.hpp"

namespace ferrywise::freedesktop {

// Returns a new client with its own small pool of worker threads, where the blocking transfers run.
// Thread-safe; each operation completes on its caller's executor. The client must outlive its operations.
[[nodiscard]] std::shared_ptr<HttpClient> makeCurlHttpClient();

}  // namespace ferrywise::freedesktop
