#pragma once

// LinkSuspicion is what the safety check found wrong with a link's address, with the texts the picker
// shows as a warning. Cases in order of the check: a trusted-looking name in the user information, a
// trusted name used as a subdomain of another site, a look-alike of a trusted site, a numeric address, and
// a host mixing Latin with Greek or Cyrillic letters.
//
//   auto suspicion = LinkSuspicion::looksLike("paypal.com");
//   suspicion.shortMessage();  // "Lookalike site"

#include <string>
#include <variant>

#include "ferrywise/foundation/Localization.hpp"

namespace ferrywise {

class LinkSuspicion {
  public:
    struct UserInfoImpersonation {
        std::string shown;
        std::string actual;
        bool operator==(const UserInfoImpersonation&) const = default;
    };
    struct ImpersonatesInSubdomain {
        std::string known;
        bool operator==(const ImpersonatesInSubdomain&) const = default;
    };
    struct LooksLike {
        std::string known;
        bool operator==(const LooksLike&) const = default;
    };
    struct BareAddress {
        bool operator==(const BareAddress&) const = default;
    };
    struct MixedAlphabets {
        bool operator==(const MixedAlphabets&) const = default;
    };
    using Value =
        std::variant<UserInfoImpersonation, ImpersonatesInSubdomain, LooksLike, BareAddress, MixedAlphabets>;

    enum class Case {
        userInfoImpersonation,
        impersonatesInSubdomain,
        looksLike,
        bareAddress,
        mixedAlphabets
    };

    // The link reads as `shown` (the text before the last "@" of its authority) but opens `actual`.
    [[nodiscard]] static LinkSuspicion userInfoImpersonation(std::string shown, std::string actual) {
        return LinkSuspicion(UserInfoImpersonation{std::move(shown), std::move(actual)});
    }
    // The link's host starts with the trusted name `known` followed by more labels of another site.
    [[nodiscard]] static LinkSuspicion impersonatesInSubdomain(std::string known) {
        return LinkSuspicion(ImpersonatesInSubdomain{std::move(known)});
    }
    // The link's site is a look-alike or near miss of the trusted site `known`.
    [[nodiscard]] static LinkSuspicion looksLike(std::string known) {
        return LinkSuspicion(LooksLike{std::move(known)});
    }
    // The link's host is a numeric address.
    [[nodiscard]] static LinkSuspicion bareAddress() { return LinkSuspicion(BareAddress{}); }
    // A label of the link's host mixes Latin with Greek or Cyrillic letters.
    [[nodiscard]] static LinkSuspicion mixedAlphabets() { return LinkSuspicion(MixedAlphabets{}); }

    [[nodiscard]] const Value& value() const noexcept { return value_; }
    [[nodiscard]] Case which() const noexcept { return static_cast<Case>(value_.index()); }

    // The full warning with the payload inserted, localised.
    [[nodiscard]] std::string message(const Localization& localization = Localization::current()) const;
    // A few words naming the finding, localised.
    [[nodiscard]] std::string shortMessage(const Localization& localization = Localization::current()) const;

    bool operator==(const LinkSuspicion&) const = default;

  private:
    explicit LinkSuspicion(Value value) : value_(std::move(value)) {}

    Value value_;
};

}  // namespace ferrywise
