#include "LinkOpening.hpp"

#include <iostream>

#include <unistd.h>

#include "ferrywise/link/RoutingMode.hpp"
#include "ferrywise/opening/AppleScriptRunning.hpp"
#include "ferrywise/opening/LinkDispatcher.hpp"
#include "ferrywise/picker/LinkPickerModel.hpp"
#include "ferrywise/rules/LinkRule.hpp"
#include "ferrywise/system/Workspace.hpp"

#include "DesktopNotifier.hpp"
#include "TerminalPicker.hpp"

namespace ferrywise::host {

namespace {

WindowPicker& windowPicker() {
    static WindowPicker picker;
    return picker;
}

std::string nameOf(HostContext& host, const ApplicationTarget& target) {
    std::string name = target.bundleUrl().lastPathComponent();
    if (auto path = target.bundleUrl().filePath()) {
        name = host.workspace()->displayName(*path);
    }
    if (target.variant().which() != ApplicationVariant::Case::normal) {
        name += " (" + target.variant().storedSuffix() + ")";
    }
    return name;
}

// Asks in the picker window or on the terminal, or, where neither is, takes the fallback or else the first
// application.
std::optional<OpenedLink> pick(Session& session, const RoadDecision& decision, PickerInput input) {
    auto& host = session.host();
    auto fallback = host.preferences().fallbackTarget();
    auto terminal = input == PickerInput::terminalWhenAttached ? TerminalPicker::attached() : std::nullopt;
    const bool window = input == PickerInput::window && windowPicker();
    if (!terminal && !window) {
        auto application = RoutingMode::usableFallback(decision.candidates, fallback);
        bool isFallback = fallback && application->id() == *fallback;
        session.err() << "ferrywise: no terminal to ask on; opening in " << application->name()
                      << (isFallback ? " (the fallback)" : " (the first application)") << '\n';
        return OpenedLink{ApplicationTarget(application->bundleUrl(), application->variant()),
                          application->name()};
    }
    LinkPickerModel model(decision.processed, decision.candidates, decision.suspicion,
                          static_cast<int>(decision.removedParameters.size()), decision.didResolveShortLink,
                          fallback);
    auto dismiss = [&] {
        if (auto hostName = decision.processed.host()) {
            host.preferences().modifyDismissedWarningHosts([&](auto& hosts) { hosts.insert(*hostName); });
        }
    };
    auto choice =
        window ? windowPicker()(model, host, dismiss) : terminal->choose(model, host.localization(), dismiss);
    if (!choice) {
        return std::nullopt;
    }
    if (choice->rememberedMatcher) {
        try {
            host.rules().addRule(
                LinkRule(Uuid::generate(), *choice->rememberedMatcher, choice->application.id()));
            session.out() << "Remembered: " << choice->rememberedMatcher->summary(host.localization())
                          << " -> " << choice->application.name() << '\n';
        } catch (const std::exception& error) {
            // The link still opens; only the rule is lost, and the user hears why.
            session.err() << "ferrywise: could not remember the choice: " << error.what() << '\n';
        }
    }
    const auto& application = choice->application;
    return OpenedLink{ApplicationTarget(application.bundleUrl(), application.variant()), application.name()};
}

}  // namespace

void setWindowPicker(WindowPicker picker) {
    windowPicker() = std::move(picker);
}

FirstFrameReport& firstFrameReport() noexcept {
    static FirstFrameReport report;
    return report;
}

bool hasWindowPicker() noexcept {
    return static_cast<bool>(windowPicker());
}

std::optional<OpenedLink> openDecision(Session& session, const RoadDecision& decision, PickerInput input) {
    auto& host = session.host();
    std::optional<OpenedLink> chosen;
    if (decision.target) {
        chosen = OpenedLink{*decision.target, nameOf(host, *decision.target)};
    } else if (decision.candidates.empty()) {
        auto family = decision.processed.scheme().kind();
        throw CommandFailure(std::string("no ") +
                             (family == LinkScheme::Kind::mail ? "mail client" : "browser") +
                             " is installed for this link; install one, or check `ferrywise apps`");
    } else {
        chosen = pick(session, decision, input);
        if (!chosen) {
            return std::nullopt;
        }
    }

    // On a terminal the notice is read there; otherwise (the desktop started the host) it is a desktop
    // notification, or said on standard error where the desktop shows none.
    auto notify = [&session, &host](const OpenNotice& notice) {
        auto title = notice.title(host.localization());
        auto message = notice.message(host.localization());
        if (::isatty(STDERR_FILENO) != 0 || !DesktopNotifier::notify(title, message)) {
            session.err() << "ferrywise: " << title << ": " << message << '\n';
        }
    };
    auto opener = std::make_shared<WorkspaceApplicationOpener>(host.workspace(), notify, host.personas(),
                                                               std::make_shared<AppleScriptRunner>());
    try {
        session.await(
            LinkDispatcher(opener, host.ownBundleUrl()).dispatch(decision.processed, chosen->target));
    } catch (const DispatchError& error) {
        throw CommandFailure(error.which() == DispatchError::Case::selfReferentialTarget
                                 ? "the chosen target is ferrywise itself; choose a browser or mail client"
                                 : std::string("could not open the link: ") + error.what());
    } catch (const WorkspaceError& error) {
        throw CommandFailure("could not open the link in " + chosen->name + ": " + error.what());
    }
    host.routing().recordRoutedLink();
    host.tracking().recordRemovedParameters(static_cast<std::int64_t>(decision.removedParameters.size()));
    return chosen;
}

}  // namespace ferrywise::host
