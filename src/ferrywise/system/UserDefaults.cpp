#include "ferrywise/system/UserDefaults.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

void checkText(std::string_view text, const char* what) {
    if (!text::isValidUtf8(text)) {
        throw std::invalid_argument(std::string("A defaults ") + what + " must be valid UTF-8");
    }
}

// Truncates towards zero, saturating at the 64-bit limits; NaN gives 0.
std::int64_t truncated(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr auto limit = 9223372036854775808.0;  // 2^63, exactly representable
    if (value >= limit) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (value <= -limit) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(value);
}

// The leading integer of a text: blanks, an optional sign, decimal digits; saturating; 0 without digits.
std::int64_t leadingInteger(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n')) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Accumulate negatively so that the minimum is reachable.
    std::int64_t value = 0;
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        int digit = text[at] - '0';
        if (value < (lowest + digit) / 10) {
            return negative ? lowest : std::numeric_limits<std::int64_t>::max();
        }
        value = value * 10 - digit;
    }
    if (negative) {
        return value;
    }
    return value == lowest ? std::numeric_limits<std::int64_t>::max() : -value;
}

// Checks one value `depth` arrays and dictionaries deep. The depth is bounded, so the recursion here and
// in every later copy, comparison or write of the value is too.
void checkStorableValue(const nlohmann::json& value, std::size_t depth) {
    switch (value.type()) {
        case nlohmann::json::value_t::number_float:
            if (!std::isfinite(value.get<double>())) {
                throw std::invalid_argument("A defaults value cannot be an infinite or NaN number");
            }
            return;
        case nlohmann::json::value_t::string:
            checkText(value.get_ref<const std::string&>(), "string");
            return;
        case nlohmann::json::value_t::array:
        case nlohmann::json::value_t::object:
            if (depth == JsonFile::maximumNestingDepth) {
                throw std::invalid_argument("A defaults value cannot nest deeper than " +
                                            std::to_string(JsonFile::maximumNestingDepth) + " levels");
            }
            for (const auto& [key, element] : value.items()) {
                if (value.is_object()) {
                    checkText(key, "key");
                }
                checkStorableValue(element, depth + 1);
            }
            return;
        case nlohmann::json::value_t::binary:
        case nlohmann::json::value_t::discarded:
            throw std::invalid_argument("A defaults value must be a JSON value");
        default:
            return;
    }
}

}  // namespace

void UserDefaults::checkStorable(const nlohmann::json& value) {
    checkStorableValue(value, 0);
}

void UserDefaults::checkDomainName(std::string_view name) {
    if (name.empty() || name.front() == '.' || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos || !text::isValidUtf8(name)) {
        throw std::invalid_argument("Not a defaults domain name: \"" + std::string(name) + "\"");
    }
}

void UserDefaults::set(std::string_view key, nlohmann::json value) {
    std::vector<Change> changes;
    changes.emplace_back(std::string(key), std::move(value));
    setValues(std::move(changes));
}

void UserDefaults::remove(std::string_view key) {
    // A key that is not UTF-8 was never stored.
    if (text::isValidUtf8(key)) {
        std::vector<Change> changes;
        changes.emplace_back(std::string(key), nullptr);
        apply(std::move(changes));
    }
}

void UserDefaults::setValues(std::vector<Change> changes) {
    for (const auto& [key, value] : changes) {
        checkText(key, "key");
        checkStorableValue(value, 1);  // one level down in its domain's dictionary
    }
    if (!changes.empty()) {
        apply(std::move(changes));
    }
}

void UserDefaults::setPersistentDomain(nlohmann::json values, std::string_view name) {
    checkDomainName(name);
    if (!values.is_object()) {
        throw std::invalid_argument("A defaults domain must be a dictionary");
    }
    checkStorable(values);
    replaceDomain(name, std::move(values));
}

std::optional<bool> UserDefaults::boolean(std::string_view key) const {
    auto value = object(key);
    if (!value) {
        return std::nullopt;
    }
    if (value->is_boolean()) {
        return value->get<bool>();
    }
    if (value->is_number() && (*value == 0 || *value == 1)) {
        return *value == 1;
    }
    return std::nullopt;
}

std::int64_t UserDefaults::integer(std::string_view key) const {
    auto value = object(key);
    return value ? integerValue(*value) : 0;
}

std::int64_t UserDefaults::integerValue(const nlohmann::json& value) {
    switch (value.type()) {
        case nlohmann::json::value_t::number_integer:
            return value.get<std::int64_t>();
        case nlohmann::json::value_t::number_unsigned: {
            auto number = value.get<std::uint64_t>();
            return number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                       ? std::numeric_limits<std::int64_t>::max()
                       : static_cast<std::int64_t>(number);
        }
        case nlohmann::json::value_t::number_float:
            return truncated(value.get<double>());
        case nlohmann::json::value_t::boolean:
            return value.get<bool>() ? 1 : 0;
        case nlohmann::json::value_t::string:
            return leadingInteger(value.get_ref<const std::string&>());
        default:
            return 0;
    }
}

double UserDefaults::floatingPoint(std::string_view key) const {
    auto value = object(key);
    if (!value) {
        return 0;
    }
    if (value->is_number()) {
        return value->get<double>();
    }
    if (value->is_boolean()) {
        return value->get<bool>() ? 1 : 0;
    }
    if (value->is_string()) {
        // from_chars, not strtod: the decimal point must not depend on the process's locale.
        std::string_view text = value->get_ref<const std::string&>();
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) {
            text.remove_prefix(1);
        }
        if (!text.empty() && text.front() == '+') {
            text.remove_prefix(1);
        }
        double number = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        return error != std::errc{} || !std::isfinite(number) ? 0 : number;
    }
    return 0;
}

std::optional<std::string> UserDefaults::string(std::string_view key) const {
    auto value = object(key);
    if (!value || !value->is_string()) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::optional<std::vector<std::string>> UserDefaults::stringArray(std::string_view key) const {
    auto value = object(key);
    if (!value || !value->is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    strings.reserve(value->size());
    for (auto& element : *value) {
        if (!element.is_string()) {
            return std::nullopt;
        }
        strings.push_back(std::move(element.get_ref<std::string&>()));
    }
    return strings;
}

std::optional<nlohmann::json> UserDefaults::array(std::string_view key) const {
    auto value = object(key);
    if (!value || !value->is_array()) {
        return std::nullopt;
    }
    return value;
}

std::optional<nlohmann::json> UserDefaults::dictionary(std::string_view key) const {
    auto value = object(key);
    if (!value || !value->is_object()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace ferrywise
