#include "PickerTexts.hpp"

namespace ferrywise::host {

std::string statusText(const LinkPickerStatus& status, const Localization& localization) {
    switch (status.which()) {
        case LinkPickerStatus::Case::warning:
            return status.suspicion()->shortMessage(localization);
        case LinkPickerStatus::Case::removedTrackingParameters:
            return localization.format("Removed %@ tracking parameter(s)", {std::to_string(*status.count())});
        case LinkPickerStatus::Case::resolvedShortLink:
            return localization.text("Resolved a short link");
        case LinkPickerStatus::Case::removedTrackingParametersAndResolvedShortLink:
            return localization.text("Removed tracking parameters and resolved a short link");
        case LinkPickerStatus::Case::safe:
            break;
    }
    return {};
}

std::string rememberLabel(const LinkPickerModel& model, const Localization& localization) {
    auto summary = model.rememberSummary(localization);
    return summary ? localization.format("Remember for %@", {*summary}) : std::string();
}

}  // namespace ferrywise::host
