#pragma once

// Where a link is to be opened. ApplicationTargetIdentifier names the application by bundle identifier and
// has the one string form that rules, sync records and preferences store: the bundle identifier, or the
// bundle identifier, "#" and the variant's stored suffix ("org.mozilla.firefox#private").
// ApplicationTarget names it by the location of its bundle, which is what gets opened.
//
//   auto id = ApplicationTargetIdentifier::fromStored("com.google.Chrome#profile:Default");
//   id.variant() == ApplicationVariant::profile("Default");

#include <optional>
#include <string>
#include <string_view>

#include "ferrywise/applications/ApplicationVariant.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/system/ApplicationAction.hpp"

namespace ferrywise {

class ApplicationTargetIdentifier {
  public:
    // A profile with an empty folder name or a space with an empty identifier is stored as normal.
    explicit ApplicationTargetIdentifier(std::string bundleIdentifier,
                                         ApplicationVariant variant = ApplicationVariant::normal());

    // Reads a stored text back; never fails. The text is split at its last "#" only when what follows is
    // "private" or a non-empty profile or space, and what precedes is not empty; failing that, at the first
    // "#" that starts a profile or space (whose own value then holds the later "#"); otherwise the whole
    // text is the bundle identifier of a normal target.
    [[nodiscard]] static ApplicationTargetIdentifier fromStored(std::string_view stored);

    // The bundle identifier for normal; otherwise the bundle identifier, "#" and the stored suffix.
    [[nodiscard]] std::string stored() const;

    [[nodiscard]] const std::string& bundleIdentifier() const noexcept { return bundleIdentifier_; }
    [[nodiscard]] const ApplicationVariant& variant() const noexcept { return variant_; }

    bool operator==(const ApplicationTargetIdentifier&) const = default;

  private:
    std::string bundleIdentifier_;
    ApplicationVariant variant_;
};

class ApplicationTarget {
  public:
    ApplicationTarget(Url bundleUrl, ApplicationVariant variant)
        : bundleUrl_(std::move(bundleUrl)), variant_(std::move(variant)) {}

    [[nodiscard]] const Url& bundleUrl() const noexcept { return bundleUrl_; }
    [[nodiscard]] const ApplicationVariant& variant() const noexcept { return variant_; }

    bool operator==(const ApplicationTarget&) const = default;

  private:
    Url bundleUrl_;
    ApplicationVariant variant_;
};

// What an application bundle says of itself.
class ApplicationIdentity {
  public:
    ApplicationIdentity(std::string bundleIdentifier, std::string name,
                        std::optional<ApplicationAction> privateWindowAction = std::nullopt)
        : bundleIdentifier_(std::move(bundleIdentifier)),
          name_(std::move(name)),
          privateWindowAction_(std::move(privateWindowAction)) {}

    [[nodiscard]] const std::string& bundleIdentifier() const noexcept { return bundleIdentifier_; }
    // The bundle's display name as the file manager shows it.
    [[nodiscard]] const std::string& name() const noexcept { return name_; }
    // The application's own action that opens a private window, when it has one.
    [[nodiscard]] const std::optional<ApplicationAction>& privateWindowAction() const noexcept {
        return privateWindowAction_;
    }

    bool operator==(const ApplicationIdentity&) const = default;

  private:
    std::string bundleIdentifier_;
    std::string name_;
    std::optional<ApplicationAction> privateWindowAction_;
};

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::ApplicationTargetIdentifier> {
    std::size_t operator()(const ferrywise::ApplicationTargetIdentifier& id) const noexcept {
        return std::hash<std::string>{}(id.bundleIdentifier()) * 31 +
               std::hash<ferrywise::ApplicationVariant>{}(id.variant());
    }
};
