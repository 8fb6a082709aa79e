#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "host/HeadlessHost.h"
#include "host/Offscreen.h"

// An RGBA image, top row first, with the pixel helpers the render tests need.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    struct Rgb {
        int r = 0, g = 0, b = 0;
    };
    // Pixel in column x from the left and row y from the top.
    Rgb At(int x, int y) const;
    // Same, with y counted from the bottom edge (OpenGL window rows).
    Rgb AtFromBottom(int x, int yUp) const { return At(x, height - 1 - yUp); }
};

// Pixel-exact comparison of two images of the same size.
struct ImageDiff {
    bool sameSize = false;
    int differing = 0;  // number of pixels whose RGBA differ at all
    int firstX = -1;    // first differing pixel in row order
    int firstY = -1;
};
ImageDiff CompareImages(const Image& a, const Image& b);

// Fails the current test unless the images are identical; on failure both are written
// as PNG files named after `name` into the test temporary directory.
void ExpectSameImage(const Image& expected, const Image& actual, const std::string& name);

// Colour classes used by the scene.
bool IsWhite(Image::Rgb p);
bool IsNear(Image::Rgb p, int r, int g, int b, int tolerance = 3);

struct Box {
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive, rows from the top
    int count = 0;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};
// Bounding box and count of the pixels of the region that satisfy `pred`.
template <class Pred>
Box FindPixels(const Image& image, Pred pred, int left = 0, int top = 0, int right = -1,
               int bottom = -1) {
    if (right < 0) right = image.width - 1;
    if (bottom < 0) bottom = image.height - 1;
    Box box{image.width, image.height, -1, -1, 0};
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            if (pred(image.At(x, y))) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
    return box;
}

// Gives the frame the view angles and the matching m_ViewMatrix terms.
void SetView(CMainFrame& frame, int elevation, int azimuth);

// Fixture: an offscreen context and a frame set up as window creation and the first
// size message set it up. Skips (with the reason) when no context can be made.
class RenderTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 200;

    void SetUp() override;
    void TearDown() override;

    // The size message for a client area of w by h: viewport, projection and pixel
    // size for the current m_nZoom.
    void ApplyProjection(int w, int h);
    // Draws the frame's scene and reads it back.
    Image Render(double devicePixelRatio = 1.0);
    // Pixel of a view-plane point (model units, origin at the centre, y up).
    void ViewToPixel(double vx, double vy, int* px, int* py) const;

    std::unique_ptr<OffscreenGL> gl;
    HeadlessHost host;
    CMainFrame frame{&host};
};
