#pragma once

#include <string>

namespace ferrywise {

// One of the extra ways an application offers to start, such as "New Private Window" (on Linux a desktop
// entry's [Desktop Action <id>] group): its identifier and its untranslated name.
struct ApplicationAction {
    std::string id;
    std::string name;

    bool operator==(const ApplicationAction&) const = default;
};

}  // namespace ferrywise
