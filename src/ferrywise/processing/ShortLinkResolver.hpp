#pragma once

// ShortLinkResolver replaces a link on a known URL-shortening service by the address the service redirects
// to, so that rules, the picker and the safety check see the real destination. It sends one HEAD request,
// lets the HTTP client follow the redirects, and takes the final address. A shortener that failed recently
// is left alone for a cool-down. Resolution never fails for the caller: whatever goes wrong, the caller gets
// its own link back.
//
//   ShortLinkResolver resolver(5.0, 300.0);
//   Url destination = co_await resolver.resolve(*Url::parse("https://bit.ly/abc"));

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <boost/asio/awaitable.hpp>

#include "ferrywise/foundation/Date.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/system/HttpClient.hpp"

namespace ferrywise {

class ShortLinkResolver {
  public:
    using HostSet = std::unordered_set<std::string>;

    // When each shortener host last failed. One instance per process is shared by every resolver unless a
    // resolver is given its own. Thread-safe: each operation runs alone under the instance's mutex.
    class FailureBackoff {
      public:
        FailureBackoff() = default;
        FailureBackoff(const FailureBackoff&) = delete;
        FailureBackoff& operator=(const FailureBackoff&) = delete;

        // Returns the process-wide instance, created on first use.
        [[nodiscard]] static const std::shared_ptr<FailureBackoff>& shared();

        // Returns whether `host` failed less than `duration` seconds before `now`; an entry found older is
        // removed.
        [[nodiscard]] bool isCoolingDown(const std::string& host, double duration, Date now);

        // Notes that resolving a link on `host` failed at `date`.
        void recordFailure(const std::string& host, Date date);

        // Forgets the failure of `host`, if any.
        void clearFailure(const std::string& host);

      private:
        std::mutex mutex_;
        std::unordered_map<std::string, Date> failures_;
    };

    // `timeout` limits the whole request in seconds; `failureBackoffDuration` is how long a failed host is
    // left alone. Without a session the resolver uses the process's shared desktop HTTP client, which keeps
    // no cookies and no cache, and does not follow a shortener into the user's own network. The remaining
    // arguments replace the built-in shortener table, the system clock and the shared FailureBackoff (tests
    // use them).
    ShortLinkResolver(double timeout, double failureBackoffDuration,
                      std::shared_ptr<HttpClient> session = nullptr,
                      std::shared_ptr<const HostSet> shorteners = nullptr,
                      std::shared_ptr<Clock> clock = nullptr,
                      std::shared_ptr<FailureBackoff> failureBackoff = nullptr);

    // The built-in table: 31 lower-case hosts of public URL shorteners, each of exactly two labels.
    [[nodiscard]] static const std::shared_ptr<const HostSet>& shorteners();

    // Returns the host lower-cased, without one leading "www.".
    [[nodiscard]] static std::string hostKey(std::string_view host);

    // Returns whether the link has a host whose key is in the built-in table. Other subdomains of a
    // shortener do not count.
    [[nodiscard]] static bool isShortened(const Url& url);

    // Returns the link's final destination, or the link itself when it is not on a shortener, its shortener
    // is cooling down, the request fails, or the destination is not an http, https or mailto address.
    // Never throws. Any executor; the operation holds what it needs from the moment it is made, so the
    // resolver may be destroyed before it is awaited or while it runs.
    [[nodiscard]] boost::asio::awaitable<Url> resolve(Url url) const;

    // The values the resolver was made with (the session it built when none was given).
    [[nodiscard]] double timeout() const noexcept { return timeout_; }
    [[nodiscard]] double failureBackoffDuration() const noexcept { return failureBackoffDuration_; }
    [[nodiscard]] const std::shared_ptr<HttpClient>& session() const noexcept { return session_; }

  private:
    double timeout_;
    double failureBackoffDuration_;
    std::shared_ptr<HttpClient> session_;
    std::shared_ptr<const HostSet> shorteners_;
    std::shared_ptr<Clock> clock_;
    std::shared_ptr<FailureBackoff> failureBackoff_;
};

}  // namespace ferrywise
