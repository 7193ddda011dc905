// Any bytes from a site: as a favicon body they decode to a picture within the size limit that keeps the
// bytes as given, or to none, without crashing; as a host they normalise and give a monogram.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "ferrywise/applications/FaviconService.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ferrywise;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (auto image = Image::decode(bytes)) {
        if (image->data() != bytes || image->width() < 1 || image->height() < 1 ||
            image->width() > Image::maximumDimension || image->height() > Image::maximumDimension) {
            std::abort();
        }
    }
    (void)FaviconService::normalize(bytes);
    auto monogram = FaviconService::monogram(bytes);
    if (monogram.letter.empty() || monogram.color.hue < 0 || monogram.color.hue > 1) {
        std::abort();
    }
    return 0;
}
