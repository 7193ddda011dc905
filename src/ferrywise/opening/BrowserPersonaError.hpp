#pragma once

// Why a browser persona (a profile or a space) could not be opened. The description is shown as the reason
// of the fallback notice.

#include <stdexcept>
#include <string>

namespace ferrywise {

class BrowserPersonaError : public std::runtime_error {
  public:
    enum class Case { personaNotFound, browserDidNotLaunch, scriptFailed };

    // The profile folder or space identifier is no longer in the browser's list.
    [[nodiscard]] static BrowserPersonaError personaNotFound(std::string identifier);
    [[nodiscard]] static BrowserPersonaError browserDidNotLaunch(std::string bundleIdentifier);
    [[nodiscard]] static BrowserPersonaError scriptFailed(std::string message);

    [[nodiscard]] Case which() const noexcept { return case_; }
    // The identifier, bundle identifier or message.
    [[nodiscard]] const std::string& payload() const noexcept { return payload_; }

    friend bool operator==(const BrowserPersonaError& a, const BrowserPersonaError& b) noexcept {
        return a.case_ == b.case_ && a.payload_ == b.payload_;
    }

  private:
    BrowserPersonaError(Case which, std::string payload, const std::string& description)
        : std::runtime_error(description), case_(which), payload_(std::move(payload)) {}

    Case case_;
    std::string payload_;
};

}  // namespace ferrywise
