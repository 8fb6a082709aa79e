#include "RenderSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "host/Png.h"
#include "view/Renderer.h"

Image::Rgb Image::At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2]};
}

ImageDiff CompareImages(const Image& a, const Image& b) {
    ImageDiff diff;
    diff.sameSize = a.width == b.width && a.height == b.height && a.rgba.size() == b.rgba.size();
    if (!diff.sameSize) return diff;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const size_t i = (static_cast<size_t>(y) * a.width + x) * 4;
            if (!std::equal(a.rgba.begin() + i, a.rgba.begin() + i + 4, b.rgba.begin() + i)) {
                if (diff.differing++ == 0) {
                    diff.firstX = x;
                    diff.firstY = y;
                }
            }
        }
    return diff;
}

void ExpectSameImage(const Image& expected, const Image& actual, const std::string& name) {
    const ImageDiff diff = CompareImages(expected, actual);
    ASSERT_TRUE(diff.sameSize) << name << ": images differ in size";
    if (diff.differing == 0) return;
    const std::string dir = ::testing::TempDir();
    std::string error;
    WritePng(dir + name + "-expected.png", expected.width, expected.height, expected.rgba, &error);
    WritePng(dir + name + "-actual.png", actual.width, actual.height, actual.rgba, &error);
    ADD_FAILURE() << name << ": " << diff.differing << " pixels differ, first at (" << diff.firstX
                  << ", " << diff.firstY << "); images written to " << dir << name << "-*.png";
}

bool IsWhite(Image::Rgb p) { return p.r == 255 && p.g == 255 && p.b == 255; }

bool IsNear(Image::Rgb p, int r, int g, int b, int tolerance) {
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance &&
           std::abs(p.b - b) <= tolerance;
}

void SetView(CMainFrame& frame, int elevation, int azimuth) {
    frame.m_nElevation = elevation;
    frame.m_nAzimuth = azimuth;
    frame.ComputeViewMatrix();
}

void RenderTest::SetUp() {
    gl = std::make_unique<OffscreenGL>(kWidth, kHeight);
    if (!gl->ok()) GTEST_SKIP() << "no offscreen OpenGL context: " << gl->error();

    frame.OnCreate();
    frame.OnSize(kWidth, kHeight);
}

void RenderTest::ApplyProjection(int w, int h) { frame.OnSize(w, h); }

void RenderTest::TearDown() { ReleaseModel(frame); }

Image RenderTest::Render(double devicePixelRatio) {
    gl->MakeCurrent();
    RenderScene(frame, devicePixelRatio);
    return Image{gl->width(), gl->height(), gl->ReadPixels()};
}

void RenderTest::ViewToPixel(double vx, double vy, int* px, int* py) const {
    const double s = frame.m_dPixelSize;
    *px = static_cast<int>(std::floor(vx / s + frame.m_nClientWidth / 2.0));
    *py = frame.m_nClientHeight - 1 -
          static_cast<int>(std::floor(vy / s + frame.m_nClientHeight / 2.0));
}
