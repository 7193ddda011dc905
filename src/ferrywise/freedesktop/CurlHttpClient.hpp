#pragma once

// The HttpClient of the Linux backend, over libcurl. It keeps nothing between requests: no cookie engine,
// no cache, no connection reuse (one easy handle per request). Only http and https are fetched; redirects
// (301, 302, 303, 307, 308 with a Location) are followed by the client itself, at most 10 of them, with the
// request's method unchanged, and a redirect to any other scheme ends the exchange with that address as
// the final URL, unrequested. A redirect is not requested either (its address becomes the final URL) when
// it would lower the protection the exchange started with (see redirectAccess). A HEAD never downloads a
// body; a GET body larger than the request's limit is an error. The request's time-out bounds the whole
// exchange from the moment it is asked for: time spent waiting for a free worker counts.
//
//   auto client = ferrywise::freedesktop::makeCurlHttpClient();
//   HttpResponse response = co_await client->send(request);

#include <memory>
#include <string_view>

#include "ferrywise/system/HttpClient.hpp"

namespace ferrywise::freedesktop {

// Returns a new client with its own small pool of worker threads, where the blocking transfers run.
// Thread-safe; each operation completes on its caller's executor. The client must outlive its operations.
[[nodiscard]] std::shared_ptr<HttpClient> makeCurlHttpClient();

// Returns the process-wide client, created on first use: what services use when they are given none, so
// that a process has one pool of workers however many services it makes.
[[nodiscard]] const std::shared_ptr<HttpClient>& sharedCurlHttpClient();

// Which addresses a redirect may be requested from.
enum class RedirectAccess {
    any,              // an exchange that began on this machine or its network may stay there
    publicAddresses,  // the connection is refused when the name leads to a local address
    none,             // not requested at all
};

// What the client allows a redirect from `from` to `target` in an exchange that began at `origin`. A
// redirect that leaves https for http is not requested. A public site must not bounce a request into the
// user's own machine or network (a router's page, a local service): unless `origin` is written as
// "localhost" or a loopback, private or link-local address, a target written as such is not requested,
// and any other is requested only from public addresses, whatever its name resolves to. (Behind a proxy on
// this machine, that refuses every connection after the first: such redirects end the exchange
// unrequested.)
[[nodiscard]] RedirectAccess redirectAccess(const Url& origin, const Url& from, const Url& target);

// Returns whether a host (IP literals without brackets) is "localhost" or a loopback, private, shared or
// link-local IPv4 or IPv6 address, or the unspecified address. Names other than "localhost" are false.
[[nodiscard]] bool isLocalNetworkHost(std::string_view host);

}  // namespace ferrywise::freedesktop
