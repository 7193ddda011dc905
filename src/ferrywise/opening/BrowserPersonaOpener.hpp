#pragma once

// Opening a link in a browser persona. ChromiumProfileOpener launches the browser with the profile's
// "--profile-directory" switch as a new instance, which hands the link to the running browser in that
// profile. FirefoxProfileOpener gives the arguments that open a link in a Firefox profile. ArcSpaceOpener
// starts Arc when it is not running, waits for it to come up (50 checks, 0.1 s apart) and runs a script that
// opens a tab in the space, by its identifier or else by its title.
//
//   ArcSpaceOpener arc(runner, launch, isRunning);
//   co_await arc.open(link.url(), bundleUrl, "company.thebrowser.Browser", space.id, space.title);

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/opening/AppleScriptRunning.hpp"
#include "ferrywise/opening/BrowserPersonaError.hpp"

namespace ferrywise {

class ChromiumProfileOpener {
  public:
    // Starts the application at the bundle URL with these arguments, as a new instance when asked.
    using Launch = std::function<boost::asio::awaitable<void>(
        Url bundleUrl, std::vector<std::string> arguments, bool newInstance)>;

    explicit ChromiumProfileOpener(Launch launch) : launch_(std::move(launch)) {}

    // Launches the browser with arguments(url, directory) as a new instance; launch errors pass unchanged.
    [[nodiscard]] boost::asio::awaitable<void> open(Url url, Url bundleUrl, std::string directory) const;

    // "--profile-directory=" and the folder name as it is (one argument, no quoting), then the link.
    [[nodiscard]] static std::vector<std::string> arguments(const Url& url, std::string_view directory);

  private:
    Launch launch_;
};

class FirefoxProfileOpener {
  public:
    // "--profile", the profile's folder and the link: a running instance of that profile receives the link,
    // otherwise Firefox starts with it.
    [[nodiscard]] static std::vector<std::string> arguments(const Url& url, std::string_view folder);
};

class ArcSpaceOpener {
  public:
    using Launch = std::function<boost::asio::awaitable<void>(Url bundleUrl)>;
    using IsRunning = std::function<boost::asio::awaitable<bool>(std::string bundleIdentifier)>;
    using Wait = std::function<boost::asio::awaitable<void>(std::chrono::milliseconds duration)>;

    // The number of checks after a launch, and the pause after each one that finds the browser not running.
    static constexpr int launchChecks = 50;
    static constexpr std::chrono::milliseconds launchCheckInterval{100};

    // `wait` defaults to a timer on the caller's executor; a cancelled timer just ends the pause.
    ArcSpaceOpener(std::shared_ptr<const AppleScriptRunning> scriptRunner, Launch launch, IsRunning isRunning,
                   Wait wait = defaultWait());

    // Opens `url` in a new tab of the space. Throws the launch's error unchanged, browserDidNotLaunch when
    // the browser never came up, and scriptFailed (or the runner's own BrowserPersonaError) when the script
    // fails. The opener must outlive the operation.
    [[nodiscard]] boost::asio::awaitable<void> open(Url url, Url bundleUrl, std::string bundleIdentifier,
                                                    std::string spaceId, std::string spaceTitle) const;

    // The script: activate the browser, make a window if there is none, and in the front window open a tab
    // with the link in the space with this identifier, or on error in the space with this title. The link,
    // identifier and title are escaped for their strings; the bundle identifier is not.
    [[nodiscard]] static std::string script(const Url& url, std::string_view bundleIdentifier,
                                            std::string_view spaceId, std::string_view spaceTitle);

    [[nodiscard]] static Wait defaultWait();

  private:
    std::shared_ptr<const AppleScriptRunning> scriptRunner_;
    Launch launch_;
    IsRunning isRunning_;
    Wait wait_;
};

}  // namespace ferrywise
