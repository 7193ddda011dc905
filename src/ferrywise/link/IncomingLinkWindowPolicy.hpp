#pragma once

// Two rules about the router's own settings window while links arrive. Pure; any thread.

namespace ferrywise {

class IncomingLinkWindowPolicy {
  public:
    IncomingLinkWindowPolicy() = delete;

    // What to do with the settings window when a link arrives.
    enum class ExistingSettingsAction { orderBack, leaveClosed };

    // Returns whether a reopened application shows its settings: only when no window is visible and the
    // reopen does not deliver a link.
    [[nodiscard]] static constexpr bool shouldPresentSettingsOnReopen(bool hasVisibleWindows,
                                                                      bool isHandlingURL) noexcept {
        return !hasVisibleWindows && !isHandlingURL;
    }

    // A visible settings window goes to the back; a closed one stays closed.
    [[nodiscard]] static constexpr ExistingSettingsAction actionForExistingSettings(bool isVisible) noexcept {
        return isVisible ? ExistingSettingsAction::orderBack : ExistingSettingsAction::leaveClosed;
    }
};

}  // namespace ferrywise
