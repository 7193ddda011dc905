#include "ferrywise/foundation/Url.hpp"

#include <system_error>

#include <boost/url/encode.hpp>
#include <boost/url/grammar/parse.hpp>
#include <boost/url/parse.hpp>
#include <boost/url/parse_query.hpp>
#include <boost/url/rfc/pchars.hpp>
#include <boost/url/rfc/pct_encoded_rule.hpp>
#include <boost/url/rfc/sub_delim_chars.hpp>
#include <boost/url/rfc/unreserved_chars.hpp>
#include <sys/stat.h>

namespace ferrywise {
namespace {

namespace urls = boost::urls;

std::string decoded(urls::pct_string_view text) {
    // Plain percent-decoding: a "+" is not a space in a URL.
    return text.decode(urls::encoding_opts(false, false, false));
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string encodedFilePath(const std::string& path) {
    // Encode everything outside the path characters so that "%", "?" and "#" in names survive.
    return urls::encode(path, urls::pchars + urls::grammar::lut_chars('/'));
}

// The URL with its path replaced. Written out and parsed again because Boost.URL 1.81's set_encoded_path
// turns "/" after an authority into "/./".
Url withEncodedPath(const urls::url_view& url, std::string_view encodedPath) {
    std::string text;
    if (url.has_scheme()) {
        text.append(url.scheme()).append(":");
    }
    if (url.has_authority()) {
        text.append("//").append(url.encoded_authority());
    } else if (encodedPath.starts_with("//")) {
        text.append("/.");  // keeps the path from reading as an authority
    }
    text.append(encodedPath);
    if (url.has_query()) {
        text.append("?").append(url.encoded_query());
    }
    if (url.has_fragment()) {
        text.append("#").append(url.encoded_fragment());
    }
    return Url::parse(text).value();
}

// Removes "." and ".." segments as RFC 3986 resolution does, judging segments decoded so that "%2E%2E" is a
// parent too. Boost.URL 1.81's normalize_path leaves stray bytes in the path and keeps a leading "/..".
std::string withoutDotSegments(std::string_view encodedPath) {
    bool absolute = !encodedPath.empty() && encodedPath.front() == '/';
    if (absolute) {
        encodedPath.remove_prefix(1);
    }
    std::vector<std::string_view> kept;
    bool endsInFolder = false;
    while (true) {
        auto slash = encodedPath.find('/');
        auto segment = encodedPath.substr(0, slash);
        // Only ".", "..", and their encodings ("%2E", "%2e%2E"...) are dot segments; at most 6 characters.
        bool mayBeDots = segment.size() <= 6 && segment.find_first_not_of(".%2Ee") == std::string_view::npos;
        auto name = mayBeDots ? decoded(urls::pct_string_view(segment)) : std::string();
        endsInFolder = name == "." || name == "..";
        if (name == ".." && !kept.empty()) {
            kept.pop_back();
        } else if (!endsInFolder) {
            kept.push_back(segment);
        }
        if (slash == std::string_view::npos) {
            break;
        }
        encodedPath.remove_prefix(slash + 1);
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        result.append(kept[i]);
        if (i + 1 < kept.size() || endsInFolder) {
            result += '/';
        }
    }
    return result;
}

// Whether a path may hold a "." or ".." segment or a percent-encoding: what standardising has to look at.
bool needsStandardizing(std::string_view encodedPath) {
    if (encodedPath.find('%') != std::string_view::npos) {
        return true;
    }
    for (auto dot = encodedPath.find('.'); dot != std::string_view::npos;
         dot = encodedPath.find('.', dot + 1)) {
        bool startsSegment = dot == 0 || encodedPath[dot - 1] == '/';
        auto next = dot + 1 < encodedPath.size() && encodedPath[dot + 1] == '.' ? dot + 2 : dot + 1;
        bool endsSegment = next == encodedPath.size() || encodedPath[next] == '/';
        if (startsSegment && endsSegment) {
            return true;
        }
    }
    return false;
}

// The decoded path of a file URL with "." and ".." removed: the path of standardizedFileUrl().
std::string standardizedFilePath(const urls::url& url) {
    auto encodedPath = std::string_view(url.encoded_path());
    if (!needsStandardizing(encodedPath)) {
        return std::string(encodedPath);
    }
    return decoded(urls::pct_string_view(withoutDotSegments(encodedPath)));
}

// Boost.URL 1.81 ends a host at an IPv4-looking start ("1.2.3.4" of "1.2.3.4.5" or "10.0.0.1.example") and
// reads the rest of the authority as the path. Such hosts are registered names: the URL is parsed with a
// stand-in host, which then gets the real one (set_encoded_host takes a name that is not a whole address
// as a name). None when the real host is not a valid name or the port is not a number.
std::optional<urls::url> parsedWithRegisteredName(std::string_view text, const urls::url_view& misread) {
    auto authorityStart = static_cast<std::size_t>(misread.encoded_authority().data() - text.data());
    auto authorityEnd = text.find_first_of("/?#", authorityStart);
    if (authorityEnd == std::string_view::npos) {
        authorityEnd = text.size();
    }
    auto authority = text.substr(authorityStart, authorityEnd - authorityStart);
    auto hostStart = authority.find('@') == std::string_view::npos ? 0 : authority.find('@') + 1;
    auto hostEnd = authority.rfind(':');
    if (hostEnd == std::string_view::npos || hostEnd < hostStart ||
        authority.find_first_not_of("0123456789", hostEnd + 1) != std::string_view::npos) {
        hostEnd = authority.size();
    }
    auto host = authority.substr(hostStart, hostEnd - hostStart);
    if (!urls::grammar::parse(host, urls::pct_encoded_rule(urls::unreserved_chars + urls::sub_delim_chars))) {
        return std::nullopt;
    }
    auto at = authorityStart + hostStart;
    auto standIn = std::string(text.substr(0, at)).append("x").append(text.substr(at + host.size()));
    auto parsed = urls::parse_uri_reference(standIn);
    if (!parsed || parsed->host_type() != urls::host_type::name) {
        return std::nullopt;
    }
    urls::url url(*parsed);
    url.set_encoded_host(urls::pct_string_view(host));
    if (url.buffer() != text) {
        return std::nullopt;
    }
    return url;
}

}  // namespace

std::optional<Url> Url::parse(std::string_view text) {
    auto result = urls::parse_uri_reference(text);
    if (!result) {
        return std::nullopt;
    }
    // After an authority the path is empty or starts with "/"; Boost.URL 1.81 also accepts "http://a:80x/".
    if (result->has_authority() && !result->encoded_path().empty() &&
        !result->encoded_path().starts_with('/')) {
        if (result->host_type() != urls::host_type::ipv4) {
            return std::nullopt;
        }
        auto named = parsedWithRegisteredName(text, *result);
        return named ? std::optional<Url>(Url(std::move(*named))) : std::nullopt;
    }
    return Url(urls::url(*result));
}

Url Url::fromFilePath(const std::filesystem::path& path) {
    std::error_code error;
    auto absolute = path.is_absolute() ? path : std::filesystem::absolute(path, error);
    if (error) {
        absolute = path;
    }
    return withEncodedPath(urls::url_view("file://"), encodedFilePath(absolute.string()));
}

std::string_view Url::absoluteString() const noexcept {
    return url_.buffer();
}

std::optional<std::string> Url::scheme() const {
    if (!url_.has_scheme()) {
        return std::nullopt;
    }
    return std::string(url_.scheme());
}

std::optional<std::string> Url::host() const {
    if (!url_.has_authority()) {
        return std::nullopt;
    }
    if (url_.host_type() == urls::host_type::ipv6 || url_.host_type() == urls::host_type::ipvfuture) {
        return std::string(url_.encoded_host_address());
    }
    return decoded(url_.encoded_host());
}

std::optional<std::string> Url::port() const {
    if (!url_.has_port()) {
        return std::nullopt;
    }
    return std::string(url_.port());
}

std::string Url::path() const {
    return decoded(url_.encoded_path());
}

std::string_view Url::encodedPath() const noexcept {
    return url_.encoded_path();
}

std::string Url::pathWithoutTrailingSlashes() const {
    return withoutTrailingSlash(path());
}

std::string Url::lastPathComponent() const {
    std::string last;
    for (auto segment : view().encoded_segments()) {
        if (!segment.empty()) {
            last = decoded(segment);
        }
    }
    return last;
}

std::string Url::pathExtension() const {
    auto component = lastPathComponent();
    auto dot = component.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == component.size()) {
        return {};
    }
    return component.substr(dot + 1);
}

std::optional<std::string> Url::query() const {
    if (!url_.has_query()) {
        return std::nullopt;
    }
    return decoded(url_.encoded_query());
}

std::optional<std::string_view> Url::encodedQuery() const {
    if (!url_.has_query()) {
        return std::nullopt;
    }
    return std::string_view(url_.encoded_query());
}

std::optional<std::string> Url::fragment() const {
    if (!url_.has_fragment()) {
        return std::nullopt;
    }
    return decoded(url_.encoded_fragment());
}

std::optional<std::string_view> Url::encodedFragment() const {
    if (!url_.has_fragment()) {
        return std::nullopt;
    }
    return std::string_view(url_.encoded_fragment());
}

std::vector<QueryItem> Url::queryItems() const {
    std::vector<QueryItem> items;
    if (!url_.has_query() || url_.encoded_query().empty()) {
        return items;
    }
    for (auto param : view().encoded_params()) {
        QueryItem item{decoded(param.key), std::nullopt};
        if (param.has_value) {
            item.value = decoded(param.value);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<Url> Url::replacingEncodedQuery(std::optional<std::string_view> encodedQuery) const {
    urls::url result(url_);
    if (!encodedQuery) {
        result.remove_query();
        return Url(std::move(result));
    }
    // Checked first: setting the query would quietly encode what does not belong in one.
    if (!urls::parse_query(*encodedQuery)) {
        return std::nullopt;
    }
    result.set_encoded_query(*encodedQuery);
    return Url(std::move(result));
}

bool Url::isFileUrl() const {
    return url_.has_scheme() && url_.scheme_id() == urls::scheme::file;
}

std::optional<std::filesystem::path> Url::filePath() const {
    if (!isFileUrl()) {
        return std::nullopt;
    }
    auto path = this->path();
    if (path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return std::filesystem::path(path);
}

Url Url::standardizedFileUrl() const {
    if (!isFileUrl()) {
        return *this;
    }
    return withEncodedPath(url_, withoutDotSegments(url_.encoded_path()));
}

Url Url::resolvingSymlinksInPath() const {
    auto path = filePath();
    if (!path) {
        return *this;
    }
    std::error_code error;
    auto resolved = std::filesystem::weakly_canonical(*path, error);
    if (error) {
        resolved = path->lexically_normal();
    }
    return withEncodedPath(url_, encodedFilePath(withoutTrailingSlash(resolved.string())));
}

std::string Url::resolvedPath() const {
    // The path of standardizedFileUrl().resolvingSymlinksInPath(), without building the two URLs.
    if (!isFileUrl()) {
        return path();
    }
    auto standardized = standardizedFilePath(url_);
    if (standardized.find('\0') != std::string::npos) {
        return standardized;
    }
    std::error_code error;
    auto resolved = std::filesystem::weakly_canonical(standardized, error);
    if (error) {
        resolved = std::filesystem::path(standardized).lexically_normal();
    }
    return withoutTrailingSlash(resolved.string());
}

bool Url::sameResolvedPath(const Url& a, const Url& b) {
    // Resolving symbolic links costs a system call per path component. Two existing files that are not the
    // same file cannot have the same resolved path, so one status call each settles the usual case.
    if (a.isFileUrl() && b.isFileUrl()) {
        struct stat first {};
        struct stat second {};
        auto pathA = standardizedFilePath(a.url_);
        auto pathB = standardizedFilePath(b.url_);
        if (pathA.find('\0') == std::string::npos && pathB.find('\0') == std::string::npos &&
            ::stat(pathA.c_str(), &first) == 0 && ::stat(pathB.c_str(), &second) == 0 &&
            (first.st_dev != second.st_dev || first.st_ino != second.st_ino)) {
            return false;
        }
    }
    return a.resolvedPath() == b.resolvedPath();
}

}  // namespace ferrywise
