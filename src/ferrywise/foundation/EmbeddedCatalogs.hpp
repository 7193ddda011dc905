#pragma once

// The compiled message catalogues (.mo) of resources/po/, embedded in the library at build time.

#include <cstddef>
#include <span>
#include <string_view>

namespace ferrywise {

struct EmbeddedCatalog {
    std::string_view name;  // "zh_CN"
    const char* data;
    std::size_t size;
};

// Every embedded catalogue; generated from resources/po/*.po.
[[nodiscard]] std::span<const EmbeddedCatalog> embeddedCatalogs();

}  // namespace ferrywise
