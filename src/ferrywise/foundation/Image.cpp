#include "ferrywise/foundation/Image.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "ferrywise/foundation/JsonFile.hpp"

namespace ferrywise {
namespace {

struct Signature {
    std::string_view magic;
    std::string_view format;  // gdk-pixbuf's loader name
};

// How each accepted format begins. ICO and CUR share one loader.
constexpr std::array signatures{
    Signature{std::string_view("\x89PNG\r\n\x1a\n", 8), "png"},
    Signature{std::string_view("\0\0\1\0", 4), "ico"},
    Signature{std::string_view("\0\0\2\0", 4), "ico"},
    Signature{"GIF87a", "gif"},
    Signature{"GIF89a", "gif"},
    Signature{"\xFF\xD8\xFF", "jpeg"},
    Signature{"BM", "bmp"},
};

std::optional<std::string_view> formatOf(std::string_view data) {
    auto found = std::ranges::find_if(
        signatures, [&](const Signature& signature) { return data.starts_with(signature.magic); });
    return found == signatures.end() ? std::nullopt : std::optional(found->format);
}

// A loader must be closed exactly once before it goes; closing one that did not finish abandons it. A
// failed write has already closed it.
class Loader {
  public:
    explicit Loader(std::string_view format)
        : loader_(gdk_pixbuf_loader_new_with_type(std::string(format).c_str(), nullptr)) {}
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;
    ~Loader() {
        if (loader_ != nullptr) {
            (void)close();
            g_object_unref(loader_);
        }
    }

    [[nodiscard]] GdkPixbufLoader* get() const noexcept { return loader_; }

    bool write(std::string_view data) {
        if (!gdk_pixbuf_loader_write(loader_, reinterpret_cast<const guchar*>(data.data()), data.size(),
                                     nullptr)) {
            closed_ = true;
            return false;
        }
        return true;
    }

    // Ends the data; returns whether the picture was complete.
    bool close() {
        if (closed_) {
            return false;
        }
        closed_ = true;
        return gdk_pixbuf_loader_close(loader_, nullptr) != FALSE;
    }

  private:
    GdkPixbufLoader* loader_;
    bool closed_ = false;
};

std::uint64_t littleEndian(std::string_view data, std::size_t offset, std::size_t length) {
    std::uint64_t value = 0;
    for (std::size_t index = length; index-- > 0;) {
        value = (value << 8) | static_cast<unsigned char>(data[offset + index]);
    }
    return value;
}

// Whether the offsets and sizes an ICO or BMP header declares lie within the data. Their loaders size
// their buffers by these fields before reading on, so a few hostile bytes could otherwise make them
// reserve gigabytes.
bool declaredPartsFit(std::string_view format, std::string_view data) {
    if (format == "bmp") {
        // The file header (14 bytes), then the info header, whose own size says which version it is.
        if (data.size() < 18) {
            return false;
        }
        const auto infoSize = littleEndian(data, 14, 4);
        return infoSize >= 12 && infoSize <= 124 && littleEndian(data, 10, 4) <= data.size();
    }
    if (format == "ico") {
        // A 6-byte header with the number of images, then 16 bytes per image ending in its size and offset.
        const std::uint64_t count = data.size() >= 6 ? littleEndian(data, 4, 2) : 0;
        if (count == 0 || 6 + 16 * count > data.size()) {
            return false;
        }
        for (std::uint64_t entry = 6; entry < 6 + 16 * count; entry += 16) {
            if (littleEndian(data, entry + 12, 4) + littleEndian(data, entry + 8, 4) > data.size()) {
                return false;
            }
        }
    }
    return true;
}

struct Measure {
    int width = 0;
    int height = 0;
    bool tooLarge = false;
};

// Called once the loader knows the size, before it allocates the pixels. A picture that is too large gets
// the size 0 × 0, which makes the loaders stop with an error before allocating anything (gdk-pixbuf's own
// gdk_pixbuf_get_file_info stops them the same way).
void sizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
    auto& measure = *static_cast<Measure*>(data);
    measure.width = width;
    measure.height = height;
    if (width > Image::maximumDimension || height > Image::maximumDimension) {
        measure.tooLarge = true;
        gdk_pixbuf_loader_set_size(loader, 0, 0);
    }
}

}  // namespace

std::optional<Image> Image::decode(std::string data) {
    auto format = formatOf(data);
    if (!format || !declaredPartsFit(*format, data)) {
        return std::nullopt;
    }
    Measure measure;  // declared first: the loader, which reports to it, goes first
    Loader loader(*format);
    if (loader.get() == nullptr) {
        return std::nullopt;  // the format's loader is not installed
    }
    g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(&sizePrepared), &measure);
    // Fed in pieces, so that a picture found too large by its header is abandoned early.
    constexpr std::size_t piece = 64 * 1024;
    for (std::size_t offset = 0; offset < data.size() && !measure.tooLarge; offset += piece) {
        if (!loader.write(std::string_view(data).substr(offset, piece))) {
            return std::nullopt;
        }
    }
    if (measure.tooLarge || !loader.close()) {
        return std::nullopt;
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
    if (pixbuf == nullptr) {
        return std::nullopt;
    }
    const int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    return Image(std::make_shared<const std::string>(std::move(data)), *format, width, height);
}

std::optional<Image> Image::fromFile(const std::filesystem::path& path, std::size_t maximumSize) {
    // The size is checked before reading, so an oversized file is never loaded, and after, in case it grew.
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > maximumSize) {
        return std::nullopt;
    }
    auto data = JsonFile::readData(path);
    if (!data || data->size() > maximumSize) {
        return std::nullopt;
    }
    return decode(std::move(*data));
}

}  // namespace ferrywise
