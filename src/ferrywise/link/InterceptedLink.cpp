#include "ferrywise/link/InterceptedLink.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/processing/Punycode.hpp"

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

// The domain of the last recipient of a decoded mail address part: after the last "@", the run of
// characters a domain (or an address literal) can hold, so that a second recipient after "," or ";", or
// a name after the domain, never comes along. None when there is no "@" or no domain after it: then the
// only candidates are mailbox names ("user@", "a@,bob"), which must never reach a log line.
std::optional<std::string_view> recipientDomain(std::string_view address) {
    auto at = address.rfind('@');
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    auto domain = address.substr(at + 1);
    auto isDomainByte = [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte >= 0x80 || std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '[' || c == ']' ||
               c == ':';
    };
    auto end = std::find_if_not(domain.begin(), domain.end(), isDomainByte);
    domain = domain.substr(0, static_cast<std::size_t>(end - domain.begin()));
    if (domain.empty()) {
        return std::nullopt;
    }
    return domain;
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
    // The item itself must be a regular file: a symbolic link is not one, even when it names a page.
    std::error_code error;
    return std::filesystem::symlink_status(*path, error).type() == std::filesystem::file_type::regular &&
           !error;
}

std::optional<std::string> InterceptedLink::host() const {
    auto host = url_.host();
    if (!host || host->empty()) {
        return std::nullopt;
    }
    return text::lowercased(*host);
}

std::optional<InterceptedLink::HostForms> InterceptedLink::hostForms() const {
    auto encoded = host();
    if (!encoded) {
        return std::nullopt;
    }
    auto readable = Punycode::decodedHost(*encoded);
    if (readable == *encoded) {
        return std::nullopt;
    }
    return HostForms{std::move(readable), std::move(*encoded)};
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
        auto host = this->host();
        return host ? text::escapingControlCharacters(*host) : "(no host)";
    }
    // Decoded first: "%40" and "%2C" are an "@" and a "," to every mail client.
    auto address = url_.path();
    if (auto domain = recipientDomain(address)) {
        return "mailto:\u2026@" + text::escapingControlCharacters(*domain);
    }
    return "mailto:(no recipient)";
}

}  // namespace ferrywise
