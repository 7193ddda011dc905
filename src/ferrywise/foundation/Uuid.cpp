#include "ferrywise/foundation/Uuid.hpp"

#include <uuid/uuid.h>

namespace ferrywise {

Uuid Uuid::generate() {
    Uuid uuid;
    uuid_generate_random(uuid.bytes_.data());
    return uuid;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    // uuid_parse wants a NUL-terminated string of exactly 36 characters.
    if (text.size() != 36) {
        return std::nullopt;
    }
    std::string terminated(text);
    Uuid uuid;
    if (uuid_parse(terminated.c_str(), uuid.bytes_.data()) != 0) {
        return std::nullopt;
    }
    return uuid;
}

std::string Uuid::string() const {
    char text[37];
    uuid_unparse_upper(bytes_.data(), text);
    return std::string(text, 36);
}

}  // namespace ferrywise
