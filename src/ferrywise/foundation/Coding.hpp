#pragma once

// The error thrown when stored JSON does not have the shape a type expects (a missing key, a wrong type
// or an unknown value), and the strict readers that decoders share. Types with their own coding errors
// derive theirs from DecodingError.
//
//   auto name = coding::string(coding::required(object, "name"), "name");  // throws DecodingError

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace ferrywise {

class DecodingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

namespace coding {

// Returns `value` when it is an object; throws DecodingError naming `what` otherwise.
const nlohmann::json& object(const nlohmann::json& value, std::string_view what);

// Returns the value under `key` of an object; throws DecodingError when the key is absent or null.
const nlohmann::json& required(const nlohmann::json& object, std::string_view key);

// Returns the member a decoder was handed (nullptr when absent); throws DecodingError naming `key` when it
// is absent or null.
const nlohmann::json& required(const nlohmann::json* member, std::string_view key);

// Returns the value under `key` of an object, or nullptr when the key is absent or null.
const nlohmann::json* optional(const nlohmann::json& object, std::string_view key);

// The value as a string, boolean or array; throws DecodingError naming `key` when it has another type.
std::string string(const nlohmann::json& value, std::string_view key);
bool boolean(const nlohmann::json& value, std::string_view key);
const nlohmann::json& array(const nlohmann::json& value, std::string_view key);

// The value as a 64-bit integer: an integral number (also written with a zero fraction, "2.0") within
// range; throws DecodingError naming `key` otherwise.
std::int64_t integer(const nlohmann::json& value, std::string_view key);

// The same reading without an error: none for anything but such a number.
std::optional<std::int64_t> wholeNumber(const nlohmann::json& value) noexcept;

}  // namespace coding
}  // namespace ferrywise
