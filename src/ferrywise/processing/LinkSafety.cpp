#include "ferrywise/processing/LinkSafety.hpp"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/processing/Punycode.hpp"
#include "ferrywise/rules/LinkRuleMatcher.hpp"

namespace ferrywise {
namespace {

// The user-perceived characters of a text. Plain ASCII is read byte by byte; only other text is split by
// ICU, which is the expensive part. Refers to the text, which must outlive it.
class Characters {
  public:
    explicit Characters(std::string_view text) : text_(text), simple_(text::isOneCharacterPerByte(text)) {
        if (!simple_) {
            clusters_ = text::graphemeClusters(text);
        }
    }

    [[nodiscard]] bool isSimple() const noexcept { return simple_; }
    [[nodiscard]] std::size_t size() const noexcept { return simple_ ? text_.size() : clusters_.size(); }
    [[nodiscard]] std::string_view operator[](std::size_t i) const noexcept {
        return simple_ ? text_.substr(i, 1) : clusters_[i];
    }
    // The text from character `i` on; empty when `i` is at or past the end.
    [[nodiscard]] std::string_view from(std::size_t i) const noexcept {
        if (i >= size()) {
            return {};
        }
        return simple_ ? text_.substr(i)
                       : text_.substr(static_cast<std::size_t>(clusters_[i].data() - text_.data()));
    }

  private:
    std::string_view text_;
    bool simple_;
    std::vector<std::string_view> clusters_;
};

// The first label of a name: the text before the first "." with empty pieces left out (the whole name
// when it has no "."), and its length in characters.
struct FirstLabel {
    std::string_view text;
    std::size_t length = 0;
};

FirstLabel firstLabel(std::string_view name) {
    auto start = name.find_first_not_of('.');
    if (start == std::string_view::npos) {
        return {};
    }
    auto label = name.substr(start, name.find('.', start) - start);
    return {label, text::graphemeCount(label)};
}

// Calls `visit` with each "."-separated piece of `host`, empty pieces left out, while it returns true.
template <typename Visit>
void forEachLabel(std::string_view host, Visit visit) {
    std::size_t start = 0;
    while (start <= host.size()) {
        auto dot = host.find('.', start);
        auto end = dot == std::string_view::npos ? host.size() : dot;
        if (end > start && !visit(host.substr(start, end - start))) {
            return;
        }
        start = end + 1;
    }
}

std::size_t distance(const Characters& a, const Characters& b, std::size_t limit) {
    if (a.size() == 0) {
        return b.size();
    }
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto diagonal = row[0];
        row[0] = i + 1;
        auto smallest = row[0];
        for (std::size_t j = 1; j <= b.size(); ++j) {
            auto above = row[j];
            row[j] = a[i] == b[j - 1] ? diagonal : 1 + std::min({row[j - 1], above, diagonal});
            diagonal = above;
            smallest = std::min(smallest, row[j]);
        }
        if (smallest > limit) {
            return limit + 1;
        }
    }
    return row[b.size()];
}

// A name checked against many known sites: its characters and first label, worked out once.
struct Candidate {
    explicit Candidate(std::string_view text) : name(text), characters(text), label(firstLabel(text)) {}

    std::string_view name;
    Characters characters;
    FirstLabel label;
};

bool nearMiss(const Candidate& candidate, std::string_view known, const FirstLabel& knownLabel) {
    if (candidate.name == known) {
        return false;
    }
    if (knownLabel.length <= 4) {
        return false;
    }
    std::size_t limit = knownLabel.length <= 9 ? 1 : 2;
    auto longer = std::max(candidate.label.length, knownLabel.length);
    auto shorter = std::min(candidate.label.length, knownLabel.length);
    if (longer - shorter > limit) {
        return false;
    }
    // The rest: each whole name with as many characters dropped from its front as its first label has.
    if (candidate.characters.from(candidate.label.length) != Characters(known).from(knownLabel.length)) {
        return false;
    }
    return distance(Characters(candidate.label.text), Characters(knownLabel.text), limit) <= limit;
}

// One trusted site of the known list, with its first label worked out for the near-miss test.
struct KnownSite {
    std::string_view name;
    FirstLabel label;
};

// The known list for one list of rule hosts: each host reduced to its registrable domain, in the given
// order, then the built-in sites. A rule host that reduces to nothing is left out: it names no site, and
// as a prefix it would make every host that starts with "." an impersonation.
class KnownSites {
  public:
    [[nodiscard]] bool isFor(const std::vector<std::string>& hosts) const {
        return built_ && hosts_ == hosts;
    }

