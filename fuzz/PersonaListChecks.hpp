#pragma once

// What every persona reader promises of its list, checked by the fuzz targets: keys distinct and non-empty;
// names trimmed and non-blank, or (where allowed) the key itself; sorted by name in file-manager order, then
// by key, from `firstSorted` on. Aborts on the first broken promise.

#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise::fuzzing {

template <typename Persona>
void requireKeyedSortedList(const std::vector<Persona>& list, std::string Persona::*key,
                            std::string Persona::*name, bool nameMayBeKey, std::size_t firstSorted = 0) {
    std::set<std::string_view> keys;
    for (const auto& persona : list) {
        const auto& personaName = persona.*name;
        if ((persona.*key).empty() || !keys.insert(persona.*key).second) {
            std::abort();
        }
        if (!(nameMayBeKey && personaName == persona.*key) &&
            (personaName.empty() || text::trimmingWhitespaceAndNewlines(personaName) != personaName)) {
            std::abort();
        }
    }
    for (std::size_t i = firstSorted + 1; i < list.size(); ++i) {
        auto order = text::localizedStandardCompare(list[i - 1].*name, list[i].*name);
        if (order > 0 || (order == 0 && list[i - 1].*key >= list[i].*key)) {
            std::abort();
        }
    }
}

}  // namespace ferrywise::fuzzing
