// The PNG writer used for render test failures and the replay tool's --png.
#include <png.h>

#include <cstdio>
#include <filesystem>

#include "RenderSupport.h"
#include "host/Png.h"

namespace {

// Reads a PNG back as RGBA with libpng's simplified reader.
bool ReadPng(const std::string& path, Image* image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGBA;
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    image->rgba.resize(PNG_IMAGE_SIZE(png));
    const bool ok = png_image_finish_read(&png, nullptr, image->rgba.data(), 0, nullptr) != 0;
    png_image_free(&png);
    return ok;
}

}  // namespace

TEST(WritePng, WritesTheImageTopRowFirst) {
    Image written{3, 2, {}};
    for (int i = 0; i < 3 * 2 * 4; ++i) written.rgba.push_back(static_cast<uint8_t>(i * 10));
    const std::string path = ::testing::TempDir() + "pliform-png-roundtrip.png";
    std::string error;
    ASSERT_TRUE(WritePng(path, written.width, written.height, written.rgba, &error)) << error;
    Image read;
    ASSERT_TRUE(ReadPng(path, &read));
    EXPECT_EQ(CompareImages(written, read).differing, 0);
    EXPECT_TRUE(CompareImages(written, read).sameSize);
    std::remove(path.c_str());
}

TEST(WritePng, RefusesABufferOfTheWrongSize) {
    const std::string path = ::testing::TempDir() + "pliform-png-short.png";
    std::string error;
    EXPECT_FALSE(WritePng(path, 4, 4, std::vector<uint8_t>(4 * 4 * 3), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(WritePng, ReportsAnUnwritablePath) {
    const std::string path = ::testing::TempDir() + "no-such-directory/image.png";
    std::string error;
    EXPECT_FALSE(WritePng(path, 1, 1, std::vector<uint8_t>(4, 0), &error));
    EXPECT_NE(error.find("no-such-directory"), std::string::npos);
}
