#pragma once

// DiscoveredApplication is one installed browser or mail client as the scanner found it, or one of its
// derived entries: a browser profile or space ("Chrome — Work") or its private-window entry
// ("Firefox (Private)"). Its id is the key the application preferences store.

#include <optional>
#include <string>
#include <vector>

#include "ferrywise/applications/ApplicationTarget.hpp"
#include "ferrywise/applications/ApplicationVariant.hpp"
#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/link/LinkScheme.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

class DiscoveredApplication {
  public:
    // The separator between a browser's name and a persona's name: blank, em dash, blank.
    static constexpr std::string_view personaSeparator = " \u2014 ";

    DiscoveredApplication(std::string bundleIdentifier, std::string name, Url bundleUrl,
                          LinkScheme::Kind kind, ApplicationVariant variant = ApplicationVariant::normal(),
                          std::vector<DiscoveredApplication> profileVariants = {});

    [[nodiscard]] const std::string& bundleIdentifier() const noexcept { return bundleIdentifier_; }
    [[nodiscard]] const std::string& name() const noexcept { return name_; }
    [[nodiscard]] const Url& bundleUrl() const noexcept { return bundleUrl_; }
    [[nodiscard]] LinkScheme::Kind kind() const noexcept { return kind_; }
    [[nodiscard]] const ApplicationVariant& variant() const noexcept { return variant_; }
    // A normal browser entry's persona entries, in catalogue order; empty for every other entry.
    [[nodiscard]] const std::vector<DiscoveredApplication>& profileVariants() const noexcept {
        return profileVariants_;
    }

    // The bundle identifier for normal entries and personas with an empty string; otherwise the bundle
    // identifier, "#" and the stored suffix (equal to target().stored()).
    [[nodiscard]] std::string id() const;

    // The bundle identifier with the variant (an empty persona becomes normal).
    [[nodiscard]] ApplicationTargetIdentifier target() const;

    // The entry for this browser's private window: only for a normal web entry whose bundle identifier has
    // a private-browsing strategy, or which has a private-window action of its own.
    [[nodiscard]] std::optional<DiscoveredApplication> privateVariant(
        const Localization& localization = Localization::current(),
        const std::optional<ApplicationAction>& privateWindowAction = std::nullopt) const;

    // "<browser> — <persona>", the name of every persona entry.
    [[nodiscard]] static std::string personaName(std::string_view browserName, std::string_view personaName);

    // For profile and space entries: the part of the name after the first " — ", or the variant's own string
    // when the name has no separator. None for normal and private entries.
    [[nodiscard]] std::optional<std::string> personaDisplayName() const;

    // The application's icon, shared by every entry of its bundle (see ApplicationIconCache): asked from
    // `workspace` the first time, then from the cache.
    [[nodiscard]] std::optional<WorkspaceIcon> icon(const Workspace& workspace) const;

    // The short label of the ring picker: the name, or for personas the persona display name.
    [[nodiscard]] std::string ringDisplayName() const;

    bool operator==(const DiscoveredApplication&) const = default;

  private:
    std::string bundleIdentifier_;
    std::string name_;
    Url bundleUrl_;
    LinkScheme::Kind kind_;
    ApplicationVariant variant_;
    std::vector<DiscoveredApplication> profileVariants_;
};

}  // namespace ferrywise
