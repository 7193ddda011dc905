#pragma once

// LinkSafety decides whether a web link's address is built to deceive: a trusted name in the user
// information, a numeric address, a trusted name used as a subdomain of another site, a look-alike of a
// trusted site, or a host mixing Latin with Greek or Cyrillic letters. Trusted sites are the registrable
// domains of the hosts the user has rules for, then a fixed list of widely impersonated sites. Purely
// local and pure; usable from any thread.
//
//   auto link = InterceptedLink::make(*Url::parse("https://paypa1.com/login"));
//   LinkSafety::check(*link, {}, {});  // LinkSuspicion::looksLike("paypal.com")

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "ferrywise/link/InterceptedLink.hpp"
#include "ferrywise/processing/LinkSuspicion.hpp"

namespace ferrywise {

class LinkSafety {
  public:
    LinkSafety() = delete;

    // The first finding for `link`, or none. `knownHosts` are the hosts of the user's rules (they count
    // before the built-in sites); `dismissed` holds lower-cased hosts whose warnings the user dismissed.
    // Mail links and links without a host get none.
    [[nodiscard]] static std::optional<LinkSuspicion> check(const InterceptedLink& link,
                                                            const std::vector<std::string>& knownHosts,
                                                            const std::unordered_set<std::string>& dismissed);

    // The 52 built-in sites in order, compared as they stand (not reduced to registrable domains).
    [[nodiscard]] static const std::array<std::string_view, 52>& builtInSites() noexcept;

    // The 21 characters that imitate Latin letters, each mapped to the letter, built once on first use.
    [[nodiscard]] static const std::map<char32_t, char>& confusables();

    // Returns whether `candidate` is one edit (two for a first label of 10 or more characters) away from
    // `known` in its first label while the rest of the two names is the same. Never for equal names or a
    // known first label of 4 characters or fewer. Lengths count user-perceived characters.
    [[nodiscard]] static bool isNearMiss(std::string_view candidate, std::string_view known);

    // The Levenshtein distance between `a` and `b` over user-perceived characters, or `limit` + 1 as soon
    // as a row of the computation is sure to exceed `limit`; an empty `a` gives the length of `b` as it is.
    [[nodiscard]] static std::size_t editDistance(std::string_view a, std::string_view b, std::size_t limit);
};

}  // namespace ferrywise
