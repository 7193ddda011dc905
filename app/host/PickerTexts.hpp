#pragma once

// The picker's own words, shared by the terminal picker and the picker window: the line above the
// candidates and the remember switch's label. Localised by their English text.

#include <string>

#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/picker/LinkPickerModel.hpp"

namespace ferrywise::host {

// What processing did to the link, or the warning's short message; empty when there is nothing to say.
[[nodiscard]] std::string statusText(const LinkPickerStatus& status, const Localization& localization);

// "Remember for <what it covers>"; empty when the pick cannot be remembered.
[[nodiscard]] std::string rememberLabel(const LinkPickerModel& model, const Localization& localization);

}  // namespace ferrywise::host
