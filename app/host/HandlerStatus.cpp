#include "HandlerStatus.hpp"

namespace ferrywise::host {

HandlerRouteState routeState(const DefaultHandlerService& service, const Workspace& workspace,
                             LinkScheme::Kind kind) {
    // The first scheme the host does not open names the state, so that a family the host holds only in
    // part is never reported as taken by the host itself.
    for (auto scheme : kind.schemes()) {
        if (service.isDefaultHandler(scheme)) {
            continue;
        }
        auto handler = service.currentHandlerUrl(scheme);
        auto path = handler ? handler->filePath() : std::nullopt;
        return path ? HandlerRouteState::taken(workspace.displayName(*path)) : HandlerRouteState::unset();
    }
    return HandlerRouteState::ok();
}

std::string stateText(const HandlerRouteState& state) {
    switch (state.which()) {
        case HandlerRouteState::Case::ok:
            return "ok";
        case HandlerRouteState::Case::taken:
            return "taken by " + state.applicationName();
        case HandlerRouteState::Case::unset:
            break;
    }
    return "unset";
}

std::string summaryText(const RouteStatusSummary& summary, std::int64_t routedToday) {
    using Case = RouteStatusSummary::Case;
    const std::string other = summary.applicationName().value_or("");
    std::string text;
    switch (summary.which()) {
        case Case::noRoutes:
            return "no links routed today";
        case Case::allHandled:
            text = "web and email links come to ferrywise";
            break;
        case Case::webTaken:
            text = "web links go to " + other + " instead of ferrywise";
            break;
        case Case::mailTaken:
            text = "email links go to " + other + " instead of ferrywise";
            break;
        case Case::webTakenMailUnset:
            text = "web links go to " + other + "; no application takes email links";
            break;
        case Case::webUnsetMailTaken:
            text = "no application takes web links; email links go to " + other;
            break;
        case Case::bothTaken:
            text = "web and email links go to other applications";
            break;
        case Case::webUnset:
            text = "no application takes web links";
            break;
        case Case::mailUnset:
            text = "no application takes email links";
            break;
        case Case::bothUnset:
            text = "no application takes web or email links";
            break;
    }
    return text + " (" + std::to_string(routedToday) + (routedToday == 1 ? " link" : " links") +
           " routed today)";
}

void writeHandlerStatus(std::ostream& stream, HostContext& host, const DefaultHandlerService& service,
                        std::string_view prefix) {
    auto web = routeState(service, *host.workspace(), LinkScheme::Kind::web);
    auto mail = routeState(service, *host.workspace(), LinkScheme::Kind::mail);
    auto routedToday = host.routing().routedToday();
    stream << prefix << "web:      " << stateText(web) << '\n'
           << prefix << "mail:     " << stateText(mail) << '\n'
           << prefix << "summary:  " << summaryText(RouteStatusSummary(web, mail, routedToday), routedToday)
           << '\n';
}

}  // namespace ferrywise::host
