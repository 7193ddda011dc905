#pragma once

// LinkRuleMatcher says which links a rule claims: one exact web address, one host (optionally with every
// host below it), the paths at or below a prefix on one host, every web link, or every mail link. A
// matcher keeps its strings exactly as given; comparisons use their normalised forms.
//
//   auto docs = LinkRuleMatcher::pathPrefix("Example.com", "Docs/");
//   docs.matches(*link);  // true for https://example.com/docs/intro, false for https://example.com/doc
//   docs.summary();       // "example.com/docs"
//
// Also home to the host normalisation that other components share: normalizedDomain and registrableDomain.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <nlohmann/json_fwd.hpp>

#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/link/InterceptedLink.hpp"
#include "ferrywise/link/LinkScheme.hpp"

namespace ferrywise {

class LinkRuleMatcher {
  public:
    struct ExactURL {
        std::string url;
        bool operator==(const ExactURL&) const = default;
    };
    struct Domain {
        std::string domain;
        bool includingSubdomains = false;
        bool operator==(const Domain&) const = default;
    };
    struct PathPrefix {
        std::string host;
        std::string path;
        bool operator==(const PathPrefix&) const = default;
    };
    struct AnyWebLink {
        bool operator==(const AnyWebLink&) const = default;
    };
    struct MailDefault {
        bool operator==(const MailDefault&) const = default;
    };
    using Value = std::variant<ExactURL, Domain, PathPrefix, AnyWebLink, MailDefault>;

    enum class Case { exactURL, domain, pathPrefix, anyWebLink, mailDefault };

    // The parts of one link that matchers compare, worked out once and shared by every matcher the link is
    // tested against. Refers to the link, which must outlive it.
    class Subject {
      public:
        explicit Subject(const InterceptedLink& link);
        Subject(InterceptedLink&&) = delete;  // would refer to a temporary

        [[nodiscard]] const InterceptedLink& link() const noexcept { return link_; }
        // The link's host, lower-cased; none when it has none or an empty one.
        [[nodiscard]] const std::optional<std::string>& host() const noexcept { return host_; }
        // The link's URL in the comparison form of exact-URL rules (computed on first use).
        [[nodiscard]] const std::string& normalizedUrl() const;
        // The decoded path without trailing "/", lower-cased (computed on first use).
        [[nodiscard]] const std::string& lowercasedPath() const;

      private:
        const InterceptedLink& link_;
        std::optional<std::string> host_;
        mutable std::optional<std::string> normalizedUrl_;
        mutable std::optional<std::string> lowercasedPath_;
    };

    [[nodiscard]] static LinkRuleMatcher exactURL(std::string url) {
        return LinkRuleMatcher(ExactURL{std::move(url)});
    }
    [[nodiscard]] static LinkRuleMatcher domain(std::string domain, bool includingSubdomains) {
        return LinkRuleMatcher(Domain{std::move(domain), includingSubdomains});
    }
    [[nodiscard]] static LinkRuleMatcher pathPrefix(std::string host, std::string path) {
        return LinkRuleMatcher(PathPrefix{std::move(host), std::move(path)});
    }
    [[nodiscard]] static LinkRuleMatcher anyWebLink() { return LinkRuleMatcher(AnyWebLink{}); }
    [[nodiscard]] static LinkRuleMatcher mailDefault() { return LinkRuleMatcher(MailDefault{}); }

    // The link's site: its host reduced to the registrable domain, subdomains included. None without a host.
    [[nodiscard]] static std::optional<LinkRuleMatcher> site(const InterceptedLink& link);
    // The link's URL in comparison form. None for a mail link.
    [[nodiscard]] static std::optional<LinkRuleMatcher> exactURL(const InterceptedLink& link);
    // The link's lower-cased host. None without a host.
    [[nodiscard]] static std::optional<LinkRuleMatcher> domain(const InterceptedLink& link,
                                                               bool includingSubdomains);

