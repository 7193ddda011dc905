#pragma once

// The host's place as the desktop's handler of web and mail links, as `ferrywise default` shows it and
// `ferrywise open` without a link (the login item) tells it: each family's HandlerRouteState, and the
// RouteStatusSummary with the day's routing count.
//
//   DefaultHandlerService service(host.workspace(), *installedBundleUrl(host));
//   writeHandlerStatus(std::cout, host, service);  // "web:      ok" ... "summary:  ..."

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "ferrywise/link/LinkScheme.hpp"
#include "ferrywise/system/DefaultHandler.hpp"
#include "ferrywise/system/RouteStatusSummary.hpp"

#include "HostContext.hpp"

namespace ferrywise::host {

// What `default` and `login-item` say when the host's desktop entry is missing.
inline constexpr std::string_view notInstalledMessage =
    "ferrywise is not installed as a desktop application; run `ferrywise install` first";

// Ok when the service's bundle opens every scheme of the family; otherwise taken by the application that
// opens the first scheme the host does not, or unset when none opens it.
[[nodiscard]] HandlerRouteState routeState(const DefaultHandlerService& service, const Workspace& workspace,
                                           LinkScheme::Kind kind);

// "ok", "taken by Firefox ESR" or "unset".
[[nodiscard]] std::string stateText(const HandlerRouteState& state);

// The summary as one line, with the count unless nothing was routed today.
[[nodiscard]] std::string summaryText(const RouteStatusSummary& summary, std::int64_t routedToday);

// Writes the lines "web: <state>", "mail: <state>" and "summary: <summary>", each after `prefix`.
void writeHandlerStatus(std::ostream& stream, HostContext& host, const DefaultHandlerService& service,
                        std::string_view prefix = {});

}  // namespace ferrywise::host
