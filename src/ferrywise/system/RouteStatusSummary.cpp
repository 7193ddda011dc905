#include "ferrywise/system/RouteStatusSummary.hpp"

namespace ferrywise {

RouteStatusSummary::RouteStatusSummary(const HandlerRouteState& web, const HandlerRouteState& mail,
                                       std::int64_t routedToday)
    : case_(Case::noRoutes) {
    using State = HandlerRouteState::Case;
    if (routedToday < 1) {
        return;
    }
    switch (web.which()) {
        case State::ok:
            *this = mail.isOK()      ? RouteStatusSummary(Case::allHandled, std::nullopt)
                    : mail.isTaken() ? RouteStatusSummary(Case::mailTaken, mail.applicationName())
                                     : RouteStatusSummary(Case::mailUnset, std::nullopt);
            return;
        case State::unset:
            *this = mail.isOK()      ? RouteStatusSummary(Case::webUnset, std::nullopt)
                    : mail.isTaken() ? RouteStatusSummary(Case::webUnsetMailTaken, mail.applicationName())
                                     : RouteStatusSummary(Case::bothUnset, std::nullopt);
            return;
        case State::taken:
            *this = mail.isOK()      ? RouteStatusSummary(Case::webTaken, web.applicationName())
                    : mail.isTaken() ? RouteStatusSummary(Case::bothTaken, std::nullopt)
                                     : RouteStatusSummary(Case::webTakenMailUnset, web.applicationName());
            return;
    }
}

}  // namespace ferrywise
