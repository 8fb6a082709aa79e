// The orientation marker: a ground plate 50 by 50 pixels with a vertical axis,
// centred 50 pixels from the lower left corner, turned with the view.
#include <cmath>

#include "RenderSupport.h"

namespace {

bool IsGrey(Image::Rgb p) { return IsNear(p, 128, 128, 128, 2); }

// Shade of a lit face seen face-on: the white ambient light on the grey material
// plus light 0 from (-1, 1, 2) in eye coordinates falling on normal (0, 0, 1).
int FaceOnShade() {
    const double diffuse = 2.0 / std::sqrt(6.0);
    return static_cast<int>(std::lround(255 * (0.5 + 0.5 * diffuse)));
}

// The pixels of the plate lit face-on, which must make a square of `side` pixels,
// give or take `slack`.
Box FaceOnPlate(const Image& image, int side, int slack) {
    const int shade = FaceOnShade();
    const Box plate =
        FindPixels(image, [shade](Image::Rgb p) { return IsNear(p, shade, shade, shade); });
    EXPECT_NEAR(plate.Width(), side, slack);
    EXPECT_NEAR(plate.Height(), side, slack);
    return plate;
}

struct PixelRun {
    int first = -1;
    int last = -2;
    int Length() const { return last - first + 1; }
};

// Longest run of grey pixels along one line of the image: `count` pixels from
// (x, yUp), each a step (dx, dy) on from the one before (rows from the bottom). The
// run's ends are counted along the line.
PixelRun GreyRun(const Image& image, int x, int yUp, int dx, int dy, int count) {
    PixelRun best, current;
    for (int i = 0; i < count; ++i) {
        if (IsGrey(image.AtFromBottom(x + i * dx, yUp + i * dy))) {
            if (current.Length() <= 0) current.first = i;
            current.last = i;
            if (current.Length() > best.Length()) best = current;
        } else {
            current = PixelRun{};
        }
    }
    return best;
}

// The longest grey run in the lower left 100 columns (`columns`) or 100 rows, and the
// column or row (from the bottom) it lies on.
struct LongestRun {
    PixelRun run;
    int line = -1;
};
LongestRun LongestGreyRun(const Image& image, bool columns) {
    LongestRun best;
    for (int i = 0; i < 100; ++i) {
        const PixelRun r = columns ? GreyRun(image, i, 0, 0, 1, image.height)
                                   : GreyRun(image, 0, i, 1, 0, image.width);
        if (r.Length() > best.run.Length()) best = {r, i};
    }
    return best;
}

}  // namespace

TEST_F(RenderTest, EmptySceneAtElevationZeroShowsPlateEdgeOnAndAxis) {
    const Image image = Render();

    // Only the marker in the lower left 100 by 100 pixels; everything else is white.
    const Box drawn = FindPixels(image, [](Image::Rgb p) { return !IsWhite(p); });
    ASSERT_GT(drawn.count, 0);
    EXPECT_GE(drawn.left, 0);
    EXPECT_LT(drawn.right, 100);
    EXPECT_GE(drawn.top, kHeight - 100);
    // Edge-on, the plate covers no pixel: all that shows is the grey outline, the
    // corner points and the axis.
    const Box grey = FindPixels(image, IsGrey);
    EXPECT_EQ(grey.count, drawn.count);

    // The axis is the column with the longest grey run, and the plate seen edge-on a
    // row of the same length through the centre: each line is 50 pixels (times the
    // 1.01 outline scale) with a 3-pixel point at each end.
    for (bool columns : {true, false}) {
        SCOPED_TRACE(columns ? "axis" : "plate");
        const LongestRun longest = LongestGreyRun(image, columns);
        EXPECT_NEAR(longest.line, 50, 1);
        EXPECT_NEAR(longest.run.Length() - 3, 50, 1);
        EXPECT_NEAR((longest.run.first + longest.run.last) / 2.0, 50, 1);
    }
}

