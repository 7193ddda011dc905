#pragma once

// URLCleaner removes advertising and analytics tracking parameters (utm_source, gclid, fbclid...) from the
// query of a link before it is routed or opened. Names the user keeps are exceptions. Only names are
// looked at, never values, and every comparison ignores letter case.
//
//   URLCleaner cleaner({"utm_source"});
//   cleaner.clean(*Url::parse("https://a.example/?utm_source=x&utm_medium=y"));  // ".../?utm_source=x"

#include <array>
#include <concepts>
#include <initializer_list>
#include <ranges>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "ferrywise/foundation/Url.hpp"

namespace ferrywise {

class URLCleaner {
  public:
    // Hashes and compares strings and views alike, so a name can be looked up without a copy.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept {
            return std::hash<std::string_view>{}(name);
        }
    };
    using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;

    // The fixed tracking parameter names, lower case, compared with the lower-cased name.
    [[nodiscard]] static const NameSet& trackingParameters();

    // Prefixes of tracking parameter names, tested in this order against the lower-cased name.
    static constexpr std::array<std::string_view, 4> trackingPrefixes{"utm_", "pk_", "hsa_", "matomo_"};

    // A cleaner without exceptions.
    URLCleaner() = default;

    // A cleaner keeping the named parameters: each name is lower-cased (full Unicode lower-casing, white
    // space kept); names that are empty are dropped.
    template <std::ranges::input_range Names>
    requires std::convertible_to<std::ranges::range_reference_t<Names>, std::string_view>
    explicit URLCleaner(const Names& exceptions) {
        for (std::string_view name : exceptions) {
            addException(name);
        }
    }
    URLCleaner(std::initializer_list<std::string_view> exceptions) {
        for (std::string_view name : exceptions) {
            addException(name);
        }
    }

    // The names kept, lower-cased; never holds the empty string.
    [[nodiscard]] const NameSet& exceptions() const noexcept { return exceptions_; }

    // Returns the link without its tracking parameters, or `url` itself, byte for byte, when nothing is
    // removed. The kept items stay as written and in order; a query left without items loses its "?".
    // Scheme, user, host, port, path and fragment are never touched. Never fails.
    [[nodiscard]] Url clean(const Url& url) const;

    // The names of the query items clean() removes from `url`, decoded and in the letter case written, in
    // order, once per item removed. Empty when the link has no query.
    [[nodiscard]] std::vector<std::string> removedParameterNames(const Url& url) const;

    // Returns whether a query item of this (decoded) name is removed.
    [[nodiscard]] bool removes(std::string_view name) const;

    bool operator==(const URLCleaner&) const = default;

  private:
    void addException(std::string_view name);

    NameSet exceptions_;
};

}  // namespace ferrywise
