#pragma once

// PrivateWindowOpener opens a link in a browser's private window with the technique the private-browsing
// table names: Firefox by its "-private-window" switch; a Chromium-family browser by its switch when it is
// not running and by a script when it is (always by its switch where no scripts run, as on Linux); Safari
// by a script that presses its new-private-window shortcut; a Linux browser by its switch, or by its own
// private-window action, whether or not it runs. Links are escaped for the scripts so that no link can
// break out of its string.
//
//   PrivateWindowOpener opener(runner, launch, isRunning);
//   co_await opener.open(link.url(), bundleUrl, "com.google.Chrome");

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/opening/AppleScriptRunning.hpp"
#include "ferrywise/opening/PrivateWindowError.hpp"
#include "ferrywise/system/ApplicationAction.hpp"

namespace ferrywise {

class PrivateWindowOpener {
  public:
    // Starts the browser at the bundle URL with these command-line arguments; throws the workspace's error.
    using Launch =
        std::function<boost::asio::awaitable<void>(Url bundleUrl, std::vector<std::string> arguments)>;
    // Whether the browser with this bundle identifier runs now.
    using IsRunning = std::function<boost::asio::awaitable<bool>(std::string bundleIdentifier)>;
    // Starts the browser's own action (ApplicationAction::id) at the bundle URL with these arguments.
    using LaunchAction = std::function<boost::asio::awaitable<void>(Url bundleUrl, std::string action,
                                                                    std::vector<std::string> arguments)>;

    PrivateWindowOpener(std::shared_ptr<const AppleScriptRunning> scriptRunner, Launch launch,
                        IsRunning isRunning, LaunchAction launchAction = {})
        : scriptRunner_(std::move(scriptRunner)),
          launch_(std::move(launch)),
          isRunning_(std::move(isRunning)),
          launchAction_(std::move(launchAction)) {}

    // Opens `url` in a private window of the browser: by the table's strategy, else by the browser's own
    // private-window action when it has one. Throws PrivateWindowError (unsupportedBrowser for a browser
    // without a private mode, scriptFailed from the script) or the launch's error, unchanged. The opener
    // must outlive the operation.
    [[nodiscard]] boost::asio::awaitable<void> open(
        Url url, Url bundleUrl, std::string bundleIdentifier,
        std::optional<ApplicationAction> privateWindowAction = std::nullopt) const;

    // The link text for a script's string: backslashes doubled first, then double quotes escaped.
    [[nodiscard]] static std::string escapedForScript(std::string_view link);

    // The script that opens the link in a new incognito window of a running Chromium-family browser.
    [[nodiscard]] static std::string chromiumScript(std::string_view bundleIdentifier, std::string_view link);

    // The script that opens the link in a new private window of Safari.
    [[nodiscard]] static std::string safariScript(std::string_view link);

  private:
    std::shared_ptr<const AppleScriptRunning> scriptRunner_;
    Launch launch_;
    IsRunning isRunning_;
    LaunchAction launchAction_;
};

}  // namespace ferrywise