    void build(const std::vector<std::string>& hosts) {
        built_ = false;  // until complete, so that a failure part-way leaves no stale views behind
        hosts_ = hosts;
        reduced_.clear();
        reduced_.reserve(hosts.size());
        for (const auto& host : hosts) {
            if (auto domain = LinkRuleMatcher::registrableDomain(host); !domain.empty()) {
                reduced_.push_back(std::move(domain));
            }
        }
        // Views into reduced_, which does not change again until the next build.
        sites_.clear();
        sites_.reserve(reduced_.size() + LinkSafety::builtInSites().size());
        for (const auto& domain : reduced_) {
            sites_.push_back({domain, firstLabel(domain)});
        }
        for (auto site : LinkSafety::builtInSites()) {
            sites_.push_back({site, firstLabel(site)});
        }
        built_ = true;
    }

    [[nodiscard]] const std::vector<KnownSite>& sites() const noexcept { return sites_; }

    [[nodiscard]] bool contains(std::string_view domain) const {
        return std::any_of(sites_.begin(), sites_.end(),
                           [&](const KnownSite& site) { return site.name == domain; });
    }

  private:
    bool built_ = false;
    std::vector<std::string> hosts_;
    std::vector<std::string> reduced_;
    std::vector<KnownSite> sites_;
};

// Reducing a host costs more than the rest of the check, and callers pass the same rule hosts link after
// link, so each thread keeps the list it built last. The result depends only on the hosts compared equal.
const KnownSites& knownSites(const std::vector<std::string>& hosts) {
    thread_local KnownSites last;
    if (!last.isFor(hosts)) {
        last.build(hosts);
    }
    return last;
}

// The user-information test on a link's text: the authority's text before and after its last "@", when the
// part before it has a "." and neither is empty.
std::optional<LinkSuspicion> userInformation(std::string_view url) {
    auto separator = url.find("://");
    if (separator == std::string_view::npos) {
        return std::nullopt;
    }
    auto authority = url.substr(separator + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    auto at = authority.rfind('@');
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    auto shown = authority.substr(0, at);
    auto actual = authority.substr(at + 1);
    if (shown.empty() || actual.empty() || shown.find('.') == std::string_view::npos) {
        return std::nullopt;
    }
    return LinkSuspicion::userInfoImpersonation(std::string(shown), std::string(actual));
}

// Whether a host is an address rather than a name: anything with ":" (IPv6, or a port that slipped in), a
// bracketed literal, or four pieces of numeric characters. The numbers are not range-checked.
bool isAddress(std::string_view host) {
    return (host.starts_with('[') && host.ends_with(']')) || LinkRuleMatcher::isIPAddress(host);
}

// Whether one label of the host has both a Latin letter (A–Z, a–z) and a Greek or Cyrillic one.
bool hasMixedAlphabets(std::string_view host) {
    if (text::isAscii(host)) {
        return false;  // no Greek or Cyrillic in ASCII
    }
    bool mixed = false;
    forEachLabel(host, [&](std::string_view label) {
        bool latin = false;
        bool greekOrCyrillic = false;
        for (std::size_t offset = 0; offset < label.size();) {
            auto c = text::nextCodePoint(label, offset);
            latin = latin || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
            greekOrCyrillic = greekOrCyrillic || (c >= 0x0370 && c <= 0x04FF);
        }
        mixed = latin && greekOrCyrillic;
        return !mixed;
    });
    return mixed;
}

// The text with every character that is a confusable replaced by the Latin letter it imitates. A character
// is replaced only when it is exactly that code point: with a combining mark it is another character.
std::string skeleton(const Characters& characters) {
    const auto& table = LinkSafety::confusables();
    std::string result;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        auto character = characters[i];
        std::size_t offset = 0;
        auto c = text::nextCodePoint(character, offset);
        if (offset == character.size()) {
            if (auto found = table.find(c); found != table.end()) {
                result += found->second;
                continue;
            }
        }
        result += character;
    }
    return result;
}

}  // namespace

