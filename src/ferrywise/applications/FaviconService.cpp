#include "ferrywise/applications/FaviconService.hpp"

#include <exception>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Sha256.hpp"
#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/freedesktop/CurlHttpClient.hpp"
#include "ferrywise/freedesktop/FileUserDefaults.hpp"
#include "ferrywise/rules/LinkRuleMatcher.hpp"

namespace ferrywise {

namespace asio = boost::asio;

struct FaviconService::State {
    State(std::filesystem::path directory, GeneralPreferences preferences, asio::any_io_executor mainThread,
          std::shared_ptr<HttpClient> client)
        : directory(std::move(directory)),
          preferences(std::move(preferences)),
          mainThread(std::move(mainThread)),
          client(std::move(client)) {}

    std::filesystem::path directory;
    GeneralPreferences preferences;
    asio::any_io_executor mainThread;
    std::shared_ptr<HttpClient> client;
    Observable<std::uint64_t> generation{0};
    std::unordered_map<std::string, Image> memory;
    std::unordered_set<std::string> inFlight;
};

namespace {

// The cache file of a host already normalised: named by its digest alone.
std::filesystem::path cacheFile(const std::filesystem::path& directory, std::string_view normalizedHost) {
    return directory / Sha256::hexadecimal(Sha256::of(normalizedHost));
}

// The address of a candidate's favicon; none unless the text reads back as exactly that host and path, so
// that a host holding "@", "/" or a port can never send the request elsewhere.
std::optional<Url> faviconUrl(const std::string& candidate) {
    auto url = Url::parse("https://" + candidate + "/favicon.ico");
    if (!url || url->host() != candidate || url->port() || url->encodedPath() != "/favicon.ico") {
        return std::nullopt;
    }
    return url;
}

// Fetches the favicon of one candidate host; none on any failure.
asio::awaitable<std::optional<Image>> download(std::shared_ptr<HttpClient> client, Url url) {
    HttpRequest request{.url = std::move(url),
                        .method = HttpMethod::get,
                        .timeout = FaviconService::requestTimeout,
                        .maximumBodySize = FaviconService::maximumIconSize};
    HttpResponse response;
    try {
        response = co_await client->send(std::move(request));
    } catch (const std::exception&) {
        co_return std::nullopt;  // no connection, a time-out, a body too large
    }
    if (response.statusCode != 200 || response.body.empty()) {
        co_return std::nullopt;
    }
    co_return Image::decode(std::move(response.body));
}

// The favicon of a host: from the host itself, then from its registrable domain; none when neither has one
// or the service is gone meanwhile.
asio::awaitable<std::optional<Image>> findFavicon(const std::weak_ptr<FaviconService::State>& weakState,
                                                  std::shared_ptr<HttpClient> client,
                                                  const std::string& host) {
    std::vector<std::string> candidates{host};
    if (auto domain = LinkRuleMatcher::registrableDomain(host); domain != host) {
        candidates.push_back(std::move(domain));
    }
    for (const auto& candidate : candidates) {
        auto url = faviconUrl(candidate);
        if (!url) {
            continue;
        }
        auto image = co_await download(client, std::move(*url));
        if (image || weakState.expired()) {
            co_return image;
        }
    }
    co_return std::nullopt;
}

// The fetch of one host. It holds the service's state only weakly between requests: a service destroyed
// meanwhile is left alone. Whatever happens, the host is no longer in flight afterwards, so that a later
// request can try again.
asio::awaitable<void> fetchFavicon(std::weak_ptr<FaviconService::State> weakState,
                                   std::shared_ptr<HttpClient> client, std::string host) {
    std::optional<Image> image;
    try {
        image = co_await findFavicon(weakState, std::move(client), host);
    } catch (const std::exception&) {
        // memory running out while decoding: as if there were no favicon
    }
    auto state = weakState.lock();
    if (!state) {
        co_return;
    }
    state->inFlight.erase(host);
    if (!image) {
        co_return;  // not remembered: the next request for the host tries again
    }
    try {
        // The body is kept as downloaded; without a cache file the favicon still stays in memory.
        JsonFile::writeData(cacheFile(state->directory, host), image->data());
    } catch (const std::exception&) {
    }
    state->memory.insert_or_assign(host, std::move(*image));
    state->generation.set(state->generation.value() + 1);
}

}  // namespace

FaviconService::FaviconService(std::filesystem::path directory, GeneralPreferences preferences,
                               asio::any_io_executor mainThread, std::shared_ptr<HttpClient> client)
    : state_(std::make_shared<State>(std::move(directory), std::move(preferences), std::move(mainThread),
                                     client ? std::move(client) : freedesktop::makeCurlHttpClient())) {}

FaviconService::~FaviconService() = default;

FaviconService& FaviconService::shared(const asio::any_io_executor& mainThread) {
    static FaviconService service = [&] {
        auto paths = Paths::fromEnvironment();
        return FaviconService(
            defaultCacheDirectory(paths),
            GeneralPreferences(freedesktop::FileUserDefaults::standard(paths), paths.bundleIdentifier()),
            mainThread);
    }();
    return service;
}

std::filesystem::path FaviconService::defaultCacheDirectory(std::string_view bundleIdentifier) {
    return defaultCacheDirectory(Paths::fromEnvironment(std::string(bundleIdentifier)));
}

std::filesystem::path FaviconService::defaultCacheDirectory(const Paths& paths) {
    return paths.cachesFolder() / cacheFolderName;
}

std::optional<Image> FaviconService::icon(std::string_view host) {
    auto normalized = normalize(host);
    if (normalized.empty()) {
        return std::nullopt;
    }
    auto& state = *state_;
    if (auto found = state.memory.find(normalized); found != state.memory.end()) {
        return found->second;
    }
    if (auto image = Image::fromFile(cacheFile(state.directory, normalized), maximumIconSize)) {
        return state.memory.insert_or_assign(std::move(normalized), std::move(*image)).first->second;
    }
    if (state.preferences.fetchesFavicons()) {
        fetch(normalized);
    }
    return std::nullopt;
}

FaviconService::Monogram FaviconService::monogram(std::string_view host) {
    const auto domain = LinkRuleMatcher::registrableDomain(normalize(host));
    const auto letters = text::graphemeClusters(domain);
    const auto digest = Sha256::of(domain);
    return Monogram{
        .letter = letters.empty() ? std::string("?") : text::uppercased(letters.front()),
        .color = Color{.hue = digest[0] / 255.0, .saturation = 0.5, .brightness = 0.75, .alpha = 1.0}};
}

const Observable<std::uint64_t>& FaviconService::generation() const noexcept {
    return state_->generation;
}

const std::filesystem::path& FaviconService::directory() const noexcept {
    return state_->directory;
}

std::filesystem::path FaviconService::fileOf(std::string_view host) const {
    return cacheFile(state_->directory, normalize(host));
}

std::string FaviconService::normalize(std::string_view host) {
    auto result = text::lowercased(text::trimmingWhitespace(host));
    if (result.starts_with("www.")) {
        result.erase(0, 4);
    }
    while (!result.empty() && result.back() == '.') {
        result.pop_back();
    }
    return result;
}

void FaviconService::fetch(const std::string& host) {
    if (!state_->inFlight.insert(host).second) {
        return;  // one fetch per host at a time
    }
    asio::co_spawn(state_->mainThread, fetchFavicon(state_, state_->client, host), asio::detached);
}

}  // namespace ferrywise
