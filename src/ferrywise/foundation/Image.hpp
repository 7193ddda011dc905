#pragma once

// Image is a picture as its encoded bytes with its size in pixels: a favicon or an icon file as it was
// downloaded or read, checked by decoding it once (gdk-pixbuf). Views decode the bytes with their own
// toolkit; the library only needs to know that they are a picture and how large it is. Only the formats
// site and application icons come in are read (PNG, ICO/CUR, GIF, JPEG, BMP), recognised by their first
// bytes, so that bytes from the network never reach the decoders of other formats; pictures larger than
// maximumDimension on a side are refused before their pixels are decoded. Copies share the bytes.
//
//   auto image = Image::decode(body);  // none unless the bytes are a readable picture
//   image->width();                    // 32

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ferrywise {

class Image {
  public:
    // The largest width or height read, in pixels.
    static constexpr int maximumDimension = 4096;

    // Returns the picture in `data`; none when the bytes are not a complete picture of a known format or
    // are too large. Never throws (except when memory runs out).
    [[nodiscard]] static std::optional<Image> decode(std::string data);

    // Reads and decodes the file at `path`; none when it is missing, unreadable, larger than `maximumSize`
    // bytes or not a picture.
    [[nodiscard]] static std::optional<Image> fromFile(const std::filesystem::path& path,
                                                       std::size_t maximumSize);

    // The encoded bytes, exactly as given.
    [[nodiscard]] std::string_view data() const noexcept { return *data_; }
    // The format's short name: "png", "ico", "gif", "jpeg" or "bmp".
    [[nodiscard]] std::string_view format() const noexcept { return format_; }
    [[nodiscard]] int width() const noexcept { return width_; }
    [[nodiscard]] int height() const noexcept { return height_; }

    friend bool operator==(const Image& a, const Image& b) {
        return a.width_ == b.width_ && a.height_ == b.height_ && *a.data_ == *b.data_;
    }

  private:
    Image(std::shared_ptr<const std::string> data, std::string_view format, int width, int height)
        : data_(std::move(data)), format_(format), width_(width), height_(height) {}

    std::shared_ptr<const std::string> data_;
    std::string_view format_;  // one of the static names above
    int width_;
    int height_;
};

}  // namespace ferrywise
