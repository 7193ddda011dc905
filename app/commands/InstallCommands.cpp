// `ferrywise install` and `ferrywise uninstall`: the host's desktop entry, which lets the desktop offer
// ferrywise as the handler of web and mail links, and taking everything back out again.

#include <filesystem>
#include <iostream>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/freedesktop/AppServiceLaunchAtLoginBackend.hpp"
#include "ferrywise/link/PassthroughTargetResolver.hpp"
#include "ferrywise/system/DefaultHandler.hpp"
#include "ferrywise/system/LaunchAtLogin.hpp"

#include "Commands.hpp"
#include "host/DesktopRegistration.hpp"
#include "host/PreviousHandlers.hpp"

namespace ferrywise::host {

namespace {

namespace fs = std::filesystem;

// Refreshes the cache of the entry's folder; a failure is told but costs nothing, since the desktop also
// finds entries no cache lists.
void refreshCache(Session& session, const fs::path& folder) {
    if (auto problem = refreshDesktopCache(folder)) {
        session.err() << "ferrywise: could not refresh the desktop's cache of " << folder.string() << ": "
                      << *problem << "; the desktop finds the entry without it\n";
    } else {
        session.out() << "Refreshed the desktop's cache of " << folder.string() << '\n';
    }
}

int runInstall(Session& session) {
    auto& host = session.host();
    const auto entry = host.desktopEntryPath();
    const auto executable = runningExecutable();
    if (executable.string().find('%') != std::string::npos) {
        // The entry could say it right ("%%"), but GIO looks for the program without reading it so.
        throw CommandFailure("desktops built on GIO cannot start a program whose path holds '%' (" +
                             executable.string() +
                             "); move ferrywise to another folder and install it from there");
    }
    const auto text = desktopEntryText(executable);
    auto before = JsonFile::readData(entry);
    if (before == text) {
        session.out() << "The desktop entry " << entry.string() << " is up to date\n";
    } else {
        JsonFile::writeData(entry, text);
        session.out() << (before ? "Updated" : "Installed") << " the desktop entry " << entry.string()
                      << '\n';
    }
    refreshCache(session, entry.parent_path());
    session.out()
        << "Next: `ferrywise default --web --mail` makes ferrywise the handler of web and mail links\n";
    return exitDone;
}

// Where a scheme the host gives up goes, and why there.
struct GiveBack {
    Url application;
    std::string reason;
};

// The application that had the scheme before `default` took it, when it is still installed; else the one
// the router would pass the links to; none when no other application handles the scheme.
std::optional<GiveBack> giveBackTarget(HostContext& host, const Url& own, const PreviousHandlers& previous,
                                       LinkScheme scheme) {
    if (auto id = previous.of(scheme)) {
        auto url = host.workspace()->urlForApplication(*id);
        if (url && !Url::sameResolvedPath(*url, own)) {
            return GiveBack{*url, "it had them before ferrywise"};
        }
    }
    auto link = InterceptedLink::make(scheme.probeUrl());
    auto url = link ? PassthroughTargetResolver(host.workspace(), own).target(*link) : std::nullopt;
    if (!url) {
        return std::nullopt;
    }
    return GiveBack{*url,
                    scheme.kind() == LinkScheme::Kind::web ? "the usual browser" : "the usual mail client"};
}

int runUninstall(Session& session) {
    auto& host = session.host();
    const auto entry = host.desktopEntryPath();
    const auto own = installedBundleUrl(host).value_or(host.ownBundleUrl());
    DefaultHandlerService service(host.workspace(), own);
    PreviousHandlers previous(host.paths());
    bool didSomething = false;
    std::vector<std::string> failures;

    for (auto scheme : LinkScheme::allCases()) {
        if (!service.isDefaultHandler(scheme)) {
            continue;
        }
        didSomething = true;
        const auto name = std::string(scheme.rawValue());
        auto target = giveBackTarget(host, own, previous, scheme);
        if (!target) {
            session.out() << name << ": no other application opens these links; the desktop has none now\n";
            continue;
        }
        auto targetName = host.workspace()->displayName(*target->application.filePath());
        try {
            host.workspace()->setDefaultApplication(target->application, scheme.rawValue());
            session.out() << name << ": given back to " << targetName << " (" << target->reason << ")\n";
        } catch (const WorkspaceError& error) {
            failures.push_back(name + " to " + targetName + ": " + error.what());
        }
    }

    // Asked before the entry goes: without it the login item reads as unavailable.
    LaunchAtLoginService login(freedesktop::makeAppServiceLaunchAtLoginBackend(
        host.workspace(), host.bundleIdentifier(), host.paths().config() / "autostart"));
    if (login.status() == LaunchAtLoginStatus::enabled) {
        didSomething = true;
        if (login.setEnabled(false) == LaunchAtLoginStatus::enabled) {
            failures.emplace_back("the login item is still on");
        } else {
            session.out() << "Turned the login item off\n";
        }
    }

    std::error_code removal;
    if (fs::remove(entry, removal)) {
        didSomething = true;
        session.out() << "Removed the desktop entry " << entry.string() << '\n';
        refreshCache(session, entry.parent_path());
    } else if (removal) {
        failures.push_back("could not remove " + entry.string() + ": " + removal.message());
    } else if (auto other = installedBundleUrl(host)) {
        session.out() << "The desktop entry " << other->filePath()->string()
                      << " was not installed by `ferrywise install`; it stays\n";
    }
    if (!failures.empty()) {
        std::string text;
        for (const auto& failure : failures) {
            text += (text.empty() ? "" : "; ") + failure;
        }
        throw CommandFailure("could not undo everything: " + text);
    }
    // The notes are used up; a later `default` makes new ones.
    previous.forget();
    if (!didSomething) {
        session.out() << "ferrywise is not installed and opens no links; nothing to do\n";
    }
    return exitDone;
}

}  // namespace

void addInstallCommands(CLI::App& app, const Choose& choose) {
    app.add_subcommand("install",
                       "Install ferrywise as a desktop application that handles web and mail links")
        ->callback([=] { choose(runInstall); });
    app.add_subcommand("uninstall",
                       "Give web and mail links back to the applications that had them, turn the login item "
                       "off and remove ferrywise's desktop entry")
        ->callback([=] { choose(runUninstall); });
}

}  // namespace ferrywise::host
