#pragma once

// AppleScriptRunning runs the scripts that drive browsers into a private window or a space. There is no
// AppleScript on Linux: the standard AppleScriptRunner fails every script with a message saying so, and
// the openers fall back to an ordinary window.

#include <string>

#include <boost/asio/awaitable.hpp>

namespace ferrywise {

class AppleScriptRunning {
  public:
    AppleScriptRunning() = default;
    AppleScriptRunning(const AppleScriptRunning&) = delete;
    AppleScriptRunning& operator=(const AppleScriptRunning&) = delete;
    virtual ~AppleScriptRunning() = default;

    // Runs the script's full source text; throws PrivateWindowError::scriptFailed with the system's message
    // when it cannot be compiled or fails. Never runs the script on the caller's executor.
    [[nodiscard]] virtual boost::asio::awaitable<void> run(std::string source) const = 0;

    // Whether scripts can run here at all; where they cannot, the openers use launch arguments instead.
    [[nodiscard]] virtual bool canRunScripts() const noexcept { return true; }
};

class AppleScriptRunner final : public AppleScriptRunning {
  public:
    // The message every script fails with here.
    static constexpr const char* unavailableMessage = "AppleScript is not available on this system.";

    boost::asio::awaitable<void> run(std::string source) const override;
    bool canRunScripts() const noexcept override { return false; }
};

}  // namespace ferrywise
