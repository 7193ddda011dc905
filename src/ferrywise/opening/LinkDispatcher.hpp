#pragma once

// Handing a link to the chosen application. LinkDispatcher refuses a target that is the router itself and
// passes everything else to an ApplicationOpening. WorkspaceApplicationOpener opens ordinary targets
// through the workspace and private, profile and space targets through their openers; when such a special
// opening fails, the link still opens in the application's ordinary window and an OpenNotice tells why.
//
//   LinkDispatcher dispatcher(std::make_shared<WorkspaceApplicationOpener>(workspace, notify, personas,
//                                                                          runner), ownBundleUrl);
//   co_await dispatcher.dispatch(*link, *target);

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "ferrywise/applications/ApplicationTarget.hpp"
#include "ferrywise/applications/BrowserPersonaCatalog.hpp"
#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/link/InterceptedLink.hpp"
#include "ferrywise/opening/AppleScriptRunning.hpp"
#include "ferrywise/opening/BrowserPersonaOpener.hpp"

namespace ferrywise {

class Workspace;

class DispatchError : public std::runtime_error {
  public:
    enum class Case { applicationNotFound, selfReferentialTarget };

    [[nodiscard]] static DispatchError applicationNotFound(std::string bundleIdentifier);
    [[nodiscard]] static DispatchError selfReferentialTarget();

    [[nodiscard]] Case which() const noexcept { return case_; }
    // The bundle identifier of applicationNotFound; empty otherwise.
    [[nodiscard]] const std::string& bundleIdentifier() const noexcept { return bundleIdentifier_; }

    friend bool operator==(const DispatchError& a, const DispatchError& b) noexcept {
        return a.case_ == b.case_ && a.bundleIdentifier_ == b.bundleIdentifier_;
    }

  private:
    DispatchError(Case which, std::string bundleIdentifier, const std::string& description)
        : std::runtime_error(description), case_(which), bundleIdentifier_(std::move(bundleIdentifier)) {}

    Case case_;
    std::string bundleIdentifier_;
};

// Opens a link in a target.
class ApplicationOpening {
  public:
    ApplicationOpening() = default;
    ApplicationOpening(const ApplicationOpening&) = delete;
    ApplicationOpening& operator=(const ApplicationOpening&) = delete;
    virtual ~ApplicationOpening() = default;

    // Opens `url` in the target; throws when the link could not be opened at all.
    [[nodiscard]] virtual boost::asio::awaitable<void> open(Url url, ApplicationTarget target) const = 0;
};

// A fallback the user should hear about.
class OpenNotice {
  public:
    struct FellBackToOrdinaryWindow {
        std::string applicationName;
        std::string reason;
        bool operator==(const FellBackToOrdinaryWindow&) const = default;
    };
    struct FellBackFromPersona {
        std::string applicationName;
        std::string persona;
        std::string reason;
        bool operator==(const FellBackFromPersona&) const = default;
    };
    using Value = std::variant<FellBackToOrdinaryWindow, FellBackFromPersona>;

    [[nodiscard]] static OpenNotice fellBackToOrdinaryWindow(std::string applicationName,
                                                             std::string reason) {
        return OpenNotice(FellBackToOrdinaryWindow{std::move(applicationName), std::move(reason)});
    }
    [[nodiscard]] static OpenNotice fellBackFromPersona(std::string applicationName, std::string persona,
                                                        std::string reason) {
        return OpenNotice(
            FellBackFromPersona{std::move(applicationName), std::move(persona), std::move(reason)});
    }

    [[nodiscard]] const Value& value() const noexcept { return value_; }

    [[nodiscard]] std::string title(const Localization& localization = Localization::current()) const;
    [[nodiscard]] std::string message(const Localization& localization = Localization::current()) const;
    // Whether a private-window failure came from the missing permission to send keystrokes.
    [[nodiscard]] bool needsAccessibilityPermission() const;

    bool operator==(const OpenNotice&) const = default;

  private:
    explicit OpenNotice(Value value) : value_(std::move(value)) {}

    Value value_;
};

class LinkDispatcher {
  public:
    LinkDispatcher(std::shared_ptr<const ApplicationOpening> opener, Url ownBundleUrl)
        : opener_(std::move(opener)), ownBundleUrl_(std::move(ownBundleUrl)) {}

    // Opens the link in the target; throws DispatchError::selfReferentialTarget, before opening anything,
    // when the target is the router itself, and otherwise whatever the opener throws.
    [[nodiscard]] boost::asio::awaitable<void> dispatch(InterceptedLink link, ApplicationTarget target) const;

  private:
    std::shared_ptr<const ApplicationOpening> opener_;
    Url ownBundleUrl_;
};

class WorkspaceApplicationOpener final : public ApplicationOpening {
  public:
    // Receives the notices; called from the opening task, so it must be safe from any thread.
    using Notify = std::function<void(const OpenNotice&)>;

    // `wait` is the pause between the checks after launching a browser for a space (a timer by default).
    WorkspaceApplicationOpener(std::shared_ptr<Workspace> workspace, Notify notify,
                               std::shared_ptr<const BrowserPersonaCatalog> personaCatalog,
                               std::shared_ptr<const AppleScriptRunning> scriptRunner,
                               ArcSpaceOpener::Wait wait = ArcSpaceOpener::defaultWait());

    boost::asio::awaitable<void> open(Url url, ApplicationTarget target) const override;

    // Opens the link with the application: handed over with the URL when there are no arguments, else as a
    // launch with the arguments (which then carry the link). Activates, never adds to recent items.
    [[nodiscard]] static boost::asio::awaitable<void> launch(Workspace& workspace, Url url, Url bundleUrl,
                                                             std::vector<std::string> arguments,
                                                             bool createsNewApplicationInstance);
    // Starts the application without a link.
    [[nodiscard]] static boost::asio::awaitable<void> launchApplication(Workspace& workspace, Url bundleUrl);

  private:
    [[nodiscard]] boost::asio::awaitable<void> openPrivate(Url url, ApplicationTarget target) const;
    [[nodiscard]] boost::asio::awaitable<void> openProfile(Url url, ApplicationTarget target,
                                                           std::string directory) const;
    [[nodiscard]] boost::asio::awaitable<void> openSpace(Url url, ApplicationTarget target,
                                                         std::string id) const;
    // The ordinary window of the target's application: the fallback of every special opening.
    [[nodiscard]] boost::asio::awaitable<void> openOrdinary(Url url, Url bundleUrl) const;
    // Hands a notice to the host; a missing or failing callback never stops the fallback.
    void tell(const OpenNotice& notice) const;
    [[nodiscard]] std::string applicationName(const Url& bundleUrl) const;
    [[nodiscard]] std::optional<std::string> bundleIdentifier(const Url& bundleUrl) const;
    [[nodiscard]] bool isRunning(std::string_view bundleIdentifier) const;

    std::shared_ptr<Workspace> workspace_;
    Notify notify_;
    std::shared_ptr<const BrowserPersonaCatalog> personaCatalog_;
    std::shared_ptr<const AppleScriptRunning> scriptRunner_;
    ArcSpaceOpener::Wait wait_;
};

}  // namespace ferrywise
