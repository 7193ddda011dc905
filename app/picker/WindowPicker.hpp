#pragma once

// The picker window as the host uses it: starts Qt when the first window is needed (so commands that show
// none never pay for it), shows a PickerWindow for the model until the user chooses or cancels, and
// meanwhile runs the site-icon fetches on the same thread.

#include <functional>
#include <optional>

#include "ferrywise/picker/LinkPickerModel.hpp"

#include "host/HostContext.hpp"

namespace ferrywise::picker {

[[nodiscard]] std::optional<LinkPickerChoice> showPickerWindow(LinkPickerModel& model,
                                                               host::HostContext& host,
                                                               const std::function<void()>& dismissWarning);

}  // namespace ferrywise::picker