const std::array<std::string_view, 52>& LinkSafety::builtInSites() noexcept {
    static constexpr std::array<std::string_view, 52> sites = {
        // Platforms and e-mail providers; the sign-in host of the first is a target of its own.
        "google.com", "accounts.google.com", "gmail.com", "apple.com", "icloud.com", "microsoft.com",
        "outlook.com", "yahoo.com",
        // Payment and card companies.
        "paypal.com", "stripe.com", "visa.com", "mastercard.com", "americanexpress.com",
        // Banks.
        "chase.com", "bankofamerica.com", "wellsfargo.com", "citibank.com", "hsbc.com",
        // Cryptocurrency services.
        "coinbase.com", "binance.com", "kraken.com", "metamask.io",
        // Retailers and parcel carriers.
        "amazon.com", "ebay.com", "walmart.com", "dhl.com", "fedex.com", "ups.com", "usps.com",
        // Developer and workplace services.
        "github.com", "gitlab.com", "slack.com", "dropbox.com", "docusign.com", "atlassian.com",
        // Social networks.
        "facebook.com", "instagram.com", "linkedin.com", "x.com", "twitter.com", "whatsapp.com",
        // Video streaming and gaming.
        "netflix.com", "youtube.com", "spotify.com", "steamcommunity.com", "roblox.com",
        // Chinese retail, payment, messaging, search and video.
        "taobao.com", "jd.com", "alipay.com", "qq.com", "baidu.com", "bilibili.com"};
    return sites;
}

const std::map<char32_t, char>& LinkSafety::confusables() {
    static const std::map<char32_t, char> table{
        {U'\u0430', 'a'}, {U'\u0435', 'e'}, {U'\u043E', 'o'}, {U'\u0440', 'p'}, {U'\u0441', 'c'},
        {U'\u0443', 'y'}, {U'\u0445', 'x'}, {U'\u0456', 'i'}, {U'\u0458', 'j'}, {U'\u0455', 's'},
        {U'\u04BB', 'h'}, {U'\u0501', 'd'}, {U'\u0581', 'g'}, {U'\u1D1C', 'u'}, {U'\u03BF', 'o'},
        {U'\u03B1', 'a'}, {U'\u03BD', 'v'}, {U'\u03C1', 'p'}, {U'\u03C4', 't'}, {U'\u03C5', 'u'},
        {U'\u03BA', 'k'},
    };
    return table;
}

bool LinkSafety::isNearMiss(std::string_view candidate, std::string_view known) {
    return nearMiss(Candidate(candidate), known, firstLabel(known));
}

std::size_t LinkSafety::editDistance(std::string_view a, std::string_view b, std::size_t limit) {
    return distance(Characters(a), Characters(b), limit);
}

std::optional<LinkSuspicion> LinkSafety::check(const InterceptedLink& link,
                                               const std::vector<std::string>& knownHosts,
                                               const std::unordered_set<std::string>& dismissed) {
    if (link.scheme() == LinkScheme::mailto) {
        return std::nullopt;
    }
    auto host = link.host();
    if (!host || dismissed.contains(*host)) {
        return std::nullopt;
    }
    auto decoded = Punycode::decodedHost(*host);
    if (auto suspicion = userInformation(link.url().absoluteString())) {
        return suspicion;
    }
    if (isAddress(decoded)) {
        return LinkSuspicion::bareAddress();
    }

    const auto& known = knownSites(knownHosts);
    auto linkDomain = LinkRuleMatcher::registrableDomain(decoded);
    if (known.contains(linkDomain)) {
        return std::nullopt;
    }
    for (const auto& site : known.sites()) {
        if (decoded.size() > site.name.size() && decoded[site.name.size()] == '.' &&
            decoded.starts_with(site.name)) {
            return LinkSuspicion::impersonatesInSubdomain(std::string(site.name));
        }
    }
    Candidate candidate(linkDomain);
    // Plain ASCII has no confusables, so its skeleton is itself.
    if (!candidate.characters.isSimple()) {
        auto lookalike = skeleton(candidate.characters);
        if (lookalike != linkDomain && known.contains(lookalike)) {
            return LinkSuspicion::looksLike(std::move(lookalike));
        }
    }
    for (const auto& site : known.sites()) {
        if (nearMiss(candidate, site.name, site.label)) {
            return LinkSuspicion::looksLike(std::string(site.name));
        }
    }
    if (hasMixedAlphabets(decoded)) {
        return LinkSuspicion::mixedAlphabets();
    }
    return std::nullopt;
}

}  // namespace ferrywise
