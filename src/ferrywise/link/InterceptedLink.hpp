#pragma once

// InterceptedLink is a link the router accepted: the URL exactly as received, the scheme it is routed
// under, and the application it came from. Only http, https and mailto URLs and existing local .html files
// (routed as https) become links.
//
//   auto link = InterceptedLink::make(*Url::parse("https://Example.com/a"), source);
//   link->host();        // "example.com"
//   link->logSummary();  // "example.com", never the full URL

#include <optional>
#include <string>

#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/link/LinkScheme.hpp"
#include "ferrywise/link/LinkSource.hpp"

namespace ferrywise {

class InterceptedLink {
  public:
    // A host as people read it (internationalised labels decoded) and as it travels (lower-cased, "xn--").
    struct HostForms {
        std::string readable;
        std::string encoded;
        bool operator==(const HostForms&) const = default;
    };

    // The link for `url`, or none when it is neither a supported local HTML file nor an http, https or
    // mailto URL. The URL and the source are kept unchanged.
    [[nodiscard]] static std::optional<InterceptedLink> make(Url url,
                                                             std::optional<LinkSource> source = std::nullopt);

    [[nodiscard]] const Url& url() const noexcept { return url_; }
    [[nodiscard]] LinkScheme scheme() const noexcept { return scheme_; }
    [[nodiscard]] const std::optional<LinkSource>& source() const noexcept { return source_; }

    // The URL's host, lower-cased; none when it has no host or an empty one (so always none for mail).
    [[nodiscard]] std::optional<std::string> host() const;

    // The readable and encoded forms of the host; none without a host, or when decoding its "xn--" labels
    // changes nothing (there are none, or none decodes).
    [[nodiscard]] std::optional<HostForms> hostForms() const;

    // What the interface shows: for mail, the URL without "mailto:" (a query stays); for web, the host,
    // else the whole URL.
    [[nodiscard]] std::string displaySummary() const;

    // A privacy-reduced form for log lines: a web link's host or "(no host)"; for mail, "mailto:…@" and the
    // domain after the last "@" of the percent-decoded recipients (up to a ",", ";" or anything else a
    // domain cannot hold), or "mailto:(no recipient)" when there is none. Never a mailbox name; control
    // characters of a decoded host stay percent-encoded.
    [[nodiscard]] std::string logSummary() const;

    bool operator==(const InterceptedLink&) const = default;

  private:
    InterceptedLink(Url url, LinkScheme scheme, std::optional<LinkSource> source)
        : url_(std::move(url)), scheme_(scheme), source_(std::move(source)) {}

    // Whether `url` names an existing regular file (not a symbolic link) with the extension html.
    static bool isSupportedLocalHTML(const Url& url);

    Url url_;
    LinkScheme scheme_;
    std::optional<LinkSource> source_;
};

}  // namespace ferrywise
