#include "ferrywise/system/DefaultHandlerModel.hpp"

#include <algorithm>
#include <cstdlib>
#include <exception>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/signals2/connection.hpp>

#include "ferrywise/foundation/Log.hpp"

namespace ferrywise {

namespace asio = boost::asio;

namespace {

// Shown when a family is still not handled after the request: the desktop may refuse (a handler fixed by
// an administrator, a read-only configuration), and its settings can still do it.
constexpr std::string_view notAppliedText =
    "The desktop did not apply the change. You can also set it in your desktop's settings for default "
    "applications.";
constexpr std::string_view noSettingsPageText =
    "No settings page for default applications was found on this desktop.";

}  // namespace

struct DefaultHandlerModel::State {
    State(DefaultHandlerService service, std::shared_ptr<Workspace> workspace,
          std::shared_ptr<Scheduler> scheduler, asio::any_io_executor mainThread, Localization localization)
        : service(std::move(service)),
          workspace(std::move(workspace)),
          scheduler(std::move(scheduler)),
          mainThread(std::move(mainThread)),
          localization(std::move(localization)) {}

    void refresh();

    DefaultHandlerService service;
    std::shared_ptr<Workspace> workspace;
    std::shared_ptr<Scheduler> scheduler;
    asio::any_io_executor mainThread;
    Localization localization;

    Observable<std::set<LinkScheme::Kind>> handledKinds;
    Observable<std::map<LinkScheme::Kind, std::string>> takenBy;
    Observable<std::optional<LinkScheme::Kind>> pendingKind;
    Observable<std::optional<std::string>> errorMessage;