TEST_F(RenderTest, TopViewShowsPlateFaceOnAsFiftyPixelSquare) {
    SetView(frame, 90, 0);
    const Image image = Render();
    const Box plate = FaceOnPlate(image, 50, 1);
    // Filled, but for the axis seen end-on as a point at the centre.
    EXPECT_GE(plate.count, 50 * 50 - 60);
    EXPECT_NEAR((plate.left + plate.right) / 2.0, 50, 1);
    EXPECT_NEAR(kHeight - 1 - (plate.top + plate.bottom) / 2.0, 50, 1);
    EXPECT_TRUE(IsGrey(image.AtFromBottom(50, 50)));
    // The grey outline lies just outside the lit plate.
    EXPECT_TRUE(IsGrey(image.At(plate.left - 1, (plate.top + plate.bottom) / 2)));
    EXPECT_TRUE(IsGrey(image.At(plate.right + 1, (plate.top + plate.bottom) / 2)));
}

TEST_F(RenderTest, BottomViewShowsLitUndersideWithUnlitGreyOutline) {
    // From below, the plate's bottom face looks at the viewer and is lit; the outline
    // and points are drawn unlit in grey, not in the shade of the last plate normal.
    SetView(frame, -90, 0);
    const Image image = Render();
    const Box plate = FaceOnPlate(image, 50, 1);
    const int midRow = (plate.top + plate.bottom) / 2;
    const int midColumn = (plate.left + plate.right) / 2;
    EXPECT_TRUE(IsGrey(image.At(plate.left - 1, midRow)));
    EXPECT_TRUE(IsGrey(image.At(plate.right + 1, midRow)));
    EXPECT_TRUE(IsGrey(image.At(midColumn, plate.top - 1)));
    EXPECT_TRUE(IsGrey(image.At(midColumn, plate.bottom + 1)));
}

TEST_F(RenderTest, MarkerKeepsItsPixelSizeAtAnyZoomAndWindowShape) {
    // Zoomed all the way out, in a window wider than tall: the marker is measured in
    // pixels, not model units, and sits in the lower left corner.
    frame.m_nZoom = kMaxZoom;
    ApplyProjection(kWidth, kHeight - 60);
    SetView(frame, 90, 0);
    const Image image = Render();
    const Box plate = FaceOnPlate(image, 50, 1);
    EXPECT_NEAR((plate.left + plate.right) / 2.0, 50, 1);
    EXPECT_NEAR(kHeight - 1 - (plate.top + plate.bottom) / 2.0, 50, 1);
}

TEST_F(RenderTest, DevicePixelRatioScalesViewportAndPoints) {
    // A frame of 100 by 100 logical pixels drawn at ratio 2 fills the 200 by 200
    // buffer: the marker is twice as large in device pixels.
    ApplyProjection(kWidth / 2, kHeight / 2);
    SetView(frame, 90, 0);
    const Image image = Render(2.0);
    const Box plate = FaceOnPlate(image, 100, 2);
    EXPECT_NEAR((plate.left + plate.right) / 2.0, 100, 2);
    // The axis seen end-on is a point of 3 logical pixels: 6 device pixels wide.
    const Box centre = FindPixels(
        image, [](Image::Rgb p) { return IsGrey(p); }, 90, 90, 110, 110);
    EXPECT_EQ(centre.Width(), 6);
}

TEST_F(RenderTest, DevicePixelRatioScalesLineWidth) {
    // At ratio 2 the marker's vertical axis (elevation 0) is two device pixels wide, as
    // one logical pixel is: the scaled picture is the same picture at twice the pixels.
    ApplyProjection(kWidth / 2, kHeight / 2);
    const Image image = Render(2.0);
    // Rows well between the plate (at the centre) and the axis end points.
    const Box axis = FindPixels(
        image, [](Image::Rgb p) { return IsGrey(p); }, 80, 60, 120, 80);
    EXPECT_EQ(axis.Width(), 2);
}
