#include "ferrywise/opening/PrivateWindowError.hpp"

namespace ferrywise {

PrivateWindowError PrivateWindowError::unsupportedBrowser(std::string bundleIdentifier) {
    auto description = bundleIdentifier + " has no private mode Velmora knows how to open.";
    return {Case::unsupportedBrowser, std::move(bundleIdentifier), description};
}

PrivateWindowError PrivateWindowError::scriptFailed(std::string message) {
    auto description = message;
    return {Case::scriptFailed, std::move(message), description};
}

}  // namespace ferrywise
