// `ferrywise open URL`: the whole road of one link, from the opened URL to the window it lands in.

#include <iostream>

#include "Commands.hpp"
#include "host/LinkOpening.hpp"
#include "host/LinkRoad.hpp"

namespace ferrywise::host {

namespace {

struct OpenOptions {
    std::string url;
    std::optional<std::string> source;
    bool pick = false;
};

int runOpen(Session& session, const OpenOptions& options) {
    if (options.url.empty()) {
        return reportHandlerStatus(session);
    }
    auto& host = session.host();
    auto decision = session.await(LinkRoad::decide(host, {options.url, options.source, options.pick}));
    if (decision.suspicion) {
        session.err() << "ferrywise: warning: " << decision.suspicion->shortMessage(host.localization())
                      << ": " << decision.suspicion->message(host.localization()) << '\n';
    }
    auto opened = openDecision(session, decision);
    if (!opened) {
        session.err() << "ferrywise: cancelled; the link was not opened\n";
        return exitCancelled;
    }
    session.out() << "Opened " << decision.processed.displaySummary() << " in " << opened->name << '\n';
    return exitDone;
}

}  // namespace

void addOpenCommand(CLI::App& app, const Choose& choose) {
    auto options = std::make_shared<OpenOptions>();
    auto* command = app.add_subcommand(
        "open",
        "Route a link and open it: unwrap, clean, resolve, check, then the rules, the fallback or the "
        "picker decide the browser or mail client (the desktop runs this for every link)");
    command->add_option("URL", options->url,
                        "The link (http, https, mailto, or a local .html file); without one, as at login, "
                        "only tells whether links still come to ferrywise");
    command->add_option("--source", options->source,
                        "Desktop ID of the application the link was opened in (rules can depend on it)");
    command->add_flag("--pick", options->pick, "Ask even when the settings would use the fallback");
    command->callback([=] { choose([options](Session& session) { return runOpen(session, *options); }); });
}

}  // namespace ferrywise::host
