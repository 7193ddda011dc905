#include "ferrywise/system/BuildInfo.hpp"

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {

std::string BuildInfo::version() {
    return version(informationDictionary());
}

std::optional<std::string> BuildInfo::stamp() {
    return stamp(informationDictionary());
}

std::string BuildInfo::version(const nlohmann::json& dictionary) {
    return value(dictionary, "CFBundleShortVersionString").value_or("1.0");
}

std::optional<std::string> BuildInfo::stamp(const nlohmann::json& dictionary) {
    auto stamp = value(dictionary, "BuildStamp");
    if (stamp == unrecordedStamp) {
        return std::nullopt;
    }
    return stamp;
}

std::optional<std::string> BuildInfo::value(const nlohmann::json& dictionary, std::string_view key) {
    if (!dictionary.is_object()) {
        return std::nullopt;
    }
    auto found = dictionary.find(key);
    if (found == dictionary.end() || !found->is_string()) {
        return std::nullopt;
    }
    const auto& text = found->get_ref<const std::string&>();
    // Blank, or a "$(...)" setting the build left unexpanded: a placeholder, not a value.
    if (text::trimmingWhitespace(text).empty() || text.starts_with("$(")) {
        return std::nullopt;
    }
    return text;
}

}  // namespace ferrywise
