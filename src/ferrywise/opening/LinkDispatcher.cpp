#include "ferrywise/opening/LinkDispatcher.hpp"

#include <algorithm>
#include <array>
#include <filesystem>

#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/opening/PrivateBrowsing.hpp"
#include "ferrywise/opening/PrivateWindowOpener.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

namespace asio = boost::asio;

namespace {

// The description of whatever a failed opening threw.
std::string describe(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown error";
    }
}

}  // namespace

// MARK: Errors and notices

DispatchError DispatchError::applicationNotFound(std::string bundleIdentifier) {
    auto description = "No installed application has the bundle identifier " + bundleIdentifier + ".";
    return {Case::applicationNotFound, std::move(bundleIdentifier), description};
}

DispatchError DispatchError::selfReferentialTarget() {
    return {Case::selfReferentialTarget, {}, "Velmora cannot open links in itself."};
}

std::string OpenNotice::title(const Localization& localization) const {
    return localization.text(std::holds_alternative<FellBackToOrdinaryWindow>(value_)
                                 ? "Opened without private browsing"
                                 : "Opened without the selected browser persona");
}

std::string OpenNotice::message(const Localization& localization) const {
    if (const auto* notice = std::get_if<FellBackToOrdinaryWindow>(&value_)) {
        return localization.format(
            "Could not open a private window in %@, so the link opened in an ordinary window.\n\n%@",
            {notice->applicationName, notice->reason});
    }
    const auto& notice = std::get<FellBackFromPersona>(value_);
    return localization.format(
        "Could not open %@ \u2014 %@, so the link opened in the ordinary browser window.\n\n%@",
        {notice.applicationName, notice.persona, notice.reason});
}

bool OpenNotice::needsAccessibilityPermission() const {
    const auto* notice = std::get_if<FellBackToOrdinaryWindow>(&value_);
    if (notice == nullptr) {
        return false;
    }
    // Phrases of the system's refusals to send keystrokes for an application without the permission.
    static constexpr std::array<std::string_view, 3> phrases = {"not allowed to send keystrokes",
                                                                "not authorized", "assistive access"};
    auto reason = text::lowercased(notice->reason);
    return std::any_of(phrases.begin(), phrases.end(), [&reason](std::string_view phrase) {
        return reason.find(phrase) != std::string::npos;
    });
}

// MARK: Dispatcher

asio::awaitable<void> LinkDispatcher::dispatch(InterceptedLink link, ApplicationTarget target) const {
    if (Url::sameResolvedPath(target.bundleUrl(), ownBundleUrl_)) {
        throw DispatchError::selfReferentialTarget();
    }
    co_await opener_->open(link.url(), std::move(target));
}

// MARK: Workspace opener

WorkspaceApplicationOpener::WorkspaceApplicationOpener(
    std::shared_ptr<Workspace> workspace, Notify notify,
    std::shared_ptr<const BrowserPersonaCatalog> personaCatalog,
    std::shared_ptr<const AppleScriptRunning> scriptRunner, ArcSpaceOpener::Wait wait)
    : workspace_(std::move(workspace)),
      notify_(std::move(notify)),
      personaCatalog_(std::move(personaCatalog)),
      scriptRunner_(std::move(scriptRunner)),
      wait_(std::move(wait)) {}

asio::awaitable<void> WorkspaceApplicationOpener::open(Url url, ApplicationTarget target) const {
    const auto& variant = target.variant().value();
    if (std::holds_alternative<ApplicationVariant::Private>(variant)) {
        co_await openPrivate(std::move(url), std::move(target));
    } else if (const auto* profile = std::get_if<ApplicationVariant::Profile>(&variant)) {
        auto directory = profile->directory;
        co_await openProfile(std::move(url), std::move(target), std::move(directory));
    } else if (const auto* space = std::get_if<ApplicationVariant::Space>(&variant)) {
        auto id = space->id;
        co_await openSpace(std::move(url), std::move(target), std::move(id));
    } else {
        co_await launch(*workspace_, std::move(url), target.bundleUrl(), {}, false);
    }
}

asio::awaitable<void> WorkspaceApplicationOpener::launch(Workspace& workspace, Url url, Url bundleUrl,
                                                         std::vector<std::string> arguments,
                                                         bool createsNewApplicationInstance) {
    WorkspaceOpenConfiguration configuration;
    configuration.activates = true;
    configuration.addsToRecentItems = false;
    configuration.createsNewApplicationInstance = createsNewApplicationInstance;
    if (arguments.empty()) {
        workspace.openUrls({url}, bundleUrl, configuration);
    } else {
        // The link travels among the arguments; the callers put it there.
        configuration.arguments = std::move(arguments);
        workspace.openApplication(bundleUrl, configuration);
    }
    co_return;
}

asio::awaitable<void> WorkspaceApplicationOpener::launchApplication(Workspace& workspace, Url bundleUrl) {
    workspace.openApplication(bundleUrl, WorkspaceOpenConfiguration{});
    co_return;
}

asio::awaitable<void> WorkspaceApplicationOpener::openOrdinary(Url url, Url bundleUrl) const {
    co_await launch(*workspace_, std::move(url), std::move(bundleUrl), {}, false);
}

void WorkspaceApplicationOpener::tell(const OpenNotice& notice) const {
    if (!notify_) {
        return;
    }
    try {
        notify_(notice);
    } catch (...) {
        // A failing notice must not keep the link from opening in the ordinary window.
    }
}

std::string WorkspaceApplicationOpener::applicationName(const Url& bundleUrl) const {
    auto path = bundleUrl.filePath();
    return workspace_->displayName(path ? *path : std::filesystem::path(bundleUrl.lastPathComponent()));
}

