#include "ferrywise/processing/LinkRewriter.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include <boost/url/encode.hpp>
#include <boost/url/rfc/unreserved_chars.hpp>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

namespace urls = boost::urls;

// Characters a query value may hold as they are; everything else (including "&", "=", "+" and "#") is
// percent-encoded so the value cannot spill into other items.
constexpr auto queryValueChars = urls::unreserved_chars + urls::grammar::lut_chars("!$'()*,;:@/?");

// Builds "https://<host><path>?<query>#<fragment>" from encoded parts, or none when the parts do not read
// back as themselves (a host holding "@" or ":" would turn into user information or a port).
std::optional<Url> httpsAddress(std::string_view encodedHost, std::string_view encodedPath,
                                std::optional<std::string_view> encodedQuery,
                                std::optional<std::string_view> encodedFragment) {
    std::string text = "https://";
    text.append(encodedHost).append(encodedPath);
    if (encodedQuery) {
        text.append("?").append(*encodedQuery);
    }
    if (encodedFragment) {
        text.append("#").append(*encodedFragment);
    }
    auto url = Url::parse(text);
    if (!url || url->view().encoded_host() != encodedHost || url->view().has_userinfo() ||
        url->view().has_port() || url->encodedPath() != encodedPath || url->encodedQuery() != encodedQuery ||
        url->encodedFragment() != encodedFragment) {
        return std::nullopt;
    }
    return url;
}

}  // namespace

Url LinkRewriter::expand(const Url& url) {
    if (auto unwrapped = expandXWebdoc(url)) {
        return *unwrapped;
    }
    auto host = url.host();
    if (!host) {
        return url;
    }
    auto lowered = text::lowercased(*host);
    if (std::ranges::find(shortVideoHosts, lowered) == shortVideoHosts.end()) {
        return url;
    }
    // The decoded path split at "/", empty pieces left out: exactly one piece is the video identifier.
    auto path = url.path();
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0; start <= path.size();) {
        auto slash = std::min(path.find('/', start), path.size());
        if (slash > start) {
            pieces.push_back(std::string_view(path).substr(start, slash - start));
        }
        start = slash + 1;
    }
    if (pieces.size() != 1) {
        return url;
    }
    std::string query(videoQueryItemName);
    query.append("=").append(urls::encode(pieces.front(), queryValueChars));
    // The link's own items follow as written; an empty query has none.
    if (auto items = url.encodedQuery(); items && !items->empty()) {
        query.append("&").append(*items);
    }
    auto rewritten = httpsAddress(watchHost, watchPath, query, url.encodedFragment());
    return rewritten ? *rewritten : url;
}

std::optional<Url> LinkRewriter::expandXWebdoc(const Url& url) {
    auto scheme = url.scheme();
    if (!scheme || text::lowercased(*scheme) != xWebdocScheme) {
        return std::nullopt;
    }
    auto view = url.view();
    if (!view.has_authority() || view.encoded_host().empty()) {
        return std::nullopt;
    }
    std::string_view host = view.encoded_host();
    if (host.find('.') != std::string_view::npos) {
        return httpsAddress(host, url.encodedPath(), url.encodedQuery(), url.encodedFragment());
    }
    // An opaque document identifier as host: the web host is the first path segment.
    auto path = url.encodedPath();
    auto firstSlash = path.find('/');
    if (firstSlash == std::string_view::npos) {
        return std::nullopt;
    }
    auto rest = path.substr(firstSlash + 1);
    auto nextSlash = rest.find('/');
    auto candidateHost = rest.substr(0, nextSlash);
    auto candidatePath = nextSlash == std::string_view::npos ? std::string_view() : rest.substr(nextSlash);
    if (candidateHost.find('.') == std::string_view::npos) {
        return std::nullopt;
    }
    return httpsAddress(candidateHost, candidatePath, url.encodedQuery(), url.encodedFragment());
}

}  // namespace ferrywise
