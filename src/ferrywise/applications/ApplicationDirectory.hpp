#pragma once

// ApplicationDirectory answers which applications the user wants to see for web links and for mail links,
// and in which order: it takes the scanner's entries and applies the user's preferences (custom order,
// hidden entries, browser profiles and spaces promoted to entries of their own, profile mode), saves every
// change, and keeps the picker's lists warm. Main thread only; nothing here is locked.
//
//   ApplicationDirectory directory(scanner, ApplicationPreferencesStore(fileUrl), workspace);
//   directory.setHidden(true, firefoxPrivate);
//   auto offered = directory.prewarmedPickerApplications(LinkScheme::Kind::web);

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ferrywise/applications/ApplicationPreferences.hpp"
#include "ferrywise/applications/ApplicationPreferencesStore.hpp"
#include "ferrywise/applications/ApplicationScanner.hpp"
#include "ferrywise/applications/DiscoveredApplication.hpp"
#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/link/LinkScheme.hpp"

namespace ferrywise {

class Workspace;

class ApplicationDirectory {
  public:
    // Loads the preferences from `store` now. `iconSource` is the workspace whose icons the picker lists
    // load into ApplicationIconCache ahead of time; without one nothing is loaded ahead. `localization`
    // names the scanned private-window entries (the process's localisation by default).
    ApplicationDirectory(ApplicationScanner scanner, ApplicationPreferencesStore store,
                         std::shared_ptr<const Workspace> iconSource = nullptr,
                         Localization localization = Localization::current());
    // One directory holds the user's arrangement; a copy would save over the other's changes.
    ApplicationDirectory(const ApplicationDirectory&) = delete;
    ApplicationDirectory& operator=(const ApplicationDirectory&) = delete;

    [[nodiscard]] const ApplicationPreferences& preferences() const noexcept { return preferences_; }

    // The entries offered for the family: visibleApplications(kind).
    [[nodiscard]] std::vector<DiscoveredApplication> applications(LinkScheme::Kind kind) const {
        return visibleApplications(kind);
    }

    // The family's entries as the user arranged them, hidden ones included; profiles and spaces only when
    // promoted.
    [[nodiscard]] std::vector<DiscoveredApplication> allApplications(LinkScheme::Kind kind) const;

    // allApplications(kind) without the hidden entries.
    [[nodiscard]] std::vector<DiscoveredApplication> visibleApplications(LinkScheme::Kind kind) const;

    // Every scanned entry of the family, profiles and spaces included, as the user arranged them.
    [[nodiscard]] std::vector<DiscoveredApplication> allApplicationsIncludingPersonas(
        LinkScheme::Kind kind) const;

    // The family's profile and space entries, in scan order.
    [[nodiscard]] std::vector<DiscoveredApplication> personaApplications(LinkScheme::Kind kind) const;

    // Returns whether the entry is hidden in its family.
    [[nodiscard]] bool isHidden(const DiscoveredApplication& application) const;
    // Returns whether the entry is offered as an entry of its own: always, except for profiles and spaces
    // not in their family's order.
    [[nodiscard]] bool isPromoted(const DiscoveredApplication& application) const;
    // Returns whether profile mode is on for the entry in its family.
    [[nodiscard]] bool isProfileModeOn(const DiscoveredApplication& application) const;

    // Replaces the family's order by `ids` and saves.
    void setOrder(std::vector<std::string> ids, LinkScheme::Kind kind);

    // Hides the entry (its position is kept), or shows it again after the last visible entry, and saves.
    void setHidden(bool hidden, const DiscoveredApplication& application);

    // Promotes a profile or space entry to an entry of its own, visible and directly below its browser, or
    // demotes it, forgetting its position and whether it was hidden; then saves. Other entries cannot be
    // promoted: nothing changes and nothing is saved.
    void setPromoted(bool promoted, const DiscoveredApplication& application);

    // Turns profile mode on or off for the entry and saves; the picker lists are kept.
    void setProfileMode(bool on, const DiscoveredApplication& application);

    // Computes and keeps the visible list of each family for the picker, loading its icons.
    void prewarmPickerApplications();

    // The kept visible list of the family; computed, kept and its icons loaded when there is none.
    [[nodiscard]] std::vector<DiscoveredApplication> prewarmedPickerApplications(LinkScheme::Kind kind);

  private:
    // Ranked entries (by first position in the family's order) first, then the others in input order.
    [[nodiscard]] std::vector<DiscoveredApplication> arrange(std::vector<DiscoveredApplication> applications,
                                                             LinkScheme::Kind kind) const;

    // Saves the preferences; a failure is logged and the change stays in memory for the next save.
    void persist() const;

    [[nodiscard]] std::vector<DiscoveredApplication> scan(LinkScheme::Kind kind) const {
        return scanner_.scan(kind, localization_);
    }
    const std::vector<DiscoveredApplication>& warm(LinkScheme::Kind kind);

    ApplicationScanner scanner_;
    ApplicationPreferencesStore store_;
    std::shared_ptr<const Workspace> iconSource_;
    Localization localization_;
    ApplicationPreferences preferences_;
    std::map<LinkScheme::Kind::Value, std::vector<DiscoveredApplication>> pickerApplications_;
};

}  // namespace ferrywise