std::optional<std::string> WorkspaceApplicationOpener::bundleIdentifier(const Url& bundleUrl) const {
    auto info = workspace_->bundleInfo(bundleUrl);
    if (!info || !info->bundleIdentifier || info->bundleIdentifier->empty()) {
        return std::nullopt;
    }
    return info->bundleIdentifier;
}

bool WorkspaceApplicationOpener::isRunning(std::string_view bundleIdentifier) const {
    return !workspace_->runningApplicationsWithBundleIdentifier(bundleIdentifier).empty();
}

asio::awaitable<void> WorkspaceApplicationOpener::openPrivate(Url url, ApplicationTarget target) const {
    auto name = applicationName(target.bundleUrl());
    std::exception_ptr failure;
    auto info = workspace_->bundleInfo(target.bundleUrl());
    if (info && info->bundleIdentifier && !info->bundleIdentifier->empty()) {
        PrivateWindowOpener opener(
            scriptRunner_,
            [this, url](Url bundleUrl, std::vector<std::string> arguments) -> asio::awaitable<void> {
                co_await launch(*workspace_, url, std::move(bundleUrl), std::move(arguments), false);
            },
            [this](std::string bundleIdentifier) -> asio::awaitable<bool> {
                co_return isRunning(bundleIdentifier);
            },
            [this](Url bundleUrl, std::string action,
                   std::vector<std::string> arguments) -> asio::awaitable<void> {
                WorkspaceOpenConfiguration configuration;
                configuration.arguments = std::move(arguments);
                configuration.action = std::move(action);
                workspace_->openApplication(bundleUrl, configuration);
                co_return;
            });
        try {
            co_await opener.open(url, target.bundleUrl(), *info->bundleIdentifier,
                                 PrivateBrowsing::privateWindowAction(info->actions));
            co_return;
        } catch (...) {
            failure = std::current_exception();
        }
    } else {
        failure = std::make_exception_ptr(
            PrivateWindowError::scriptFailed("could not read the application's bundle identifier"));
    }
    auto reason = describe(failure);
    Log::routing().error("Private window in %{public}s failed: %{public}s", name, reason);
    tell(OpenNotice::fellBackToOrdinaryWindow(name, reason));
    co_await openOrdinary(std::move(url), target.bundleUrl());
}

asio::awaitable<void> WorkspaceApplicationOpener::openProfile(Url url, ApplicationTarget target,
                                                              std::string directory) const {
    auto name = applicationName(target.bundleUrl());
    auto identifier =
        bundleIdentifier(target.bundleUrl())
            .value_or(std::filesystem::path(target.bundleUrl().lastPathComponent()).stem().string());
    auto profiles = personaCatalog_->profiles(identifier);
    auto profile = std::find_if(
        profiles.begin(), profiles.end(),
        [&directory](const BrowserProfile& candidate) { return candidate.directory == directory; });
    if (profile == profiles.end()) {
        tell(OpenNotice::fellBackFromPersona(name, directory,
                                             BrowserPersonaError::personaNotFound(directory).what()));
        co_await openOrdinary(std::move(url), target.bundleUrl());
        co_return;
    }
    std::exception_ptr failure;
    try {
        auto arguments = profile->family == BrowserProfile::Family::firefox
                             ? FirefoxProfileOpener::arguments(url, profile->directory)
                             : ChromiumProfileOpener::arguments(url, profile->directory);
        co_await launch(*workspace_, url, target.bundleUrl(), std::move(arguments), true);
        co_return;
    } catch (...) {
        failure = std::current_exception();
    }
    auto reason = describe(failure);
    Log::routing().error("Profile window in %{public}s failed: %{public}s", name, reason);
    tell(OpenNotice::fellBackFromPersona(name, profile->displayName, reason));
    co_await openOrdinary(std::move(url), target.bundleUrl());
}

asio::awaitable<void> WorkspaceApplicationOpener::openSpace(Url url, ApplicationTarget target,
                                                            std::string id) const {
    auto name = applicationName(target.bundleUrl());
    auto identifier = bundleIdentifier(target.bundleUrl())
                          .value_or(std::string(FileBrowserPersonaCatalog::arcBundleIdentifier));
    auto spaces = personaCatalog_->spaces(identifier);
    auto space = std::find_if(spaces.begin(), spaces.end(),
                              [&id](const BrowserSpace& candidate) { return candidate.id == id; });
    if (space == spaces.end()) {
        // A space recreated under a new identifier is still found by its title.
        space = std::find_if(spaces.begin(), spaces.end(),
                             [&id](const BrowserSpace& candidate) { return candidate.title == id; });
    }
    if (space == spaces.end()) {
        tell(OpenNotice::fellBackFromPersona(name, id, BrowserPersonaError::personaNotFound(id).what()));
        co_await openOrdinary(std::move(url), target.bundleUrl());
        co_return;
    }
    ArcSpaceOpener arc(
        scriptRunner_,
        [this](Url bundleUrl) -> asio::awaitable<void> {
            co_await launchApplication(*workspace_, std::move(bundleUrl));
        },
        [this](std::string bundleIdentifier) -> asio::awaitable<bool> {
            co_return isRunning(bundleIdentifier);
        },
        wait_);
    std::exception_ptr failure;
    try {
        co_await arc.open(url, target.bundleUrl(), identifier, space->id, space->title);
        co_return;
    } catch (...) {
        failure = std::current_exception();
    }
    auto reason = describe(failure);
    Log::routing().error("Space window in %{public}s failed: %{public}s", name, reason);
    tell(OpenNotice::fellBackFromPersona(name, space->title, reason));
    co_await openOrdinary(std::move(url), target.bundleUrl());
}

}  // namespace ferrywise
