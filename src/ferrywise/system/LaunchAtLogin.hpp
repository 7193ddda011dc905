#pragma once

// Whether the host starts when the user logs in. LaunchAtLoginBackend is the seam to the system's login
// items; LaunchAtLoginService turns the user's choice into a change and reports the state the system has
// afterwards. The service never throws: a refused change is logged, and callers judge success by the
// status it returns.
//
//   LaunchAtLoginService service;  // the desktop's autostart entry of the running host
//   if (service.setEnabled(true) != LaunchAtLoginStatus::enabled) { showNote(); }

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace ferrywise {

class LaunchAtLoginStatus {
  public:
    // requiresApproval: registered, but held back until the user approves it in the system's settings.
    // unavailable: the system cannot register this copy of the host at all.
    enum Value : std::uint8_t { enabled, disabled, requiresApproval, unavailable };

    constexpr LaunchAtLoginStatus(Value value) noexcept
        : value_(value) {}  // NOLINT: reads like the enumeration

    [[nodiscard]] constexpr Value value() const noexcept { return value_; }
    // The case name ("requiresApproval"), for log lines.
    [[nodiscard]] std::string_view name() const noexcept;

    constexpr bool operator==(const LaunchAtLoginStatus&) const = default;

  private:
    Value value_;
};

class LaunchAtLoginBackend {
  public:
    LaunchAtLoginBackend() = default;
    LaunchAtLoginBackend(const LaunchAtLoginBackend&) = delete;
    LaunchAtLoginBackend& operator=(const LaunchAtLoginBackend&) = delete;
    virtual ~LaunchAtLoginBackend() = default;

    // Returns the login item's state as the system has it now. Never throws. Main thread.
    [[nodiscard]] virtual LaunchAtLoginStatus status() const = 0;

    // Makes the host start at login. Throws an exception derived from std::exception, saying why, when the
    // system refuses. Main thread.
    virtual void registerLoginItem() = 0;

    // Stops the host starting at login; nothing to do when it does not. Throws as registerLoginItem does.
    virtual void unregisterLoginItem() = 0;
};

class LaunchAtLoginService {
  public:
    // The running host's autostart entry on this desktop (freedesktop::makeAppServiceLaunchAtLoginBackend
    // for Paths::fromEnvironment()).
    LaunchAtLoginService();
    explicit LaunchAtLoginService(std::shared_ptr<LaunchAtLoginBackend> backend);

    // Returns the backend's status, read afresh each time.
    [[nodiscard]] LaunchAtLoginStatus status() const { return backend_->status(); }

    // Registers (true) or unregisters (false) the login item and returns the status read afterwards. A
    // refusal is logged in the settings category and goes no further, so a failed registration reports
    // the state the system actually has. Main thread.
    LaunchAtLoginStatus setEnabled(bool enabled) noexcept;

  private:
    std::shared_ptr<LaunchAtLoginBackend> backend_;
};

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::LaunchAtLoginStatus> {
    std::size_t operator()(const ferrywise::LaunchAtLoginStatus& status) const noexcept {
        return status.value();
    }
};
