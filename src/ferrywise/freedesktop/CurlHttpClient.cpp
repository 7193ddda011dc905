#include "ferrywise/freedesktop/CurlHttpClient.hpp"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include <arpa/inet.h>
#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/execution/outstanding_work.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/prefer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <curl/curl.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/foundation/Text.hpp"

namespace ferrywise::freedesktop {
namespace {

namespace asio = boost::asio;
using SteadyClock = std::chrono::steady_clock;

constexpr int maximumRedirects = 10;
// Transfers block their thread; a few run side by side so one slow server does not hold up the others.
constexpr std::size_t workerThreads = 4;

// libcurl, loaded and initialised when the first request is made, once per process. Its dependencies (TLS
// libraries, Kerberos, LDAP...) take longer to load than a whole routing decision, and most runs of the
// host make no request at all.
struct Curl {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_strerror) easyStrerror = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
};

template <typename Function>
bool bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));  // NOLINT: dlsym's only form
    return function != nullptr;
}

// The loaded library; none when it cannot be loaded or initialised.
const Curl* curl() {
    static const std::optional<Curl> loaded = []() -> std::optional<Curl> {
        void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        Curl functions;
        if (library == nullptr || !bind(library, "curl_global_init", functions.globalInit) ||
            !bind(library, "curl_easy_init", functions.easyInit) ||
            !bind(library, "curl_easy_setopt", functions.easySetopt) ||
            !bind(library, "curl_easy_perform", functions.easyPerform) ||
            !bind(library, "curl_easy_getinfo", functions.easyGetinfo) ||
            !bind(library, "curl_easy_strerror", functions.easyStrerror) ||
            !bind(library, "curl_easy_cleanup", functions.easyCleanup) ||
            functions.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            // Once per process: short links then stay as they are and no favicon is fetched.
            Log::routing().error(
                "HTTP requests are not possible: libcurl.so.4 could not be loaded (install "
                "libcurl4)");
            return std::nullopt;
        }
        return functions;
    }();
    return loaded ? &*loaded : nullptr;
}

// The one place where a curl result becomes an HttpError. Only fixed texts: curl's error buffer can quote
// the address, and these descriptions end up in the log.
HttpError httpError(CURLcode code) {
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return HttpError("the request timed out");
        case CURLE_COULDNT_RESOLVE_HOST:
            return HttpError("the server could not be found");
        case CURLE_COULDNT_CONNECT:
            return HttpError("could not connect to the server");
        case CURLE_UNSUPPORTED_PROTOCOL:
            return HttpError("only http and https addresses can be requested");
        case CURLE_FILESIZE_EXCEEDED:
            return HttpError("the response is too large");
        default:
            return HttpError(std::string("the request failed: ") + curl()->easyStrerror(code));
    }
}

