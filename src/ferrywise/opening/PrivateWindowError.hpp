#pragma once

// Why a private window could not be opened: the browser has no private mode the router can open, or the
// script that drives it failed (with the system's message). The description is shown as the reason of
// the fallback notice.

#include <stdexcept>
#include <string>

namespace ferrywise {

class PrivateWindowError : public std::runtime_error {
  public:
    enum class Case { unsupportedBrowser, scriptFailed };

    [[nodiscard]] static PrivateWindowError unsupportedBrowser(std::string bundleIdentifier);
    [[nodiscard]] static PrivateWindowError scriptFailed(std::string message);

    [[nodiscard]] Case which() const noexcept { return case_; }
    // The bundle identifier or the script's message.
    [[nodiscard]] const std::string& payload() const noexcept { return payload_; }

    friend bool operator==(const PrivateWindowError& a, const PrivateWindowError& b) noexcept {
        return a.case_ == b.case_ && a.payload_ == b.payload_;
    }

  private:
    PrivateWindowError(Case which, std::string payload, const std::string& description)
        : std::runtime_error(description), case_(which), payload_(std::move(payload)) {}

    Case case_;
    std::string payload_;
};

}  // namespace ferrywise
