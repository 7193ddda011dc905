#include "ferrywise/processing/ShortLinkResolver.hpp"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>

#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/freedesktop/CurlHttpClient.hpp"
#include "ferrywise/link/LinkScheme.hpp"

namespace ferrywise {

namespace {

// The request's limit in whole milliseconds, rounded up. A limit that is not positive (or NaN) allows no
// time at all; one beyond a day is cut to a day, which keeps the conversion from overflowing.
std::chrono::milliseconds requestTimeout(double seconds) {
    constexpr double longest = 24.0 * 60 * 60;
    if (!(seconds > 0)) {
        return std::chrono::milliseconds::zero();
    }
    return std::chrono::ceil<std::chrono::milliseconds>(
        std::chrono::duration<double>(std::min(seconds, longest)));
}

// Everything one resolution needs, copied from the resolver when it is asked, so that the operation does
// not depend on the resolver afterwards (an awaitable starts running only when it is awaited).
struct Resolution {
    std::shared_ptr<HttpClient> session;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<ShortLinkResolver::FailureBackoff> failureBackoff;
    std::string hostKey;
    double timeout;
    double failureBackoffDuration;
};

boost::asio::awaitable<Url> unchanged(Url url) {
    co_return url;
}

boost::asio::awaitable<Url> resolving(Resolution resolution, Url url) {
    const auto& key = resolution.hostKey;
    if (resolution.failureBackoff->isCoolingDown(key, resolution.failureBackoffDuration,
                                                 resolution.clock->now())) {
        co_return url;
    }

    HttpRequest request{
        .url = url, .method = HttpMethod::head, .timeout = requestTimeout(resolution.timeout)};
    std::optional<HttpResponse> response;
    std::string failure;
    try {
        response = co_await resolution.session->send(std::move(request));
    } catch (const std::exception& error) {
        // Any error counts, not only HttpError: the caller must get its link back whatever the session does.
        failure = error.what();
    } catch (...) {
        failure = "unknown error";
    }
    if (!response) {
        resolution.failureBackoff->recordFailure(key, resolution.clock->now());
        Log::routing().log("Could not resolve a short link: %{public}s", failure);
        co_return url;
    }

    if (!response->finalUrl || *response->finalUrl == url) {
        co_return url;
    }
    if (!LinkScheme::fromUrl(*response->finalUrl)) {
        co_return url;
    }
    resolution.failureBackoff->clearFailure(key);
    co_return std::move(*response->finalUrl);
}

}  // namespace

// ---- FailureBackoff

const std::shared_ptr<ShortLinkResolver::FailureBackoff>& ShortLinkResolver::FailureBackoff::shared() {
    static const auto instance = std::make_shared<FailureBackoff>();
    return instance;
}

bool ShortLinkResolver::FailureBackoff::isCoolingDown(const std::string& host, double duration, Date now) {
    std::lock_guard lock(mutex_);
    auto found = failures_.find(host);
    if (found == failures_.end()) {
        return false;
    }
    const double elapsed = std::chrono::duration<double>(now - found->second).count();
    if (elapsed < duration) {
        return true;
    }
    failures_.erase(found);
    return false;
}

void ShortLinkResolver::FailureBackoff::recordFailure(const std::string& host, Date date) {
    std::lock_guard lock(mutex_);
    failures_.insert_or_assign(host, date);
}

void ShortLinkResolver::FailureBackoff::clearFailure(const std::string& host) {
    std::lock_guard lock(mutex_);
    failures_.erase(host);
}

// ---- ShortLinkResolver

ShortLinkResolver::ShortLinkResolver(double timeout, double failureBackoffDuration,
                                     std::shared_ptr<HttpClient> session,
                                     std::shared_ptr<const HostSet> shorteners, std::shared_ptr<Clock> clock,
                                     std::shared_ptr<FailureBackoff> failureBackoff)
    : timeout_(timeout),
      failureBackoffDuration_(failureBackoffDuration),
      session_(session ? std::move(session) : freedesktop::sharedCurlHttpClient()),
      shorteners_(shorteners ? std::move(shorteners) : ShortLinkResolver::shorteners()),
      clock_(clock ? std::move(clock) : makeSystemClock()),
      failureBackoff_(failureBackoff ? std::move(failureBackoff) : FailureBackoff::shared()) {}

const std::shared_ptr<const ShortLinkResolver::HostSet>& ShortLinkResolver::shorteners() {
    static const auto table = std::make_shared<const HostSet>(HostSet{
        // General-purpose shorteners
        "bit.ly", "tinyurl.com", "is.gd", "v.gd", "ow.ly", "buff.ly", "rebrand.ly", "cutt.ly", "t.ly",
        "shorturl.at", "tiny.cc", "rb.gy", "bl.ink",
        // Social networks
        "t.co", "fb.me", "lnkd.in", "redd.it", "pin.it", "flic.kr",
        // Retail
        "amzn.to", "a.co", "ebay.us",
        // Software
        "aka.ms", "goo.gl", "git.io", "apple.co",
        // Music and media. The video service's short host is not here: LinkRewriter turns those links
        // into watch addresses without asking the network.
        "spoti.fi", "lnk.to", "nyti.ms", "wapo.st", "bbc.in"});
    return table;
}

std::string ShortLinkResolver::hostKey(std::string_view host) {
    std::string key = text::lowercased(host);
    if (key.starts_with("www.")) {
        key.erase(0, 4);
    }
    return key;
}

bool ShortLinkResolver::isShortened(const Url& url) {
    auto host = url.host();
    return host && shorteners()->contains(hostKey(*host));
}

boost::asio::awaitable<Url> ShortLinkResolver::resolve(Url url) const {
    auto host = url.host();
    auto key = host ? hostKey(*host) : std::string();
    if (!host || !shorteners_->contains(key)) {
        return unchanged(std::move(url));
    }
    return resolving(
        Resolution{session_, clock_, failureBackoff_, std::move(key), timeout_, failureBackoffDuration_},
        std::move(url));
}

}  // namespace ferrywise
