#include "ferrywise/system/LaunchAtLogin.hpp"

#include <exception>
#include <utility>

#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/freedesktop/AppServiceLaunchAtLoginBackend.hpp"

namespace ferrywise {

std::string_view LaunchAtLoginStatus::name() const noexcept {
    switch (value_) {
        case enabled:
            return "enabled";
        case disabled:
            return "disabled";
        case requiresApproval:
            return "requiresApproval";
        case unavailable:
            break;
    }
    return "unavailable";
}

LaunchAtLoginService::LaunchAtLoginService()
    : LaunchAtLoginService(freedesktop::makeAppServiceLaunchAtLoginBackend(Paths::fromEnvironment())) {}

LaunchAtLoginService::LaunchAtLoginService(std::shared_ptr<LaunchAtLoginBackend> backend)
    : backend_(std::move(backend)) {}

LaunchAtLoginStatus LaunchAtLoginService::setEnabled(bool enabled) noexcept {
    const char* operation = enabled ? "register" : "unregister";
    try {
        if (enabled) {
            backend_->registerLoginItem();
        } else {
            backend_->unregisterLoginItem();
        }
    } catch (const std::exception& error) {
        Log::settings().error("Login item %{public}s reported: %{public}s", operation, error.what());
    } catch (...) {
        Log::settings().error("Login item %{public}s reported: %{public}s", operation, "unknown error");
    }
    try {
        return backend_->status();
    } catch (...) {
        return LaunchAtLoginStatus::unavailable;  // a status that cannot be read is no login item
    }
}

}  // namespace ferrywise
