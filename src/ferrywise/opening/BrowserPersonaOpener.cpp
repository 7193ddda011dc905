#include "ferrywise/opening/BrowserPersonaOpener.hpp"

#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "ferrywise/opening/PrivateWindowOpener.hpp"

namespace ferrywise {

namespace asio = boost::asio;

asio::awaitable<void> ChromiumProfileOpener::open(Url url, Url bundleUrl, std::string directory) const {
    auto launchArguments = arguments(url, directory);
    co_await launch_(std::move(bundleUrl), std::move(launchArguments), true);
}

std::vector<std::string> ChromiumProfileOpener::arguments(const Url& url, std::string_view directory) {
    return {"--profile-directory=" + std::string(directory), std::string(url.absoluteString())};
}

std::vector<std::string> FirefoxProfileOpener::arguments(const Url& url, std::string_view folder) {
    return {"--profile", std::string(folder), std::string(url.absoluteString())};
}

ArcSpaceOpener::ArcSpaceOpener(std::shared_ptr<const AppleScriptRunning> scriptRunner, Launch launch,
                               IsRunning isRunning, Wait wait)
    : scriptRunner_(std::move(scriptRunner)),
      launch_(std::move(launch)),
      isRunning_(std::move(isRunning)),
      wait_(std::move(wait)) {}

ArcSpaceOpener::Wait ArcSpaceOpener::defaultWait() {
    return [](std::chrono::milliseconds duration) -> asio::awaitable<void> {
        asio::steady_timer timer(co_await asio::this_coro::executor, duration);
        boost::system::error_code cancelled;  // an interrupted pause simply ends
        co_await timer.async_wait(asio::redirect_error(asio::use_awaitable, cancelled));
    };
}

std::string ArcSpaceOpener::script(const Url& url, std::string_view bundleIdentifier,
                                   std::string_view spaceId, std::string_view spaceTitle) {
    auto link = PrivateWindowOpener::escapedForScript(url.absoluteString());
    std::string script;
    script.append("tell application id \"").append(bundleIdentifier).append("\"\n");
    script.append("    activate\n");
    script.append("    if (count of windows) is 0 then make new window\n");
    script.append("    tell front window\n");
    script.append("        try\n");
    script.append("            tell (first space whose id is \"")
        .append(PrivateWindowOpener::escapedForScript(spaceId));
    script.append("\")\n                make new tab with properties {URL:\"").append(link).append("\"}\n");
    script.append("            end tell\n");
    script.append("        on error\n");
    script.append("            tell (first space whose title is \"")
        .append(PrivateWindowOpener::escapedForScript(spaceTitle));
    script.append("\")\n                make new tab with properties {URL:\"").append(link).append("\"}\n");
    script.append("            end tell\n");
    script.append("        end try\n");
    script.append("    end tell\n");
    script.append("end tell");
    return script;
}

asio::awaitable<void> ArcSpaceOpener::open(Url url, Url bundleUrl, std::string bundleIdentifier,
                                           std::string spaceId, std::string spaceTitle) const {
    if (!co_await isRunning_(bundleIdentifier)) {
        co_await launch_(std::move(bundleUrl));
        bool cameUp = false;
        for (int check = 0; check < launchChecks && !cameUp; ++check) {
            cameUp = co_await isRunning_(bundleIdentifier);
            if (!cameUp) {
                co_await wait_(launchCheckInterval);
            }
        }
        if (!cameUp) {
            throw BrowserPersonaError::browserDidNotLaunch(bundleIdentifier);
        }
    }
    auto source = script(url, bundleIdentifier, spaceId, spaceTitle);
    std::exception_ptr failure;
    try {
        co_await scriptRunner_->run(std::move(source));
    } catch (const BrowserPersonaError&) {
        throw;
    } catch (const std::exception& error) {
        failure = std::make_exception_ptr(BrowserPersonaError::scriptFailed(error.what()));
    } catch (...) {
        failure = std::make_exception_ptr(BrowserPersonaError::scriptFailed("unknown error"));
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace ferrywise