    [[nodiscard]] const Value& value() const noexcept { return value_; }
    [[nodiscard]] Case which() const noexcept { return static_cast<Case>(value_.index()); }

    // Returns whether the matcher claims the link.
    [[nodiscard]] bool matches(const InterceptedLink& link) const { return matches(Subject(link)); }
    [[nodiscard]] bool matches(const Subject& subject) const;

    // Returns whether two matchers claim the same links (so a new rule replaces instead of duplicating).
    // Whether a domain includes subdomains is not compared.
    [[nodiscard]] bool decidesSameLinks(const LinkRuleMatcher& other) const;

    // How specific the matcher is: exact URLs above every path prefix, path prefixes above every domain,
    // longer hosts and paths above shorter ones (counted in user-perceived characters), any-link rules last.
    [[nodiscard]] std::int64_t specificity() const noexcept { return specificity_; }

    // Presentation for the rule editor.
    [[nodiscard]] LinkScheme::Kind kind() const noexcept;
    [[nodiscard]] std::optional<std::string> host() const;
    [[nodiscard]] std::string headline(const Localization& localization = Localization::current()) const;
    [[nodiscard]] std::optional<std::string> detail(
        const Localization& localization = Localization::current()) const;
    [[nodiscard]] std::string summary(const Localization& localization = Localization::current()) const;
    [[nodiscard]] std::string_view symbolName() const noexcept;

    // Blanks and tabs trimmed, lower-cased, trailing dots removed ("  Example.COM.. " gives "example.com").
    [[nodiscard]] static std::string normalizedDomain(std::string_view domain);

    // The domain a person registers: the last two labels, or three under a two-letter country code whose
    // second-level label is a known registry shard ("mail.example.co.uk" gives "example.co.uk"). Hosts of
    // fewer than three labels and IP addresses stay as they are (normalised).
    [[nodiscard]] static std::string registrableDomain(std::string_view host);

    // Returns whether a host is an address rather than a name: it holds ":" (IPv6), or it is four
    // "."-separated pieces of numeric characters (empty pieces left out; the numbers are not range-checked).
    [[nodiscard]] static bool isIPAddress(std::string_view host);

    // The path key of a path prefix: "/" and the path without leading and trailing "/", lower-cased
    // ("Docs/" and "/docs" give "/docs"; "" and "/" give "/").
    [[nodiscard]] static std::string pathKey(std::string_view path);

    // Exact comparison of the stored payloads.
    friend bool operator==(const LinkRuleMatcher& a, const LinkRuleMatcher& b) noexcept {
        return a.value_ == b.value_;
    }

  private:
    explicit LinkRuleMatcher(Value value);

    // The URL as exact-URL rules compare it: scheme and host lower-cased, a lone "/" path dropped when
    // nothing follows it; everything else as written.
    [[nodiscard]] static std::string normalized(const Url& url);
    // A stored exact-URL text in comparison form: parsed and normalised, or unchanged when it does not parse.
    [[nodiscard]] static std::string normalizedText(std::string_view url);
    [[nodiscard]] static bool pathCovers(std::string_view prefixKey, std::string_view lowercasedPath);
    [[nodiscard]] static bool isRegistryShard(std::string_view label);

    Value value_;
    // Derived once from value_, so that matching many rules does no Unicode work per rule: the normalised
    // domain or host (exact URL: the comparison text), the path key, and the specificity.
    std::string key_;
    std::string pathKey_;
    std::int64_t specificity_ = 0;
};

}  // namespace ferrywise

namespace nlohmann {
// Stored as the matcher object: "kind" ("url", "domain", "pathPrefix", "anyWeb", "mailDefault") and the
// case's keys; a path prefix keeps its host under "domain". Reading is strict and throws DecodingError.
template <>
struct adl_serializer<ferrywise::LinkRuleMatcher> {
    static ferrywise::LinkRuleMatcher from_json(const json& value);
    static void to_json(json& value, const ferrywise::LinkRuleMatcher& matcher);
};
}  // namespace nlohmann
