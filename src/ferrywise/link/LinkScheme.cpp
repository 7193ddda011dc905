#include "ferrywise/link/LinkScheme.hpp"

#include <boost/url/grammar/ci_string.hpp>
#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"

namespace ferrywise {

std::optional<LinkScheme::Kind> LinkScheme::Kind::fromRawValue(std::string_view rawValue) {
    for (auto kind : allCases()) {
        if (kind.rawValue() == rawValue) {
            return kind;
        }
    }
    return std::nullopt;
}

const std::array<LinkScheme::Kind, 2>& LinkScheme::Kind::allCases() noexcept {
    static constexpr std::array<Kind, 2> cases{web, mail};
    return cases;
}

std::string_view LinkScheme::Kind::rawValue() const noexcept {
    return value_ == web ? "web" : "mail";
}

std::vector<LinkScheme> LinkScheme::Kind::schemes() const {
    if (value_ == web) {
        return {LinkScheme::http, LinkScheme::https};
    }
    return {LinkScheme::mailto};
}

std::string LinkScheme::Kind::displayName(const Localization& localization) const {
    return localization.text(value_ == web ? "Web links" : "Email links");
}

std::string LinkScheme::Kind::shortName(const Localization& localization) const {
    return localization.text(value_ == web ? "Web" : "Email");
}

std::string_view LinkScheme::Kind::symbolName() const noexcept {
    return value_ == web ? "globe" : "envelope";
}

std::optional<LinkScheme> LinkScheme::fromUrl(const Url& url) {
    // Boost.URL already classifies http and https ignoring case; only mailto needs a comparison.
    switch (url.view().scheme_id()) {
        case boost::urls::scheme::http:
            return http;
        case boost::urls::scheme::https:
            return https;
        case boost::urls::scheme::unknown:
            return boost::urls::grammar::ci_is_equal(url.view().scheme(), std::string_view("mailto"))
                       ? std::optional<LinkScheme>(mailto)
                       : std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<LinkScheme> LinkScheme::fromRawValue(std::string_view rawValue) {
    for (auto scheme : allCases()) {
        if (scheme.rawValue() == rawValue) {
            return scheme;
        }
    }
    return std::nullopt;
}

const std::array<LinkScheme, 3>& LinkScheme::allCases() noexcept {
    static constexpr std::array<LinkScheme, 3> cases{http, https, mailto};
    return cases;
}

std::string_view LinkScheme::rawValue() const noexcept {
    switch (value_) {
        case http:
            return "http";
        case https:
            return "https";
        case mailto:
            return "mailto";
    }
    return "http";
}

LinkScheme::Kind LinkScheme::kind() const noexcept {
    return value_ == mailto ? Kind::mail : Kind::web;
}

const Url& LinkScheme::probeUrl() const {
    // Samples at the documentation domain reserved by RFC 2606; parsed once per process.
    static const std::array<Url, 3> probes{*Url::parse("http://example.com"),
                                           *Url::parse("https://example.com"),
                                           *Url::parse("mailto:someone@example.com")};
    return probes[value_];
}

}  // namespace ferrywise

namespace nlohmann {

ferrywise::LinkScheme::Kind adl_serializer<ferrywise::LinkScheme::Kind>::from_json(const json& value) {
    if (!value.is_string()) {
        throw ferrywise::DecodingError("Expected a link kind string");
    }
    auto kind = ferrywise::LinkScheme::Kind::fromRawValue(value.get_ref<const std::string&>());
    if (!kind) {
        throw ferrywise::DecodingError("Unknown link kind");
    }
    return *kind;
}

void adl_serializer<ferrywise::LinkScheme::Kind>::to_json(json& value,
                                                          const ferrywise::LinkScheme::Kind& kind) {
    value = std::string(kind.rawValue());
}

}  // namespace nlohmann
