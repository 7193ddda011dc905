#include "ferrywise/freedesktop/CurlHttpClient.hpp"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/execution/outstanding_work.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/prefer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <curl/curl.h>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise::freedesktop {
namespace {

namespace asio = boost::asio;
using SteadyClock = std::chrono::steady_clock;

constexpr int maximumRedirects = 10;
constexpr std::size_t maximumBodySize = 16 * 1024 * 1024;
// Transfers block their thread; a few run side by side so one slow server does not hold up the others.
constexpr std::size_t workerThreads = 4;

// Initialises libcurl once per process, before the first handle; returns whether that worked.
bool curlInitialized() {
    static const bool initialized = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialized;
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
            return HttpError(std::string("the request failed: ") + curl_easy_strerror(code));
    }
}

struct EasyCleanup {
    void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

template <typename Value>
void setOption(CURL* handle, CURLoption option, Value value) {
    if (CURLcode code = curl_easy_setopt(handle, option, value); code != CURLE_OK) {
        throw httpError(code);
    }
}

// Collects a body up to the limit; anything beyond it stops the transfer.
struct BodySink {
    std::string body;
    bool tooLarge = false;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto& sink = *static_cast<BodySink*>(userData);
    const std::size_t length = size * count;
    if (length > maximumBodySize - sink.body.size()) {
        sink.tooLarge = true;
        return 0;  // anything but `length` makes curl abort with CURLE_WRITE_ERROR
    }
    sink.body.append(data, length);
    return length;
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
};

Hop performHop(const Url& url, HttpMethod method, std::chrono::milliseconds limit) {
    EasyHandle handle(curl_easy_init());
    if (!handle) {
        throw HttpError("the request could not be prepared");
    }
    CURL* easy = handle.get();
    BodySink sink;
    const std::string address(url.absoluteString());
    setOption(easy, CURLOPT_URL, address.c_str());
    setOption(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    setOption(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Redirects are followed by the loop in exchange(), which limits their number and schemes.
    setOption(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // Signals cannot interrupt a transfer on a worker thread; time-outs rely on curl's own clock.
    setOption(easy, CURLOPT_NOSIGNAL, 1L);
    setOption(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limit.count()));
    setOption(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limit.count()));
    if (method == HttpMethod::head) {
        setOption(easy, CURLOPT_NOBODY, 1L);
    } else {
        setOption(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maximumBodySize));
        setOption(easy, CURLOPT_WRITEFUNCTION, &writeBody);
        setOption(easy, CURLOPT_WRITEDATA, static_cast<void*>(&sink));
    }

    if (CURLcode code = curl_easy_perform(easy); code != CURLE_OK) {
        if (sink.tooLarge) {
            throw HttpError("the response is too large");
        }
        throw httpError(code);
    }
    Hop hop;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &hop.status);
    char* target = nullptr;
    if (isRedirectStatus(hop.status) && curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &target) == CURLE_OK &&
        target != nullptr) {
        hop.redirectTarget = target;
    } else {
        hop.body = std::move(sink.body);
    }
    return hop;
}

// Runs a whole exchange on the calling thread: the request, then each redirect, within one deadline.
HttpResponse exchange(const HttpRequest& request) {
    if (!curlInitialized()) {
        throw HttpError("the HTTP library could not be initialised");
    }
    // A day is plenty for any exchange and keeps the deadline arithmetic from overflowing.
    const auto limit = std::min<std::chrono::milliseconds>(request.timeout, std::chrono::hours(24));
    const auto deadline = SteadyClock::now() + limit;
    Url current = request.url;
    for (int redirects = 0;; ++redirects) {
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (remaining <= std::chrono::milliseconds::zero()) {
            throw httpError(CURLE_OPERATION_TIMEDOUT);
        }
        Hop hop = performHop(current, request.method, remaining);
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
        current = std::move(*target);
    }
}

class CurlHttpClient final : public HttpClient {
  public:
    CurlHttpClient() : pool_(workerThreads) { curlInitialized(); }
    // Waits for transfers still running; callers keep the client alive until their operations end.
    ~CurlHttpClient() override { pool_.join(); }

    asio::awaitable<HttpResponse> send(HttpRequest request) override {
        co_return co_await asio::async_initiate<decltype(asio::use_awaitable),
                                                void(std::exception_ptr, HttpResponse)>(
            [this](auto handler, HttpRequest pending) { start(std::move(handler), std::move(pending)); },
            asio::use_awaitable, std::move(request));
    }

  private:
    // Runs the exchange on the pool and hands the outcome to the handler on the caller's executor.
    template <typename Handler>
    void start(Handler handler, HttpRequest request) {
        // Tracked work keeps the caller's event loop running while the transfer is elsewhere.
        auto callerExecutor =
            asio::prefer(asio::get_associated_executor(handler), asio::execution::outstanding_work.tracked);
        asio::post(pool_, [handler = std::move(handler), callerExecutor = std::move(callerExecutor),
                           request = std::move(request)]() mutable {
            std::exception_ptr failure;
            HttpResponse response;
            try {
                response = exchange(request);
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

}  // namespace ferrywise::freedesktop
