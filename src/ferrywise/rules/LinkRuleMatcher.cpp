#include "ferrywise/rules/LinkRuleMatcher.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include <boost/url/encode.hpp>
#include <boost/url/rfc/sub_delim_chars.hpp>
#include <boost/url/rfc/unreserved_chars.hpp>
#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"
#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/rules/LinkRuleDecoding.hpp"

namespace ferrywise {
namespace {

namespace urls = boost::urls;

constexpr std::int64_t kExactURLSpecificity = std::numeric_limits<std::int64_t>::max();
// Lifts every path prefix above every domain: no host is that long.
constexpr std::int64_t kPathPrefixBase = (std::int64_t{1} << 62) - 1;

std::string asciiLowercased(std::string_view text) {
    std::string result(text);
    for (auto& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

std::int64_t characterCount(std::string_view text) {
    return static_cast<std::int64_t>(text::graphemeCount(text));
}

// The host of a parsed URL, lower-cased as text: a name is decoded, lower-cased and encoded again (so
// "%41.example" and "a.example" compare equal); a name that is not UTF-8 once decoded stays as written;
// IP literals only have their hexadecimal letters lower-cased.
std::string lowercasedHost(const urls::url_view& url) {
    switch (url.host_type()) {
        case urls::host_type::name: {
            auto encoded = url.encoded_host();
            if (encoded.find('%') == std::string_view::npos) {
                return text::lowercased(encoded);
            }
            auto decoded = encoded.decode();
            if (!text::isValidUtf8(decoded)) {
                return std::string(encoded);
            }
            return urls::encode(text::lowercased(decoded), urls::unreserved_chars + urls::sub_delim_chars);
        }
        case urls::host_type::ipv6:
        case urls::host_type::ipvfuture:
            return asciiLowercased(url.encoded_host());  // with its brackets
        default:
            return std::string(url.encoded_host());
    }
}

std::string_view trimmingSlashes(std::string_view path) {
    while (!path.empty() && path.front() == '/') {
        path.remove_prefix(1);
    }
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path;
}

}  // namespace

// MARK: Subject

LinkRuleMatcher::Subject::Subject(const InterceptedLink& link) : link_(link), host_(link.host()) {}

const std::string& LinkRuleMatcher::Subject::normalizedUrl() const {
    if (!normalizedUrl_) {
        normalizedUrl_ = LinkRuleMatcher::normalized(link_.url());
    }
    return *normalizedUrl_;
}

const std::string& LinkRuleMatcher::Subject::lowercasedPath() const {
    if (!lowercasedPath_) {
        lowercasedPath_ = text::lowercased(link_.url().pathWithoutTrailingSlashes());
    }
    return *lowercasedPath_;
}

// MARK: Construction

LinkRuleMatcher::LinkRuleMatcher(Value value) : value_(std::move(value)) {
    std::visit(
        [this](const auto& matcher) {
            using T = std::decay_t<decltype(matcher)>;
            if constexpr (std::is_same_v<T, ExactURL>) {
                key_ = normalizedText(matcher.url);
                specificity_ = kExactURLSpecificity;
            } else if constexpr (std::is_same_v<T, Domain>) {
                key_ = normalizedDomain(matcher.domain);
                specificity_ = characterCount(key_);
            } else if constexpr (std::is_same_v<T, PathPrefix>) {
                key_ = normalizedDomain(matcher.host);
                pathKey_ = pathKey(matcher.path);
                specificity_ = characterCount(key_) + kPathPrefixBase + characterCount(pathKey_);
            }
        },
        value_);
}

std::optional<LinkRuleMatcher> LinkRuleMatcher::site(const InterceptedLink& link) {
    auto host = link.host();
    if (!host) {
        return std::nullopt;
    }
    return domain(registrableDomain(*host), true);
}

std::optional<LinkRuleMatcher> LinkRuleMatcher::exactURL(const InterceptedLink& link) {
    if (link.scheme().kind() == LinkScheme::Kind::mail) {
        return std::nullopt;
    }
    return exactURL(normalized(link.url()));
}

std::optional<LinkRuleMatcher> LinkRuleMatcher::domain(const InterceptedLink& link,
                                                       bool includingSubdomains) {
    auto host = link.host();
    if (!host) {
        return std::nullopt;
    }
    return domain(std::move(*host), includingSubdomains);
}

// MARK: Matching

bool LinkRuleMatcher::matches(const Subject& subject) const {
    const auto& link = subject.link();
    bool isMail = link.scheme().kind() == LinkScheme::Kind::mail;
    switch (which()) {
        case Case::exactURL:
            return !isMail && subject.normalizedUrl() == key_;
        case Case::domain: {
            const auto& host = subject.host();
            if (!host) {
                return false;
            }
            if (*host == key_) {
                return true;
            }
            return std::get<Domain>(value_).includingSubdomains && host->size() > key_.size() &&
                   host->ends_with(key_) && (*host)[host->size() - key_.size() - 1] == '.';
        }
        case Case::pathPrefix:
            return !isMail && subject.host() && *subject.host() == key_ &&
                   pathCovers(pathKey_, subject.lowercasedPath());
        case Case::anyWebLink:
            return link.scheme() == LinkScheme::http || link.scheme() == LinkScheme::https;
        case Case::mailDefault:
            return link.scheme() == LinkScheme::mailto;
    }
    return false;
}

bool LinkRuleMatcher::decidesSameLinks(const LinkRuleMatcher& other) const {
    if (which() != other.which()) {
        return false;
    }
    // The derived keys are the normalised forms: the comparison text, the domain, or the host and path key.
    return key_ == other.key_ && pathKey_ == other.pathKey_;
}

// MARK: Normalisation

std::string LinkRuleMatcher::normalizedDomain(std::string_view domain) {
    auto result = text::lowercased(text::trimmingWhitespace(domain));
    while (!result.empty() && result.back() == '.') {
        result.pop_back();
    }
    return result;
}

std::string LinkRuleMatcher::registrableDomain(std::string_view host) {
    auto domain = normalizedDomain(host);
    // Only the last three labels matter, so the dots are found from the end; empty labels count.
    auto last = domain.rfind('.');
    auto second = last == std::string::npos || last == 0 ? std::string::npos : domain.rfind('.', last - 1);
    if (second == std::string::npos || isIPAddress(domain)) {
        return domain;
    }
    auto topLabel = std::string_view(domain).substr(last + 1);
    auto secondLabel = std::string_view(domain).substr(second + 1, last - second - 1);
    bool isCountryCode = false;
    if (text::isAscii(topLabel)) {
        isCountryCode =
            topLabel.size() == 2 && text::isAsciiLetter(topLabel[0]) && text::isAsciiLetter(topLabel[1]);
    } else {
        auto characters = text::graphemeClusters(topLabel);
        isCountryCode = characters.size() == 2 && text::startsWithLetter(characters[0]) &&
                        text::startsWithLetter(characters[1]);
    }
    auto first = second;
    if (isCountryCode && isRegistryShard(secondLabel)) {
        first = second == 0 ? std::string::npos : domain.rfind('.', second - 1);
    }
    if (first != std::string::npos) {
        domain.erase(0, first + 1);
    }
    return domain;
}

std::string LinkRuleMatcher::pathKey(std::string_view path) {
    return "/" + text::lowercased(trimmingSlashes(path));
}

std::string LinkRuleMatcher::normalized(const Url& url) {
    auto view = url.view();
    std::string result;
    result.reserve(url.absoluteString().size());
    if (view.has_scheme()) {
        result.append(asciiLowercased(view.scheme())).append(":");
    }
    if (view.has_authority()) {
        result.append("//");
        if (view.has_userinfo()) {
            result.append(view.encoded_userinfo()).append("@");
        }
        result.append(lowercasedHost(view));
        if (view.has_port()) {
            result.append(":").append(view.port());
        }
    }
    std::string_view path = view.encoded_path();
    if (path == "/" && !view.has_query() && !view.has_fragment()) {
        path = {};
    }
    result.append(path);
    if (view.has_query()) {
        result.append("?").append(view.encoded_query());
    }
    if (view.has_fragment()) {
        result.append("#").append(view.encoded_fragment());
    }
    return result;
}

std::string LinkRuleMatcher::normalizedText(std::string_view url) {
    auto parsed = Url::parse(url);
    return parsed ? normalized(*parsed) : std::string(url);
}

bool LinkRuleMatcher::pathCovers(std::string_view prefixKey, std::string_view lowercasedPath) {
    if (prefixKey == "/" || lowercasedPath == prefixKey) {
        return true;
    }
    return lowercasedPath.size() > prefixKey.size() && lowercasedPath.starts_with(prefixKey) &&
           lowercasedPath[prefixKey.size()] == '/';
}

bool LinkRuleMatcher::isIPAddress(std::string_view host) {
    if (host.find(':') != std::string_view::npos) {
        return true;
    }
    std::size_t pieces = 0;
    while (!host.empty()) {
        auto dot = host.find('.');
        auto piece = host.substr(0, dot);
        host.remove_prefix(dot == std::string_view::npos ? host.size() : dot + 1);
        if (piece.empty()) {
            continue;
        }
        if (++pieces > 4 || !text::isAllNumeric(piece)) {
            return false;
        }
    }
    return pieces == 4;
}

bool LinkRuleMatcher::isRegistryShard(std::string_view label) {
    // Second-level labels under which country registries sell names ("co.uk", "com.au", "gov.in").
    static constexpr std::array<std::string_view, 31> shards = {
        "ac",  "asn", "biz", "co",  "com", "ed",   "edu", "gen", "go",  "gob", "gouv",
        "gov", "gr",  "id",  "in",  "ind", "info", "int", "lg",  "ltd", "me",  "mil",
        "ne",  "net", "nic", "nom", "or",  "org",  "plc", "sch", "web"};
    return std::find(shards.begin(), shards.end(), label) != shards.end();
}

// MARK: Presentation

LinkScheme::Kind LinkRuleMatcher::kind() const noexcept {
    return which() == Case::mailDefault ? LinkScheme::Kind::mail : LinkScheme::Kind::web;
}

std::optional<std::string> LinkRuleMatcher::host() const {
    switch (which()) {
        case Case::exactURL: {
            auto url = Url::parse(std::get<ExactURL>(value_).url);
            auto host = url ? url->host() : std::nullopt;
            if (!host || host->empty()) {
                return std::nullopt;
            }
            return host;
        }
        case Case::domain:
        case Case::pathPrefix:
            return key_;
        case Case::anyWebLink:
        case Case::mailDefault:
            return std::nullopt;
    }
    return std::nullopt;
}

std::string LinkRuleMatcher::headline(const Localization& localization) const {
    switch (which()) {
        case Case::exactURL: {
            auto host = this->host();
            return host ? *host : std::get<ExactURL>(value_).url;
        }
        case Case::domain:
        case Case::pathPrefix:
            return key_;
        case Case::anyWebLink:
            return localization.text("All web links");
        case Case::mailDefault:
            return localization.text("All email links");
    }
    return {};
}

std::optional<std::string> LinkRuleMatcher::detail(const Localization& localization) const {
    switch (which()) {
        case Case::exactURL: {
            auto url = Url::parse(std::get<ExactURL>(value_).url);
            if (!url) {
                return std::nullopt;
            }
            auto text = url->pathWithoutTrailingSlashes();
            if (auto query = url->encodedQuery()) {
                text.append("?").append(*query);
            }
            if (text.empty() || text == "/") {
                return localization.text("one exact link");
            }
            return text;
        }
        case Case::domain:
            return localization.text(std::get<Domain>(value_).includingSubdomains ? "and every subdomain"
                                                                                  : "this site only");
        case Case::pathPrefix:
            return localization.format("%@ and below", {pathKey_});
        case Case::anyWebLink:
        case Case::mailDefault:
            return std::nullopt;
    }
    return std::nullopt;
}

std::string LinkRuleMatcher::summary(const Localization& localization) const {
    switch (which()) {
        case Case::exactURL:
            return std::get<ExactURL>(value_).url;
        case Case::domain:
            if (std::get<Domain>(value_).includingSubdomains) {
                return localization.format("%@ and subdomains", {key_});
            }
            return key_;
        case Case::pathPrefix:
            return key_ + pathKey_;
        case Case::anyWebLink:
            return localization.text("All web links");
        case Case::mailDefault:
            return localization.text("All email links");
    }
    return {};
}

std::string_view LinkRuleMatcher::symbolName() const noexcept {
    static constexpr std::array<std::string_view, 5> names = {"link", "globe", "folder", "network",
                                                              "envelope"};
    return names[value_.index()];
}

LinkRuleMatcher decoding::matcher(const MatcherMembers& members) {
    auto string = [](const nlohmann::json* member, std::string_view key) {
        return coding::string(coding::required(member, key), key);
    };
    auto kind = string(members.kind, "kind");
    if (kind == "url") {
        return LinkRuleMatcher::exactURL(string(members.url, "url"));
    }
    if (kind == "domain") {
        bool subdomains = members.includingSubdomains != nullptr && !members.includingSubdomains->is_null() &&
                          coding::boolean(*members.includingSubdomains, "includingSubdomains");
        return LinkRuleMatcher::domain(string(members.domain, "domain"), subdomains);
    }
    if (kind == "pathPrefix") {
        auto host = string(members.domain, "domain");
        return LinkRuleMatcher::pathPrefix(std::move(host), string(members.path, "path"));
    }
    if (kind == "anyWeb") {
        return LinkRuleMatcher::anyWebLink();
    }
    if (kind == "mailDefault") {
        return LinkRuleMatcher::mailDefault();
    }
    throw DecodingError("\"kind\" is not a known matcher kind");
}

}  // namespace ferrywise

// MARK: JSON

namespace nlohmann {

ferrywise::LinkRuleMatcher adl_serializer<ferrywise::LinkRuleMatcher>::from_json(const json& value) {
    const auto& object = ferrywise::coding::object(value, "matcher");
    auto member = [&object](std::string_view key) { return ferrywise::coding::optional(object, key); };
    return ferrywise::decoding::matcher(
        {member("kind"), member("url"), member("domain"), member("includingSubdomains"), member("path")});
}

void adl_serializer<ferrywise::LinkRuleMatcher>::to_json(json& value,
                                                         const ferrywise::LinkRuleMatcher& matcher) {
    using ferrywise::LinkRuleMatcher;
    std::visit(
        [&value](const auto& payload) {
            using T = std::decay_t<decltype(payload)>;
            if constexpr (std::is_same_v<T, LinkRuleMatcher::ExactURL>) {
                value = {{"kind", "url"}, {"url", payload.url}};
            } else if constexpr (std::is_same_v<T, LinkRuleMatcher::Domain>) {
                value = {{"kind", "domain"},
                         {"domain", payload.domain},
                         {"includingSubdomains", payload.includingSubdomains}};
            } else if constexpr (std::is_same_v<T, LinkRuleMatcher::PathPrefix>) {
                value = {{"kind", "pathPrefix"}, {"domain", payload.host}, {"path", payload.path}};
            } else if constexpr (std::is_same_v<T, LinkRuleMatcher::AnyWebLink>) {
                value = {{"kind", "anyWeb"}};
            } else {
                value = {{"kind", "mailDefault"}};
            }
        },
        matcher.value());
}

}  // namespace nlohmann
