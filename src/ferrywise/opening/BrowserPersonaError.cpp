#include "ferrywise/opening/BrowserPersonaError.hpp"

namespace ferrywise {

BrowserPersonaError BrowserPersonaError::personaNotFound(std::string identifier) {
    auto description = "The browser persona " + identifier + " no longer exists.";
    return {Case::personaNotFound, std::move(identifier), description};
}

BrowserPersonaError BrowserPersonaError::browserDidNotLaunch(std::string bundleIdentifier) {
    auto description = bundleIdentifier + " did not finish launching.";
    return {Case::browserDidNotLaunch, std::move(bundleIdentifier), description};
}

BrowserPersonaError BrowserPersonaError::scriptFailed(std::string message) {
    auto description = message;
    return {Case::scriptFailed, std::move(message), description};
}

}  // namespace ferrywise