    int watcherCount = 0;
    Scheduler::Timer pollTimer;
    boost::signals2::scoped_connection activationObserver;
};

void DefaultHandlerModel::State::refresh() {
    std::set<LinkScheme::Kind> handled;
    std::map<LinkScheme::Kind, std::string> taken;
    for (auto kind : LinkScheme::Kind::allCases()) {
        if (service.isDefaultHandler(kind)) {
            handled.insert(kind);
        } else if (auto handler = service.currentHandlerUrl(kind.schemes().front())) {
            // Only the first scheme is asked: with http taken and https ours, http's handler is named.
            taken.emplace(kind, workspace->displayName(handler->path()));
        }
    }
    if (handled == handledKinds.value() && taken == takenBy.value()) {
        return;
    }
    handledKinds.set(handled);
    takenBy.set(std::move(taken));
    std::string names;
    for (auto name : {std::string_view("mail"), std::string_view("web")}) {  // raw values, sorted
        if (handled.contains(*LinkScheme::Kind::fromRawValue(name))) {
            names += (names.empty() ? "" : ",") + std::string(name);
        }
    }
    Log::onboarding().log("Handled families: %{public}s", names);
}

namespace {

// One batch of requests. It holds the model's state only weakly: a model gone meanwhile is left alone.
asio::awaitable<void> runRequests(std::weak_ptr<DefaultHandlerModel::State> weakState,
                                  DefaultHandlerService service, std::vector<LinkScheme::Kind> kinds,
                                  std::string notApplied) {
    for (auto kind : kinds) {
        if (auto state = weakState.lock()) {
            state->pendingKind.set(kind);
        } else {
            co_return;
        }
        bool handled = false;
        try {
            handled = co_await service.requestDefaultHandler(kind);
        } catch (const std::exception&) {
            // memory running out: judged below like a refusal, so the batch still ends
        }
        auto state = weakState.lock();
        if (!state) {
            co_return;
        }
        const std::string family(kind.rawValue());
        if (handled) {
            Log::onboarding().log("Became default handler for %{public}s", family);
        } else {
            Log::onboarding().error("Not the default handler for %{public}s after the request", family);
            state->errorMessage.set(notApplied);
        }
    }
    if (auto state = weakState.lock()) {
        state->pendingKind.set(std::nullopt);
        state->refresh();
    }
}

}  // namespace

DefaultHandlerModel::DefaultHandlerModel(DefaultHandlerService service, std::shared_ptr<Workspace> workspace,
                                         std::shared_ptr<Scheduler> scheduler,
                                         asio::any_io_executor mainThread, Localization localization)
    : state_(std::make_shared<State>(std::move(service), std::move(workspace), std::move(scheduler),
                                     std::move(mainThread), std::move(localization))) {}

DefaultHandlerModel::~DefaultHandlerModel() = default;

const Observable<std::set<LinkScheme::Kind>>& DefaultHandlerModel::handledKinds() const noexcept {
    return state_->handledKinds;
}

const Observable<std::map<LinkScheme::Kind, std::string>>& DefaultHandlerModel::takenBy() const noexcept {
    return state_->takenBy;
}

const Observable<std::optional<LinkScheme::Kind>>& DefaultHandlerModel::pendingKind() const noexcept {
    return state_->pendingKind;
}

const Observable<std::optional<std::string>>& DefaultHandlerModel::errorMessage() const noexcept {
    return state_->errorMessage;
}

void DefaultHandlerModel::refresh() {
    auto state = state_;  // an observer may drop the model while it hears the news
    state->refresh();
}

void DefaultHandlerModel::beginWatching() {
    auto& state = *state_;
    if (++state.watcherCount != 1) {
        return;
    }
    // Held weakly and kept alive through each refresh: an observer may drop the model meanwhile.
    auto refreshWatched = [weak = std::weak_ptr<State>(state_)] {
        if (auto watched = weak.lock()) {
            watched->refresh();
        }
    };
    state.activationObserver = state.workspace->onDidBecomeActive(refreshWatched);
    state.pollTimer = state.scheduler->repeating(pollInterval, refreshWatched);
    refreshWatched();
}

void DefaultHandlerModel::endWatching() {
    auto& state = *state_;
    if (state.watcherCount == 0 || --state.watcherCount != 0) {
        return;
    }
    state.activationObserver.disconnect();
    state.pollTimer.cancel();
}

bool DefaultHandlerModel::isWatching() const noexcept {
    return state_->watcherCount > 0;
}

bool DefaultHandlerModel::isHandled(LinkScheme::Kind kind) const {
    return state_->handledKinds.value().contains(kind);
}

bool DefaultHandlerModel::isFullyConfigured() const {
    return state_->handledKinds.value().size() == LinkScheme::Kind::allCases().size();
}

void DefaultHandlerModel::requestDefaultHandlers(const std::vector<LinkScheme::Kind>& kinds) {
    std::vector<LinkScheme::Kind> unique;
    for (auto kind : kinds) {
        if (std::ranges::find(unique, kind) == unique.end()) {
            unique.push_back(kind);
        }
    }
    auto& state = *state_;
    if (state.pendingKind.value() || unique.empty()) {
        return;  // dropped, not queued
    }
    state.pendingKind.set(unique.front());
    state.errorMessage.set(std::nullopt);
    asio::co_spawn(
        state.mainThread,
        runRequests(state_, state.service, std::move(unique), state.localization.text(notAppliedText)),
        asio::detached);
}

bool DefaultHandlerModel::openSystemSettings() {
    auto& state = *state_;
    // The current desktop's own page first (XDG_CURRENT_DESKTOP lists names such as "ubuntu:GNOME", "KDE").
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    std::vector<std::string_view> pages(std::begin(settingsPages), std::end(settingsPages));
    if (desktop != nullptr && std::string_view(desktop).find("KDE") != std::string_view::npos) {
        std::ranges::reverse(pages);
    }
    for (auto page : pages) {
        auto url = state.workspace->urlForApplication(page);
        if (!url) {
            continue;
        }
        try {
            state.workspace->openApplication(*url, WorkspaceOpenConfiguration{});
            return true;
        } catch (const WorkspaceError& error) {
            Log::onboarding().error("Could not open %{public}s: %{public}s", std::string(page), error.what());
        }
    }
    Log::onboarding().error("No settings page for default applications");
    state.errorMessage.set(state.localization.text(noSettingsPageText));
    return false;
}

}  // namespace ferrywise
