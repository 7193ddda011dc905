#pragma once

// A persona catalogue that answers fixed lists by bundle identifier.

#include <map>
#include <string>
#include <vector>

#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

namespace ferrywise::testing {

class FixedPersonaCatalog final : public BrowserPersonaCatalog {
  public:
    std::map<std::string, std::vector<BrowserProfile>, std::less<>> profileLists;
    std::map<std::string, std::vector<BrowserSpace>, std::less<>> spaceLists;

    std::vector<BrowserProfile> profiles(std::string_view bundleIdentifier) const override {
        auto found = profileLists.find(bundleIdentifier);
        return found == profileLists.end() ? std::vector<BrowserProfile>{} : found->second;
    }
    std::vector<BrowserSpace> spaces(std::string_view bundleIdentifier) const override {
        auto found = spaceLists.find(bundleIdentifier);
        return found == spaceLists.end() ? std::vector<BrowserSpace>{} : found->second;
    }
};

}  // namespace ferrywise::testing
