#include "ferrywise/link/InterceptedLink.hpp"

#include <filesystem>
#include <string_view>
#include <vector>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return text::lowercased(a) == text::lowercased(b);
}

std::string removingAll(std::string_view text, std::string_view needle) {
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (auto found = text.find(needle); found != std::string_view::npos; found = text.find(needle, start)) {
        result.append(text.substr(start, found - start));
        start = found + needle.size();
    }
    result.append(text.substr(start));
    return result;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        auto end = text.find(separator, start);
        pieces.push_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) {
            return pieces;
        }
        start = end + 1;
    }
}

// The domain of the last recipient of a mail address part, or none when there is no text after an "@".
std::optional<std::string_view> recipientDomain(std::string_view address) {
    if (address.find('@') == std::string_view::npos) {
        return std::nullopt;
    }
    auto segments = split(address, '@');
    // The last non-empty piece. When it is the text before the first "@" (as in "user@"), it is a mailbox
    // name, not a domain, and must not be logged.
    std::size_t last = segments.size();
    for (std::size_t i = segments.size(); i-- > 0;) {
        if (!segments[i].empty()) {
            last = i;
            break;
        }
    }
    if (last == segments.size() || last == 0) {
        return std::nullopt;
    }
    for (auto part : split(segments[last], ',')) {
        if (!part.empty()) {
            return part;
        }
    }
    return segments[last];
}

}  // namespace

std::optional<InterceptedLink> InterceptedLink::make(Url url, std::optional<LinkSource> source) {
    if (isSupportedLocalHTML(url)) {
        return InterceptedLink(std::move(url), LinkScheme::https, std::move(source));
    }
    auto scheme = LinkScheme::fromUrl(url);
    if (!scheme) {
        return std::nullopt;
    }
    return InterceptedLink(std::move(url), *scheme, std::move(source));
}

bool InterceptedLink::isSupportedLocalHTML(const Url& url) {
    if (!url.isFileUrl()) {
        return false;
    }
    if (auto host = url.host(); host && !host->empty() && !equalsIgnoringCase(*host, "localhost")) {
        return false;
    }
    if (!equalsIgnoringCase(url.pathExtension(), "html")) {
        return false;
    }
    auto path = url.filePath();
    if (!path) {
        return false;
    }
    // Follows a symbolic link to the file it names: a link to an HTML page opens like the page itself.
    std::error_code error;
    return std::filesystem::is_regular_file(*path, error) && !error;
}

std::optional<std::string> InterceptedLink::host() const {
    auto host = url_.host();
    if (!host || host->empty()) {
        return std::nullopt;
    }
    return text::lowercased(*host);
}

std::string InterceptedLink::displaySummary() const {
    if (scheme_.kind() == LinkScheme::Kind::mail) {
        return removingAll(url_.absoluteString(), "mailto:");
    }
    if (auto host = this->host()) {
        return *host;
    }
    return std::string(url_.absoluteString());
}

std::string InterceptedLink::logSummary() const {
    if (scheme_.kind() == LinkScheme::Kind::web) {
        return host().value_or("(no host)");
    }
    auto text = removingAll(url_.absoluteString(), "mailto:");
    auto address = std::string_view(text).substr(0, text.find('?'));
    if (auto domain = recipientDomain(address)) {
        return "mailto:\u2026@" + std::string(*domain);
    }
    return "mailto:(no recipient)";
}

}  // namespace ferrywise
