#pragma once

// UserDefaults is the store of the user's settings: small typed values (booleans, integers, floating-point
// numbers, strings, arrays and dictionaries of them) under string keys, kept in named domains. A store
// belongs to one application domain, the one it writes; its lookups search that domain first and then the
// global domain every application shares. A persistent domain can also be read, replaced or removed as a
// whole by name, without the search.
//
//   auto& defaults = *store;
//   defaults.set("alwaysAsks", false);
//   defaults.boolean("alwaysAsks");           // false
//   defaults.stringArray("alwaysAsks");       // none: not an array of strings
//   defaults.persistentDomain("global");      // that domain's dictionary, when it exists
//
// Values are JSON values. Numbers must be finite and strings valid UTF-8 (keys too), because that is what a
// stored domain can hold; anything else is refused with std::invalid_argument before the store changes.
// Every store is safe to use from any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace ferrywise {

class UserDefaults {
  public:
    // The name of the domain whose values every application's lookups fall back on.
    static constexpr std::string_view globalDomain = "global";

    UserDefaults() = default;
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;
    virtual ~UserDefaults() = default;

    // The name of the store's own domain, the one set() and remove() change.
    [[nodiscard]] virtual const std::string& domain() const noexcept = 0;

    // The value under `key` in the store's own domain, else in the global domain; none when neither has it.
    [[nodiscard]] virtual std::optional<nlohmann::json> object(std::string_view key) const = 0;

    // Stores `value` under `key` in the store's own domain; a null value removes the key. Throws
    // std::invalid_argument for a value a domain cannot hold (see above).
    void set(std::string_view key, nlohmann::json value);

    // Removes `key` from the store's own domain (the global domain's value, if any, then shows through).
    void remove(std::string_view key);

    // One key and its new value for setValues(); a null value removes the key.
    using Change = std::pair<std::string, nlohmann::json>;

    // Stores several keys of the own domain together, in order, as one change: a file-backed store writes
    // them at once, so a crash keeps all of them or none. Everything is checked first; when anything is
    // refused (std::invalid_argument), nothing is stored.
    void setValues(std::vector<Change> changes);

    // The dictionary of the persistent domain named `name` (a JSON object), or none when it does not exist.
    [[nodiscard]] virtual std::optional<nlohmann::json> persistentDomain(std::string_view name) const = 0;

    // Replaces the persistent domain named `name` with `values`, which must be an object of storable values.
    void setPersistentDomain(nlohmann::json values, std::string_view name);

    // Removes the persistent domain named `name` with all its keys.
    virtual void removePersistentDomain(std::string_view name) = 0;

    // Typed reads over object(), with the conversions a settings store usually makes:
    //
    // A boolean: a JSON boolean, or the number 0 or 1 (how a number written by another tool reads as a
    // switch). None when absent or anything else.
    [[nodiscard]] std::optional<bool> boolean(std::string_view key) const;
    // An integer: an integral number as it is; a floating-point number truncated towards zero (beyond the
    // 64-bit range, the nearest limit); true 1 and false 0; a string whose text starts with an optional
    // sign and decimal digits (after blanks) the value of those digits, saturating; 0 for anything else,
    // and when absent.
    [[nodiscard]] std::int64_t integer(std::string_view key) const;
    // The same reading of a value already fetched with object().
    [[nodiscard]] static std::int64_t integerValue(const nlohmann::json& value);
    // A floating-point number: any number; true 1 and false 0; a string that reads as a decimal number its
    // value; 0 for anything else, and when absent.
    [[nodiscard]] double floatingPoint(std::string_view key) const;
    // A string value; none when absent or not a string.
    [[nodiscard]] std::optional<std::string> string(std::string_view key) const;
    // An array whose elements are all strings; none when absent or anything else.
    [[nodiscard]] std::optional<std::vector<std::string>> stringArray(std::string_view key) const;
    // An array (any elements) or a dictionary; none when absent or of another type.
    [[nodiscard]] std::optional<nlohmann::json> array(std::string_view key) const;
    [[nodiscard]] std::optional<nlohmann::json> dictionary(std::string_view key) const;

    // Throws std::invalid_argument unless `value` is storable: null, booleans, finite numbers, valid UTF-8
    // strings, and arrays and objects (with valid UTF-8 keys) of them, nested no deeper than a stored file
    // may be (JsonFile::maximumNestingDepth).
    static void checkStorable(const nlohmann::json& value);

    // Throws std::invalid_argument unless `name` can name a domain: not empty, valid UTF-8, no "/" or NUL,
    // not starting with "." (a domain is kept in a file of that name).
    static void checkDomainName(std::string_view name);

  protected:
    // Applies checked changes to the own domain, in order: a null value removes its key.
    virtual void apply(std::vector<Change> changes) = 0;
    // Replace a whole persistent domain; the values are a checked object.
    virtual void replaceDomain(std::string_view name, nlohmann::json values) = 0;
};

}  // namespace ferrywise
