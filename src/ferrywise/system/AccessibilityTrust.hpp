#pragma once

// AccessibilityTrust answers whether the process may drive other applications through simulated input
// (the permission a keystroke-driven private window needs). Linux desktops have no such per-application
// grant, so the production answer is a configured value; tests set it either way.
//
//   auto trust = std::make_shared<ConfiguredAccessibilityTrust>(false);
//   RoutingMode::destination(candidates, false, false, fallback, *trust);

#include <atomic>

namespace ferrywise {

class ConfiguredAccessibilityTrust;

class AccessibilityTrust {
  public:
    AccessibilityTrust() = default;
    AccessibilityTrust(const AccessibilityTrust&) = delete;
    AccessibilityTrust& operator=(const AccessibilityTrust&) = delete;
    virtual ~AccessibilityTrust() = default;

    // Returns whether the process is trusted now, without asking the user. Any thread.
    [[nodiscard]] virtual bool isTrusted() const = 0;

    // Asks the system to show its permission prompt where it has one, and returns the trust it answers.
    // Main thread.
    virtual bool requestTrust() = 0;

    // The process-wide answer used where no other is passed: a ConfiguredAccessibilityTrust that starts
    // trusted (nothing is gated on Linux), which the host may reconfigure.
    [[nodiscard]] static ConfiguredAccessibilityTrust& process();
};

// Answers the value it was last given. Thread-safe.
class ConfiguredAccessibilityTrust final : public AccessibilityTrust {
  public:
    explicit ConfiguredAccessibilityTrust(bool trusted) : trusted_(trusted) {}

    void setTrusted(bool trusted) noexcept { trusted_ = trusted; }

    bool isTrusted() const override { return trusted_; }
    // There is no prompt to show: the configured value.
    bool requestTrust() override { return trusted_; }

  private:
    std::atomic<bool> trusted_;
};

inline ConfiguredAccessibilityTrust& AccessibilityTrust::process() {
    static ConfiguredAccessibilityTrust trust(true);
    return trust;
}

}  // namespace ferrywise
