#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/MainFrame.h"
#include "host/HeadlessHost.h"
#include "host/ReplayPng.h"
#include "support/MeshBuilders.h"

namespace {

uint32_t BigEndian(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

class ReplayPng : public ::testing::Test {
protected:
    ReplayPng() : frame(&host) {
        frame.OnCreate();
        path = (std::filesystem::temp_directory_path() /
                (std::string("pliform_replay_png_") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png"))
                   .string();
        std::filesystem::remove(path);
    }
    ~ReplayPng() override { std::filesystem::remove(path); }

    HeadlessHost host;
    CMainFrame frame;
    std::string path;
};

// The picture has the client size, not the default window size.
TEST_F(ReplayPng, WritesAPngOfTheClientSize) {
    frame.OnSize(120, 80);
    MakeIcosphere(frame, 40.0, 1);
    std::string error;
    ASSERT_TRUE(RenderFrameToPng(frame, path, &error)) << error;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(BigEndian(bytes, 16), 120u);
    EXPECT_EQ(BigEndian(bytes, 20), 80u);
}

// A minimised window has nothing to draw; that is an error, not an empty file.
TEST_F(ReplayPng, EmptyClientAreaIsRefused) {
    frame.OnSize(0, 0);
    std::string error;
    EXPECT_FALSE(RenderFrameToPng(frame, path, &error));
    EXPECT_NE(error.find("0x0"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
