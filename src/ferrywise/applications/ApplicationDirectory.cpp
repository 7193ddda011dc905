#include "ferrywise/applications/ApplicationDirectory.hpp"

#include <algorithm>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "ferrywise/applications/ApplicationIconCache.hpp"
#include "ferrywise/foundation/Log.hpp"

namespace ferrywise {
namespace {

bool contains(const std::vector<std::string>& list, std::string_view id) {
    return std::ranges::find(list, id) != list.end();
}

}  // namespace

ApplicationDirectory::ApplicationDirectory(ApplicationScanner scanner, ApplicationPreferencesStore store,
                                           std::shared_ptr<const Workspace> iconSource,
                                           Localization localization)
    : scanner_(std::move(scanner)),
      store_(std::move(store)),
      iconSource_(std::move(iconSource)),
      localization_(std::move(localization)),
      preferences_(store_.load()) {}

std::vector<DiscoveredApplication> ApplicationDirectory::allApplications(LinkScheme::Kind kind) const {
    const auto& order = preferences_.family(kind).order;
    auto applications = scan(kind);
    std::erase_if(applications, [&](const DiscoveredApplication& application) {
        return application.variant().isPersona() && !contains(order, application.id());
    });
    return arrange(std::move(applications), kind);
}

std::vector<DiscoveredApplication> ApplicationDirectory::visibleApplications(LinkScheme::Kind kind) const {
    auto applications = allApplications(kind);
    std::erase_if(applications,
                  [&](const DiscoveredApplication& application) { return isHidden(application); });
    return applications;
}

std::vector<DiscoveredApplication> ApplicationDirectory::allApplicationsIncludingPersonas(
    LinkScheme::Kind kind) const {
    return arrange(scan(kind), kind);
}

std::vector<DiscoveredApplication> ApplicationDirectory::personaApplications(LinkScheme::Kind kind) const {
    auto applications = scan(kind);
    std::erase_if(applications, [](const DiscoveredApplication& application) {
        return !application.variant().isPersona();
    });
    return applications;
}

bool ApplicationDirectory::isHidden(const DiscoveredApplication& application) const {
    return preferences_.isHidden(application.id(), application.kind());
}

bool ApplicationDirectory::isPromoted(const DiscoveredApplication& application) const {
    return !application.variant().isPersona() ||
           contains(preferences_.family(application.kind()).order, application.id());
}

bool ApplicationDirectory::isProfileModeOn(const DiscoveredApplication& application) const {
    return preferences_.isProfileModeOn(application.id(), application.kind());
}

void ApplicationDirectory::setOrder(std::vector<std::string> ids, LinkScheme::Kind kind) {
    pickerApplications_.erase(kind.value());
    preferences_.setOrder(std::move(ids), kind);
    persist();
}

void ApplicationDirectory::setHidden(bool hidden, const DiscoveredApplication& application) {
    const auto kind = application.kind();
    const auto id = application.id();
    pickerApplications_.erase(kind.value());
    preferences_.setHidden(hidden, id, kind);
    if (!hidden) {
        // Shown again, the entry goes after the last visible one rather than back to its old place, where
        // the user would not look for it; hidden entries keep their relative order behind it.
        std::vector<std::string> visible;
        std::vector<std::string> stillHidden;
        for (const auto& other : allApplications(kind)) {
            auto otherId = other.id();
            if (otherId != id) {
                (preferences_.isHidden(otherId, kind) ? stillHidden : visible).push_back(std::move(otherId));
            }
        }
        visible.push_back(id);
        visible.insert(visible.end(), std::make_move_iterator(stillHidden.begin()),
                       std::make_move_iterator(stillHidden.end()));
        preferences_.setOrder(std::move(visible), kind);
    }
    persist();
}

void ApplicationDirectory::setPromoted(bool promoted, const DiscoveredApplication& application) {
    if (!application.variant().isPersona()) {
        return;
    }
    const auto kind = application.kind();
    const auto id = application.id();
    pickerApplications_.erase(kind.value());
    auto family = preferences_.family(kind);
    std::erase(family.hidden, id);
    std::erase(family.order, id);
    if (promoted) {
        // Directly below its browser, which is added at the end when the user never placed it.
        auto browser = std::ranges::find(family.order, application.bundleIdentifier());
        if (browser == family.order.end()) {
            family.order.push_back(application.bundleIdentifier());
            family.order.push_back(id);
        } else {
            family.order.insert(std::next(browser), id);
        }
    }
    preferences_.setFamily(kind, std::move(family));
    persist();
}

void ApplicationDirectory::setProfileMode(bool on, const DiscoveredApplication& application) {
    // The picker lists do not depend on profile mode, so they are kept.
    preferences_.setProfileMode(on, application.id(), application.kind());
    persist();
}

void ApplicationDirectory::prewarmPickerApplications() {
    for (auto kind : LinkScheme::Kind::allCases()) {
        (void)warm(kind);
    }
}

std::vector<DiscoveredApplication> ApplicationDirectory::prewarmedPickerApplications(LinkScheme::Kind kind) {
    if (auto found = pickerApplications_.find(kind.value()); found != pickerApplications_.end()) {
        return found->second;
    }
    return warm(kind);
}

const std::vector<DiscoveredApplication>& ApplicationDirectory::warm(LinkScheme::Kind kind) {
    const auto& applications = pickerApplications_[kind.value()] = visibleApplications(kind);
    if (iconSource_) {
        ApplicationIconCache::prewarm(applications, *iconSource_);
    }
    return applications;
}

std::vector<DiscoveredApplication> ApplicationDirectory::arrange(
    std::vector<DiscoveredApplication> applications, LinkScheme::Kind kind) const {
    std::unordered_map<std::string_view, std::size_t> rank;
    const auto& order = preferences_.family(kind).order;
    for (std::size_t position = 0; position < order.size(); ++position) {
        rank.try_emplace(order[position], position);  // a later duplicate keeps the first position
    }
    // Ranked entries sort by rank, all before unranked ones, which sort by input position. Ranks are
    // distinct for distinct ids, and ids are unique within a scan, so the keys decide the whole order.
    struct Keyed {
        bool unranked;
        std::size_t key;
        DiscoveredApplication application;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(applications.size());
    for (std::size_t position = 0; position < applications.size(); ++position) {
        auto found = rank.find(applications[position].id());
        bool unranked = found == rank.end();
        keyed.push_back({unranked, unranked ? position : found->second, std::move(applications[position])});
    }
    std::ranges::stable_sort(keyed, [](const Keyed& a, const Keyed& b) {
        return std::tie(a.unranked, a.key) < std::tie(b.unranked, b.key);
    });
    applications.clear();
    for (auto& entry : keyed) {
        applications.push_back(std::move(entry.application));
    }
    return applications;
}

void ApplicationDirectory::persist() const {
    try {
        store_.save(preferences_);
    } catch (const std::exception& error) {
        Log::applications().error("Could not save application preferences: %{public}s", error.what());
    }
}

}  // namespace ferrywise
