#include "ferrywise/foundation/Image.hpp"

#include <fstream>
#include <iterator>

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include "ferrywise/foundation/Sha256.hpp"

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

std::string dataFile(const char* name) {
    std::ifstream file(std::string(FERRYWISE_TEST_DATA_DIR "/") + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// A plain picture of this size encoded by gdk-pixbuf in `format` ("png", "jpeg", "bmp", "tiff").
std::string encoded(int width, int height, const char* format) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    gdk_pixbuf_fill(pixbuf, 0x3366ccff);
    gchar* buffer = nullptr;
    gsize size = 0;
    EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, format, nullptr, nullptr)) << format;
    std::string data(buffer, size);
    g_free(buffer);
    g_object_unref(pixbuf);
    return data;
}

// `data` with four bytes at `offset` replaced by 0xFFFFFFF0 (little-endian).
std::string withHugeField(std::string data, std::size_t offset) {
    data.replace(offset, 4, "\xF0\xFF\xFF\xFF");
    return data;
}

TEST(Image, ReadsTheIconFormatsWithTheirSizeAndRefusesEverythingElse) {
    struct Row {
        std::string data;
        const char* format;  // nullptr: refused
        int width = 0;
        int height = 0;
    };
    const std::string png = dataFile("favicon-16.png"), ico = dataFile("favicon-32.ico"),
                      bmp = encoded(5, 7, "bmp");
    const Row rows[] = {
        {ico, "ico", 32, 32},
        {png, "png", 16, 16},
        {encoded(24, 12, "jpeg"), "jpeg", 24, 12},
        {bmp, "bmp", 5, 7},
        {encoded(Image::maximumDimension, 1, "png"), "png", Image::maximumDimension, 1},
        // Too large a side, though readable; a format icons do not come in; broken or no pictures.
        {encoded(Image::maximumDimension + 1, 1, "png"), nullptr},
        {encoded(1, Image::maximumDimension + 1, "jpeg"), nullptr},
        {encoded(4, 4, "tiff"), nullptr},
        // Headers that declare parts far beyond the data (an image's offset, an info header's size).
        {withHugeField(ico, 18), nullptr},
        {withHugeField(bmp, 14), nullptr},
        {png.substr(0, png.size() / 2), nullptr},
        {"GIF89a\x01\x00\x01\x00", nullptr},
        {"<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'/>", nullptr},
        {"<html>Not Found</html>", nullptr},
        {"", nullptr},
    };
    for (const auto& row : rows) {
        auto image = Image::decode(row.data);
        ASSERT_EQ(image.has_value(), row.format != nullptr) << row.data.substr(0, 12);
        if (image) {
            EXPECT_EQ(image->format(), row.format);
            EXPECT_EQ(image->width(), row.width);
            EXPECT_EQ(image->height(), row.height);
            EXPECT_EQ(image->data(), row.data);  // the bytes as given, for the cache and the views
        }
    }
}

TEST(Image, ReadsFilesUpToTheGivenSize) {
    testing::TemporaryFolder folder;
    const auto png = dataFile("favicon-16.png");
    const auto path = folder.write("icon", png);
    EXPECT_EQ(Image::fromFile(path, png.size()), Image::decode(png));
    EXPECT_EQ(Image::fromFile(path, png.size() - 1), std::nullopt);
    EXPECT_EQ(Image::fromFile(folder.path() / "missing", 1024), std::nullopt);
    EXPECT_EQ(Image::fromFile(folder.path(), 1024), std::nullopt);  // a folder
}

TEST(Sha256, DigestsMatchThePublishedVectorsInOnePieceOrMany) {
    EXPECT_EQ(Sha256::hexadecimal(Sha256::of("")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    Sha256 pieces;
    pieces.update("a");
    pieces.update("bc");
    EXPECT_EQ(Sha256::hexadecimal(pieces.finish()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace ferrywise