struct EasyCleanup {
    void operator()(CURL* handle) const noexcept { curl()->easyCleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

template <typename Value>
void setOption(CURL* handle, CURLoption option, Value value) {
    if (CURLcode code = curl()->easySetopt(handle, option, value); code != CURLE_OK) {
        throw httpError(code);
    }
}

// Collects a body up to the limit; anything beyond it stops the transfer.
struct BodySink {
    std::size_t limit = 0;
    std::string body;
    bool tooLarge = false;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto& sink = *static_cast<BodySink*>(userData);
    const std::size_t length = size * count;
    if (length > sink.limit - sink.body.size()) {
        sink.tooLarge = true;
        return 0;  // anything but `length` makes curl abort with CURLE_WRITE_ERROR
    }
    sink.body.append(data, length);
    return length;
}

// 0/8, 10/8, 100.64/10 (shared), 127/8, 169.254/16, 172.16/12 and 192.168/16.
bool isLocalIpv4(const unsigned char* a) {
    return a[0] == 0 || a[0] == 10 || a[0] == 127 || (a[0] == 100 && (a[1] & 0xC0) == 64) ||
           (a[0] == 169 && a[1] == 254) || (a[0] == 172 && (a[1] & 0xF0) == 16) ||
           (a[0] == 192 && a[1] == 168);
}

// ::, ::1, fc00::/7, fe80::/10, and IPv4 addresses mapped into IPv6 by the rules above.
bool isLocalIpv6(const unsigned char* a) {
    static constexpr unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(a, mapped, sizeof mapped) == 0) {
        return isLocalIpv4(a + sizeof mapped);
    }
    bool leadingZeros = std::all_of(a, a + 15, [](unsigned char byte) { return byte == 0; });
    return (leadingZeros && a[15] <= 1) || (a[0] & 0xFE) == 0xFC || (a[0] == 0xFE && (a[1] & 0xC0) == 0x80);
}

bool isLocalSocketAddress(const sockaddr& address) {
    if (address.sa_family == AF_INET) {
        return isLocalIpv4(
            reinterpret_cast<const unsigned char*>(&reinterpret_cast<const sockaddr_in&>(address).sin_addr));
    }
    if (address.sa_family == AF_INET6) {
        return isLocalIpv6(reinterpret_cast<const sockaddr_in6&>(address).sin6_addr.s6_addr);
    }
    return false;
}

// Opens the sockets of one request; when told to, refuses those to local addresses and notes it.
struct SocketGuard {
    bool publicAddressesOnly = false;
    bool refusedLocalAddress = false;
};

curl_socket_t openSocket(void* data, curlsocktype, curl_sockaddr* address) {
    auto& guard = *static_cast<SocketGuard*>(data);
    if (guard.publicAddressesOnly && isLocalSocketAddress(address->addr)) {
        guard.refusedLocalAddress = true;
        return CURL_SOCKET_BAD;
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

bool isRedirectStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// What one request of an exchange produced.
struct Hop {
    long status = 0;
    std::string body;
    // Where a redirect points, resolved by curl against the requested address; none for a final response.
    std::optional<std::string> redirectTarget;
    // Not requested: the address was local and only public ones were allowed.
    bool refusedLocalAddress = false;
};

Hop performHop(const HttpRequest& request, const Url& url, std::chrono::milliseconds limit,
               RedirectAccess access) {
    EasyHandle handle(curl()->easyInit());
    if (!handle) {
        throw HttpError("the request could not be prepared");
    }
    CURL* easy = handle.get();
    BodySink sink{.limit = request.maximumBodySize, .body = {}, .tooLarge = false};
    const std::string address(url.absoluteString());
    setOption(easy, CURLOPT_URL, address.c_str());
    setOption(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    setOption(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Redirects are followed by the loop in runExchange(), which limits their number and schemes.
    setOption(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // Signals cannot interrupt a transfer on a worker thread; time-outs rely on curl's own clock.
    setOption(easy, CURLOPT_NOSIGNAL, 1L);
    setOption(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limit.count()));
    setOption(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limit.count()));
    SocketGuard guard{.publicAddressesOnly = access == RedirectAccess::publicAddresses};
    setOption(easy, CURLOPT_OPENSOCKETFUNCTION, &openSocket);
    setOption(easy, CURLOPT_OPENSOCKETDATA, static_cast<void*>(&guard));
    if (request.method == HttpMethod::head) {
        setOption(easy, CURLOPT_NOBODY, 1L);
    } else {
        // A declared length over the limit is refused before the body is read.
        setOption(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maximumBodySize));
        setOption(easy, CURLOPT_WRITEFUNCTION, &writeBody);
        setOption(easy, CURLOPT_WRITEDATA, static_cast<void*>(&sink));
    }

    if (CURLcode code = curl()->easyPerform(easy); code != CURLE_OK) {
        if (guard.refusedLocalAddress && code == CURLE_COULDNT_CONNECT) {
            return Hop{.status = 0, .body = {}, .redirectTarget = std::nullopt, .refusedLocalAddress = true};
        }
        if (sink.tooLarge) {
            throw HttpError("the response is too large");
        }
        throw httpError(code);
    }
    Hop hop;
    curl()->easyGetinfo(easy, CURLINFO_RESPONSE_CODE, &hop.status);
    char* target = nullptr;
    if (isRedirectStatus(hop.status) &&
        curl()->easyGetinfo(easy, CURLINFO_REDIRECT_URL, &target) == CURLE_OK && target != nullptr) {
        hop.redirectTarget = target;
    } else {
        hop.body = std::move(sink.body);
    }
    return hop;
}

// Runs a whole exchange on the calling thread: the request, then each redirect, until the deadline.
HttpResponse runExchange(const HttpRequest& request, SteadyClock::time_point deadline) {
    if (curl() == nullptr) {
        throw HttpError("the HTTP library (libcurl) could not be loaded");
    }
    Url current = request.url;
    auto access = RedirectAccess::any;  // the request itself goes wherever the caller sends it
    long redirectStatus = 0;
    for (int redirects = 0;; ++redirects) {
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (remaining <= std::chrono::milliseconds::zero()) {
            throw httpError(CURLE_OPERATION_TIMEDOUT);
        }
        Hop hop = performHop(request, current, remaining, access);
        if (hop.refusedLocalAddress) {
            return HttpResponse{
                .finalUrl = std::move(current), .statusCode = static_cast<int>(redirectStatus), .body = {}};
        }
        if (!hop.redirectTarget) {
            return HttpResponse{.finalUrl = std::move(current),
                                .statusCode = static_cast<int>(hop.status),
                                .body = std::move(hop.body)};
        }
        if (redirects == maximumRedirects) {
            throw HttpError("too many redirects");
        }
        auto target = Url::parse(*hop.redirectTarget);
        auto scheme = target ? target->scheme() : std::nullopt;
        if (!scheme) {
            throw HttpError("the server redirected to an invalid address");
        }
        const auto lowerScheme = text::lowercased(*scheme);
        if (lowerScheme != "http" && lowerScheme != "https") {
            // Not ours to fetch: the caller decides what a mailto: or ftp: destination means.
            return HttpResponse{
                .finalUrl = std::move(*target), .statusCode = static_cast<int>(hop.status), .body = {}};
        }
        access = redirectAccess(request.url, current, *target);
        if (access == RedirectAccess::none) {
            return HttpResponse{
                .finalUrl = std::move(*target), .statusCode = static_cast<int>(hop.status), .body = {}};
        }
        redirectStatus = hop.status;
        current = std::move(*target);
    }
}

class CurlHttpClient final : public HttpClient {
  public:
    CurlHttpClient() : pool_(workerThreads) {}
    // Waits for transfers still running; callers keep the client alive until their operations end.
    ~CurlHttpClient() override { pool_.join(); }

    asio::awaitable<HttpResponse> send(HttpRequest request) override {
        // The deadline starts now, not when a worker is free. A day is plenty for any exchange and keeps
        // the arithmetic from overflowing.
        const auto deadline =
            SteadyClock::now() + std::min<std::chrono::milliseconds>(request.timeout, std::chrono::hours(24));
        co_return co_await asio::async_initiate<decltype(asio::use_awaitable),
                                                void(std::exception_ptr, HttpResponse)>(
            [this, deadline](auto handler, HttpRequest pending) {
                start(std::move(handler), std::move(pending), deadline);
            },
            asio::use_awaitable, std::move(request));
    }

  private:
    // Runs the exchange on the pool and hands the outcome to the handler on the caller's executor.
    template <typename Handler>
    void start(Handler handler, HttpRequest request, SteadyClock::time_point deadline) {
        // Tracked work keeps the caller's event loop running while the transfer is elsewhere.
        auto callerExecutor =
            asio::prefer(asio::get_associated_executor(handler), asio::execution::outstanding_work.tracked);
        asio::post(pool_, [handler = std::move(handler), callerExecutor = std::move(callerExecutor),
                           request = std::move(request), deadline]() mutable {
            std::exception_ptr failure;
            HttpResponse response;
            try {
                response = runExchange(request, deadline);
            } catch (...) {
                failure = std::current_exception();
            }
            asio::post(callerExecutor,
                       [handler = std::move(handler), failure, response = std::move(response)]() mutable {
                           std::move(handler)(failure, std::move(response));
                       });
        });
    }

    asio::thread_pool pool_;
};

}  // namespace

std::shared_ptr<HttpClient> makeCurlHttpClient() {
    return std::make_shared<CurlHttpClient>();
}

const std::shared_ptr<HttpClient>& sharedCurlHttpClient() {
    static const std::shared_ptr<HttpClient> client = makeCurlHttpClient();
    return client;
}

bool isLocalNetworkHost(std::string_view host) {
    if (host.ends_with('.')) {
        host.remove_suffix(1);
    }
    if (text::lowercased(host) == "localhost") {
        return true;
    }
    // An IPv6 zone ("fe80::1%eth0") names an interface, not another address.
    std::string address(host.substr(0, host.find('%')));
    unsigned char bytes[16];
    if (::inet_pton(AF_INET, address.c_str(), bytes) == 1) {
        return isLocalIpv4(bytes);
    }
    return ::inet_pton(AF_INET6, address.c_str(), bytes) == 1 && isLocalIpv6(bytes);
}

RedirectAccess redirectAccess(const Url& origin, const Url& from, const Url& target) {
    auto scheme = [](const Url& url) { return text::lowercased(url.scheme().value_or("")); };
    if (scheme(from) == "https" && scheme(target) == "http") {
        return RedirectAccess::none;
    }
    if (auto host = origin.host(); host && isLocalNetworkHost(*host)) {
        return RedirectAccess::any;
    }
    // A local address written out is refused before any connection, also when a proxy makes it.
    if (auto host = target.host(); host && isLocalNetworkHost(*host)) {
        return RedirectAccess::none;
    }
    return RedirectAccess::publicAddresses;
}

}  // namespace ferrywise::freedesktop
