#pragma once

// ApplicationVariant says how an application is opened: its ordinary window, a private window, a named
// browser profile, or a named browser space. Stored as one string, its stored suffix ("normal", "private",
// "profile:<folder>", "space:<id>").
//
// `private` is a C++ keyword, so that case is spelled private_ here.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include <nlohmann/json_fwd.hpp>

#include "ferrywise/foundation/Coding.hpp"

namespace ferrywise {

class ApplicationVariant {
  public:
    struct Normal {
        bool operator==(const Normal&) const = default;
    };
    struct Private {
        bool operator==(const Private&) const = default;
    };
    struct Profile {
        std::string directory;
        bool operator==(const Profile&) const = default;
    };
    struct Space {
        std::string id;
        bool operator==(const Space&) const = default;
    };
    using Value = std::variant<Normal, Private, Profile, Space>;

    enum class Case { normal, private_, profile, space };

    // Thrown when a stored variant text names no variant.
    class CodingError : public DecodingError {
      public:
        enum class Code { invalidStoredValue };

        explicit CodingError(Code code);
        [[nodiscard]] Code code() const noexcept { return code_; }

      private:
        Code code_;
    };

    ApplicationVariant() = default;  // normal

    [[nodiscard]] static ApplicationVariant normal() { return {}; }
    [[nodiscard]] static ApplicationVariant private_() { return ApplicationVariant(Private{}); }
    [[nodiscard]] static ApplicationVariant profile(std::string directory) {
        return ApplicationVariant(Profile{std::move(directory)});
    }
    [[nodiscard]] static ApplicationVariant space(std::string id) {
        return ApplicationVariant(Space{std::move(id)});
    }

    // Reads a stored suffix: "normal", "private", "profile:" or "space:" followed by a non-empty rest (used
    // unchanged). Case-sensitive; anything else gives none.
    [[nodiscard]] static std::optional<ApplicationVariant> fromStoredSuffix(std::string_view suffix);

    [[nodiscard]] const Value& value() const noexcept { return value_; }
    [[nodiscard]] Case which() const noexcept { return static_cast<Case>(value_.index()); }

    [[nodiscard]] bool isPrivate() const noexcept { return which() == Case::private_; }
    // True for profile and space variants.
    [[nodiscard]] bool isPersona() const noexcept {
        return which() == Case::profile || which() == Case::space;
    }

    // The profile folder name or space identifier; none for normal and private.
    [[nodiscard]] std::optional<std::string_view> personaValue() const noexcept;

    [[nodiscard]] std::string storedSuffix() const;
    [[nodiscard]] std::string diagnosticName() const { return storedSuffix(); }

    bool operator==(const ApplicationVariant&) const = default;

  private:
    explicit ApplicationVariant(Value value) : value_(std::move(value)) {}

    Value value_;
};

// Written as its stored suffix; reading a non-string throws DecodingError, an unknown suffix
// ApplicationVariant::CodingError.
void to_json(nlohmann::json& json, const ApplicationVariant& variant);
void from_json(const nlohmann::json& json, ApplicationVariant& variant);

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::ApplicationVariant> {
    std::size_t operator()(const ferrywise::ApplicationVariant& variant) const noexcept {
        auto value = variant.personaValue();
        return static_cast<std::size_t>(variant.which()) * 31 +
               (value ? std::hash<std::string_view>{}(*value) : 0);
    }
};
