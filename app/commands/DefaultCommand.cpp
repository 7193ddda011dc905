// `ferrywise default [--web] [--mail]`: whether the desktop sends web and mail links to ferrywise, and
// making it do so. The applications that had the links before are noted for `ferrywise uninstall`.

#include <iostream>

#include "ferrywise/system/DefaultHandler.hpp"

#include "Commands.hpp"
#include "host/DesktopRegistration.hpp"
#include "host/HandlerStatus.hpp"
#include "host/PreviousHandlers.hpp"

namespace ferrywise::host {

namespace {

struct DefaultOptions {
    bool web = false;
    bool mail = false;
};

// The desktop ID of the entry at `bundleUrl`: the one the workspace reads, else the file's name.
std::optional<std::string> desktopIdOf(const Workspace& workspace, const Url& bundleUrl) {
    if (auto info = workspace.bundleInfo(bundleUrl); info && info->bundleIdentifier) {
        return info->bundleIdentifier;
    }
    auto path = bundleUrl.filePath();
    if (!path || path->extension() != ".desktop") {
        return std::nullopt;
    }
    return path->stem().string();
}

// Notes who opens each scheme of `kinds` now, unless that is the host already (a second `default` keeps
// the first note). A note that cannot be saved costs only the give-back, so the request goes on.
void notePreviousHandlers(Session& session, const DefaultHandlerService& service,
                          const std::vector<LinkScheme::Kind>& kinds) {
    auto& host = session.host();
    PreviousHandlers previous(host.paths());
    bool changed = false;
    for (auto kind : kinds) {
        for (auto scheme : kind.schemes()) {
            auto handler = service.currentHandlerUrl(scheme);
            if (!handler || Url::sameResolvedPath(*handler, service.ownBundleUrl())) {
                continue;
            }
            if (auto id = desktopIdOf(*host.workspace(), *handler)) {
                changed = previous.set(scheme, *id) || changed;
            }
        }
    }
    try {
        if (changed) {
            previous.save();
        }
    } catch (const std::exception& error) {
        session.err() << "ferrywise: could not note the current handlers (" << error.what()
                      << "); `ferrywise uninstall` will give the links to the usual applications instead\n";
    }
}

int runDefault(Session& session, const DefaultOptions& options) {
    auto& host = session.host();
    auto own = installedBundleUrl(host);
    if (!own) {
        throw CommandFailure(std::string(notInstalledMessage));
    }
    DefaultHandlerService service(host.workspace(), *own);
    std::vector<LinkScheme::Kind> kinds;
    if (options.web) {
        kinds.emplace_back(LinkScheme::Kind::web);
    }
    if (options.mail) {
        kinds.emplace_back(LinkScheme::Kind::mail);
    }
    notePreviousHandlers(session, service, kinds);
    std::string refused;
    for (auto kind : kinds) {
        auto family = std::string(kind.rawValue());
        if (session.await(service.requestDefaultHandler(kind))) {
            session.out() << "ferrywise now opens " << family << " links\n";
        } else {
            refused += (refused.empty() ? "" : " and ") + family;
        }
    }
    writeHandlerStatus(session.out(), host, service);
    if (!refused.empty()) {
        throw CommandFailure("the desktop did not make ferrywise the handler of " + refused +
                             " links; choose it in the desktop's default-application settings");
    }
    return exitDone;
}

}  // namespace

void addDefaultCommand(CLI::App& app, const Choose& choose) {
    auto options = std::make_shared<DefaultOptions>();
    auto* command = app.add_subcommand(
        "default",
        "Show whether the desktop sends web and mail links to ferrywise, or make it do so (after "
        "`ferrywise install`)");
    command->add_flag("--web", options->web, "Make ferrywise the handler of http and https links");
    command->add_flag("--mail", options->mail, "Make ferrywise the handler of mailto links");
    command->callback([=] { choose([options](Session& session) { return runDefault(session, *options); }); });
}

int reportHandlerStatus(Session& session) {
    session.err() << "ferrywise: started without a link; nothing to open\n";
    auto& host = session.host();
    auto own = installedBundleUrl(host);
    if (!own) {
        session.err() << "ferrywise: " << notInstalledMessage << '\n';
        return exitDone;
    }
    writeHandlerStatus(session.err(), host, DefaultHandlerService(host.workspace(), *own), "ferrywise: ");
    return exitDone;
}

}  // namespace ferrywise::host
