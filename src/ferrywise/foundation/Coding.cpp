#include "ferrywise/foundation/Coding.hpp"

#include <cmath>
#include <limits>
#include <optional>

#include <nlohmann/json.hpp>

namespace ferrywise::coding {
namespace {

[[noreturn]] void wrongType(std::string_view key, std::string_view expected, const nlohmann::json& value) {
    throw DecodingError("\"" + std::string(key) + "\" should be " + std::string(expected) + " but is " +
                        value.type_name());
}

}  // namespace

const nlohmann::json& object(const nlohmann::json& value, std::string_view what) {
    if (!value.is_object()) {
        wrongType(what, "an object", value);
    }
    return value;
}

const nlohmann::json& required(const nlohmann::json& object, std::string_view key) {
    return required(optional(object, key), key);
}

const nlohmann::json& required(const nlohmann::json* member, std::string_view key) {
    if (member == nullptr || member->is_null()) {
        throw DecodingError("the key \"" + std::string(key) + "\" is missing");
    }
    return *member;
}

const nlohmann::json* optional(const nlohmann::json& object, std::string_view key) {
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        return nullptr;
    }
    return &*found;
}

std::string string(const nlohmann::json& value, std::string_view key) {
    if (!value.is_string()) {
        wrongType(key, "a string", value);
    }
    return value.get<std::string>();
}

bool boolean(const nlohmann::json& value, std::string_view key) {
    if (!value.is_boolean()) {
        wrongType(key, "a boolean", value);
    }
    return value.get<bool>();
}

const nlohmann::json& array(const nlohmann::json& value, std::string_view key) {
    if (!value.is_array()) {
        wrongType(key, "an array", value);
    }
    return value;
}

std::optional<std::int64_t> wholeNumber(const nlohmann::json& value) noexcept {
    if (value.is_number_unsigned()) {
        auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_integer()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        // 2^63 itself is not representable, hence the strict upper bound; NaN fails every comparison.
        auto number = value.get<double>();
        if (std::trunc(number) == number && number >= -9223372036854775808.0 &&
            number < 9223372036854775808.0) {
            return static_cast<std::int64_t>(number);
        }
    }
    return std::nullopt;
}

std::int64_t integer(const nlohmann::json& value, std::string_view key) {
    if (auto number = wholeNumber(value)) {
        return *number;
    }
    if (value.is_number_unsigned()) {
        throw DecodingError("\"" + std::string(key) + "\" is out of range");
    }
    if (value.is_number_float()) {
        throw DecodingError("\"" + std::string(key) + "\" is not a whole number in range");
    }
    wrongType(key, "an integer", value);
}

}  // namespace ferrywise::coding
