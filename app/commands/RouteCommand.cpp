// `ferrywise route URL`: the decision `open` would make, explained step by step, without opening anything.

#include <iostream>

#include "Commands.hpp"
#include "host/LinkRoad.hpp"
#include "host/RoadReport.hpp"

namespace ferrywise::host {

namespace {

struct RouteOptions {
    std::string url;
    std::optional<std::string> source;
    bool json = false;
};

}  // namespace

void addRouteCommand(CLI::App& app, const Choose& choose) {
    auto options = std::make_shared<RouteOptions>();
    auto* command = app.add_subcommand(
        "route", "Show where a link would go and why, step by step, without opening it or counting it");
    command->add_option("URL", options->url, "The link to route")->required();
    command->add_option("--source", options->source, "Desktop ID of the application the link comes from");
    command->add_flag("--json", options->json, "Print one JSON object with stable keys");
    command->callback([=] {
        choose([options](Session& session) {
            auto& host = session.host();
            auto decision = session.await(LinkRoad::decide(host, {options->url, options->source, false}));
            if (options->json) {
                session.out() << decisionJson(decision, host.localization()).dump(2) << '\n';
            } else {
                session.out() << decisionText(decision);
            }
            return exitDone;
        });
    });
}

}  // namespace ferrywise::host
