#include "ferrywise/processing/LinkSuspicion.hpp"

#include <type_traits>

namespace ferrywise {

std::string LinkSuspicion::message(const Localization& localization) const {
    return std::visit(
        [&](const auto& suspicion) -> std::string {
            using T = std::decay_t<decltype(suspicion)>;
            if constexpr (std::is_same_v<T, UserInfoImpersonation>) {
                return localization.format("This link reads as %@ but opens %@.",
                                           {suspicion.shown, suspicion.actual});
            } else if constexpr (std::is_same_v<T, ImpersonatesInSubdomain>) {
                return localization.format("This is not %@ \u2014 that name is only part of the address.",
                                           {suspicion.known});
            } else if constexpr (std::is_same_v<T, LooksLike>) {
                return localization.format(
                    "This is one or two characters away from %@, which you have a rule for.",
                    {suspicion.known});
            } else if constexpr (std::is_same_v<T, BareAddress>) {
                return localization.text("This link points at a numeric address rather than a site name.");
            } else {
                return localization.text(
                    "This address mixes alphabets, which is how one site is made to look like another.");
            }
        },
        value_);
}

std::string LinkSuspicion::shortMessage(const Localization& localization) const {
    switch (which()) {
        case Case::userInfoImpersonation:
            return localization.text("Text and destination differ");
        case Case::impersonatesInSubdomain:
            return localization.text("Impersonating a known site");
        case Case::looksLike:
            return localization.text("Lookalike site");
        case Case::bareAddress:
            return localization.text("Numeric address");
        case Case::mixedAlphabets:
            return localization.text("Mixed alphabets");
    }
    return {};
}

}  // namespace ferrywise
