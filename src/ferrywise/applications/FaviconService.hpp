#pragma once

// FaviconService supplies a small site icon for a host: from memory, from a disk cache, or by fetching the
// site's "/favicon.ico" in the background, and offers a letter-and-colour monogram as the substitute while
// there is none. It is used on the main thread (the executor it is given); its fetches run there too and
// only wait for the network elsewhere. Views observe `generation`, raised after every favicon fetched, and
// ask again.
//
//   auto& favicons = FaviconService::shared(mainThread);
//   auto connection = favicons.generation().observe([&](auto) { redraw(); });
//   if (auto image = favicons.icon("www.example.org")) { draw(*image); }
//   else { draw(FaviconService::monogram("www.example.org")); }
//
// The disk cache is one file per host, named only by the SHA-256 digest of the normalised host (so no host
// text reaches a file name), holding the body as downloaded. Requests keep no cookies and nothing on disk,
// time out after four seconds, and refuse bodies over maximumIconSize without downloading them. A host
// whose fetch failed is tried again on the next request for it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <boost/asio/any_io_executor.hpp>

#include "ferrywise/foundation/Color.hpp"
#include "ferrywise/foundation/Image.hpp"
#include "ferrywise/foundation/Observable.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/settings/GeneralPreferences.hpp"
#include "ferrywise/system/HttpClient.hpp"

namespace ferrywise {

class FaviconService {
  public:
    // The limit of each favicon request, connection and download together.
    static constexpr std::chrono::milliseconds requestTimeout{4000};
    // The largest favicon accepted, in bytes, downloaded or read from the cache.
    static constexpr std::size_t maximumIconSize = 1024 * 1024;
    // The cache folder's name within the host's caches folder.
    static constexpr std::string_view cacheFolderName = "Favicons";

    // The substitute for a missing favicon: the registrable domain's first letter, upper-cased ("?" for
    // none), on a colour every host of that domain shares.
    struct Monogram {
        std::string letter;
        Color color;

        bool operator==(const Monogram&) const = default;
    };

    // A service caching in `directory` (created when the first favicon is stored), fetching only while
    // `preferences` allows it, on `mainThread`. Without a client it makes its own (a libcurl client with
    // its own workers), so that slow sites never hold up the requests of other services.
    FaviconService(std::filesystem::path directory, GeneralPreferences preferences,
                   boost::asio::any_io_executor mainThread, std::shared_ptr<HttpClient> client = nullptr);
    FaviconService(const FaviconService&) = delete;
    FaviconService& operator=(const FaviconService&) = delete;
    // A fetch still running ends when its request completes, without touching anything.
    ~FaviconService();

    // The process's service, created on the first call: the cache in defaultCacheDirectory() of the
    // running host's folders (Paths::fromEnvironment()), the settings of its standard user defaults, and
    // `mainThread` as the main thread (later calls' executors are not used; call it from that thread).
    [[nodiscard]] static FaviconService& shared(const boost::asio::any_io_executor& mainThread);

    // <caches>/<bundle identifier>/Favicons: the user's caches folder (XDG_CACHE_HOME, else ~/.cache), a
    // folder named by the bundle identifier, and cacheFolderName.
    [[nodiscard]] static std::filesystem::path defaultCacheDirectory(std::string_view bundleIdentifier);
    [[nodiscard]] static std::filesystem::path defaultCacheDirectory(const Paths& paths);

    // Returns the favicon of `host` when it is in memory or in the disk cache. Otherwise returns none and,
    // when fetching favicons is switched on, starts fetching it unless that is already under way; a
    // success raises `generation`. Main thread.
    [[nodiscard]] std::optional<Image> icon(std::string_view host);

    // The monogram of `host`'s registrable domain. Any thread.
    [[nodiscard]] static Monogram monogram(std::string_view host);

    // Raised by one after every favicon fetched and stored.
    [[nodiscard]] const Observable<std::uint64_t>& generation() const noexcept;

    [[nodiscard]] const std::filesystem::path& directory() const noexcept;

    // The cache file of a host: `directory` and the 64 lower-case hexadecimal digits of the SHA-256 digest
    // of its normalised name.
    [[nodiscard]] std::filesystem::path fileOf(std::string_view host) const;

    // What the host is cached and fetched under: blanks around it removed, lower-cased, one leading "www."
    // removed, then trailing dots removed.
    [[nodiscard]] static std::string normalize(std::string_view host);

    // What the service and its running fetches share; defined where it is used.
    struct State;

  private:
    void fetch(const std::string& host);

    std::shared_ptr<State> state_;
};

}  // namespace ferrywise
