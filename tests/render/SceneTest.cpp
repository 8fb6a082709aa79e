// The scene: the stroke in progress, control curves with their colours, and the mesh
// as shaded surfaces or lit edges. Models are built by hand; at the default view,
// view coordinates equal model x and y.
#include <cmath>

#include "RenderSupport.h"
#include "support/MeshBuilders.h"

namespace {

constexpr int kSurfaces = ID_DISPLAY_SURFACES;
constexpr int kEdges = ID_DISPLAY_EDGES;

bool IsGrey(Image::Rgb p) { return IsNear(p, 128, 128, 128, 2); }
bool IsBlue(Image::Rgb p) { return IsNear(p, 0, 0, 255); }
bool IsRed(Image::Rgb p) { return IsNear(p, 204, 0, 0); }
bool IsGreen(Image::Rgb p) { return IsNear(p, 0, 153, 0); }

int FaceOnShade() {
    return static_cast<int>(std::lround(255 * (0.5 + 0.5 * 2.0 / std::sqrt(6.0))));
}

// Vertices without faces, for curves drawn on their own.
std::vector<Vertex*> Points(CMainFrame& frame, const std::vector<Vec3>& positions) {
    return BuildMesh(frame, positions, {}).vertices;
}

// A stroke being drawn: a kind-0 curve whose samples are view-plane points in `work`.
Curve* AddStroke(CMainFrame& frame, const std::vector<DPoint>& samples) {
    std::vector<Vec3> positions(samples.size());
    std::vector<Vertex*> vertices = Points(frame, positions);
    for (size_t i = 0; i < samples.size(); ++i)
        vertices[i]->work = {samples[i].x, samples[i].y, 0.0};
    return AddCurve(frame, vertices, kStrokeCurve);
}

}  // namespace

class SceneTest : public RenderTest {
protected:
    Image::Rgb PixelAt(const Image& image, double vx, double vy) const {
        int px = 0, py = 0;
        ViewToPixel(vx, vy, &px, &py);
        return image.At(px, py);
    }
    // Pixels of a 5 by 5 neighbourhood of a view point that satisfy `pred`: lines may
    // land a pixel to either side of the ideal one.
    template <class Pred>
    int CountNear(const Image& image, double vx, double vy, Pred pred) const {
        int px = 0, py = 0;
        ViewToPixel(vx, vy, &px, &py);
        return FindPixels(image, pred, px - 2, py - 2, px + 2, py + 2).count;
    }
};

TEST_F(SceneTest, CurveVerticesAreBlueWhenSmoothRedOtherwiseAndSegmentsBlend) {
    std::vector<Vertex*> v = Points(frame, {{-60, 30, 0}, {0, 30, 0}, {60, 30, 0}});
    AddCurve(frame, v, kOpenCurve);
    v[1]->kind = kSharpVertex;
    frame.m_nModelState = 2;
    const Image image = Render();

    EXPECT_TRUE(IsBlue(PixelAt(image, -60, 30)));
    EXPECT_TRUE(IsRed(PixelAt(image, 0, 30)));
    EXPECT_TRUE(IsBlue(PixelAt(image, 60, 30)));
    // Smooth shading: halfway along a blue-to-red segment the line is a mix of both.
    const int mixed = CountNear(image, -30, 30, [](Image::Rgb p) {
        return p.g == 0 && p.r > 60 && p.r < 150 && p.b > 60 && p.b < 190;
    });
    EXPECT_GT(mixed, 0);
}

TEST_F(SceneTest, ClosedCurveClosesTheLoopOpenCurveDoesNot) {
    for (int kind : {kClosedCurve, kOpenCurve}) {
        SCOPED_TRACE(kind == kClosedCurve ? "closed" : "open");
        ReleaseModel(frame);
        std::vector<Vertex*> v = Points(frame, {{-60, -40, 0}, {60, -40, 0}, {0, 60, 0}});
        AddCurve(frame, v, kind);
        frame.m_nModelState = 2;
        const Image image = Render();
        // Middle of the segment from the last vertex back to the first.
        const int blue = CountNear(image, -30, 10, IsBlue);
        if (kind == kClosedCurve)
            EXPECT_GT(blue, 0);
        else
            EXPECT_EQ(blue, 0);
        // The other two segments are there either way.
        EXPECT_GT(CountNear(image, 0, -40, IsBlue), 0);
        EXPECT_GT(CountNear(image, 30, 10, IsBlue), 0);
    }
}

TEST_F(SceneTest, StrokeInProgressIsGreyOverTheModelAndEndsAtTheMouse) {
    MakeIcosphere(frame, 70, 2);
    AddStroke(frame, {{-90, 10}, {0, 10}, {40, 10}});
    frame.m_ptMouse = {40, -50};

    for (int show : {1, 0}) {
        SCOPED_TRACE(show ? "control vertices shown" : "control vertices hidden");
        frame.m_bShowControlVertices = show;
        const Image image = Render();
        // The sphere is there just beside the stroke, and the stroke is drawn over it.
        EXPECT_FALSE(IsWhite(PixelAt(image, 20, 0)));
        EXPECT_GT(CountNear(image, 20, 10, IsGrey), 0);
        EXPECT_GT(CountNear(image, -45, 10, IsGrey), 0);
        // The last segment runs from the newest sample to the mouse.
        EXPECT_GT(CountNear(image, 40, -20, IsGrey), 0);
        // A sample is a 3 by 3 point when control vertices are shown; a bare line
        // crosses a 5 by 5 neighbourhood in at most 5 pixels.
        const int atSample = CountNear(image, 0, 10, IsGrey);
        if (show)
            EXPECT_GE(atSample, 9);
        else
            EXPECT_LE(atSample, 5);
    }
}

TEST_F(SceneTest, ModelStateOneHighlightsOnlyTheNewestModelCurve) {
    std::vector<Vertex*> older = Points(frame, {{-60, -40, 0}, {60, -40, 0}});
    AddCurve(frame, older, kOpenCurve);
    older[1]->kind = kSharpVertex;
    std::vector<Vertex*> newer = Points(frame, {{-60, 40, 0}, {60, 40, 0}});
    AddCurve(frame, newer, kOpenCurve);
    newer[1]->kind = kSharpVertex;

    frame.m_nModelState = 1;
    Image image = Render();
    EXPECT_TRUE(IsGreen(PixelAt(image, -60, 40)));
    EXPECT_TRUE(IsGreen(PixelAt(image, 60, 40)));
    EXPECT_GT(CountNear(image, 0, 40, IsGreen), 0);
    EXPECT_TRUE(IsBlue(PixelAt(image, -60, -40)));
    EXPECT_TRUE(IsRed(PixelAt(image, 60, -40)));

    // Idle model: the newest curve shows its own colours.
    frame.m_nModelState = 2;
    image = Render();
    EXPECT_TRUE(IsBlue(PixelAt(image, -60, 40)));
    EXPECT_TRUE(IsRed(PixelAt(image, 60, 40)));

    // A stroke being drawn in state 1 is not a model curve: the highlight stays on the
    // curve just behind it.
    frame.m_nModelState = 1;
    AddStroke(frame, {{-60, 0}, {60, 0}});
    frame.m_ptMouse = {60, 0};
    image = Render();
    EXPECT_TRUE(IsGrey(PixelAt(image, -60, 0)));
    EXPECT_TRUE(IsGreen(PixelAt(image, -60, 40)));
    EXPECT_TRUE(IsBlue(PixelAt(image, -60, -40)));
}

TEST_F(SceneTest, ShowControlVerticesOffHidesCurvePointsButKeepsLines) {
    std::vector<Vertex*> v = Points(frame, {{-60, 0, 0}, {0, 0, 0}, {60, 0, 0}});
    AddCurve(frame, v, kOpenCurve);
    frame.m_nModelState = 2;
    frame.m_bShowControlVertices = 1;
    const Image shown = Render();
    frame.m_bShowControlVertices = 0;
    const Image hidden = Render();
    EXPECT_GE(CountNear(shown, 0, 0, IsBlue), 9);
    EXPECT_LE(CountNear(hidden, 0, 0, IsBlue), 5);
    EXPECT_GT(CountNear(hidden, 0, 0, IsBlue), 0);
    EXPECT_GT(CountNear(hidden, 30, 0, IsBlue), 0);
}

TEST_F(SceneTest, CurvesAreLiftedTowardTheViewerAboveTheSurface) {
    // A chord between two surface points can pass just under a bulging surface; the
    // curve is drawn one model unit toward the viewer so the surface does not hide it.
    // Here the curve lies half a unit behind a face-on square, seen from the front
    // and, turned round, from the back.
    BuildMesh(frame, {{-50, -50, 0}, {50, -50, 0}, {50, 50, 0}, {-50, 50, 0}},
              {{0, 1, 2}, {0, 2, 3}, {2, 1, 0}, {3, 2, 0}});
    for (int azimuth : {0, 180}) {
        SCOPED_TRACE(azimuth);
        const double behind = azimuth == 0 ? -0.5 : 0.5;
        std::vector<Vertex*> v = Points(frame, {{-40, 0, behind}, {40, 0, behind}});
        AddCurve(frame, v, kOpenCurve);
        frame.m_nModelState = 2;
        SetView(frame, 0, azimuth);
        const Image image = Render();
        EXPECT_GT(CountNear(image, 0, 0, IsBlue), 0);
        EXPECT_FALSE(IsWhite(PixelAt(image, 25, -10)));
        // Only one curve at a time.
        frame.m_pCurves->kind = kOpenCurve;
        Curve* c = frame.m_pCurves;
        frame.m_pCurves = c->next;
        for (CurveLink* l = c->first; l;) {
            CurveLink* next = l->next;
            delete l;
            l = next;
        }
        delete c;
    }
}

TEST_F(SceneTest, SurfacesShadeTheMeshEdgesDrawLitTriangleOutlines) {
    MakeIcosphere(frame, 80, 2);
    const Image surfaces = Render();
    frame.OnDisplayMode(kEdges);
    const Image edges = Render();

    // Inside the silhouette: solid in Surfaces, mostly background between the edges.
    auto inside = [this](const Image& image, auto pred) {
        int n = 0, total = 0;
        for (double x = -70; x <= 70; x += 2)
            for (double y = -70; y <= 70; y += 2)
                if (x * x + y * y < 70 * 70) {
                    ++total;
                    n += pred(PixelAt(image, x, y)) ? 1 : 0;
                }
        return static_cast<double>(n) / total;
    };
    EXPECT_EQ(inside(surfaces, IsWhite), 0.0);
    EXPECT_GT(inside(edges, IsWhite), 0.3);
    EXPECT_GT(inside(edges, [](Image::Rgb p) { return !IsWhite(p); }), 0.1);
    // Facing the viewer, the centre is lit by light 0 from the upper left front.
    const Image::Rgb centre = PixelAt(surfaces, 0, 0);
    EXPECT_NEAR(centre.r, FaceOnShade(), 12);
    // Lit surfaces are brighter toward the light (upper left) than away from it.
    EXPECT_GT(PixelAt(surfaces, -40, 40).r, PixelAt(surfaces, 40, -40).r + 40);
}

class SharpCornerTest : public SceneTest {
protected:
    // A square facing the viewer whose vertex normals point away from it: smooth
    // shading sees only the ambient light, the facet normal sees light 0 as well.
    void SetUp() override {
        SceneTest::SetUp();
        if (IsSkipped()) return;
        square = BuildMesh(frame, {{-50, -50, 0}, {50, -50, 0}, {50, 50, 0}, {-50, 50, 0}},
                           {{0, 1, 2}, {0, 2, 3}});
        for (Vertex* v : square.vertices) v->normal = {0, 0, -1};
        frame.m_nModelState = 2;
    }
    BuiltMesh square;
    static constexpr int kAmbientOnly = 128;
};

TEST_F(SharpCornerTest, SurfacesUseFaceNormalAtSharpCornersOnly) {
    Image image = Render();
    EXPECT_NEAR(PixelAt(image, 0, 0).r, kAmbientOnly, 2);

    for (Vertex* v : square.vertices) v->kind = kSharpVertex;
    image = Render();
    EXPECT_NEAR(PixelAt(image, 0, 0).r, FaceOnShade(), 2);
    EXPECT_NEAR(PixelAt(image, -45, 45).r, FaceOnShade(), 2);

    // One sharp corner: bright beside it, ambient toward the smooth opposite corner.
    for (Vertex* v : square.vertices) v->kind = kSurfaceVertex;
    square.vertices[0]->kind = kSharpVertex;
    image = Render();
    EXPECT_GT(PixelAt(image, -46, -46).r, 200);
    EXPECT_NEAR(PixelAt(image, 46, 46).r, kAmbientOnly, 4);
}

TEST_F(SharpCornerTest, EdgesUseTheVertexNormalEvenAtSharpCorners) {
    // In Edges mode light 0 shines from behind the model, along (0, 0, -1). Vertex
    // normals half turned toward it are lit; the facet normal (0, 0, 1) would get only
    // the ambient light.
    for (Vertex* v : square.vertices) {
        v->kind = kSharpVertex;
        v->normal = {0, 0.6, -0.8};
    }
    frame.OnDisplayMode(kEdges);
    const Image image = Render();
    const int lit = static_cast<int>(std::lround(255 * (0.5 + 0.5 * 0.8)));
    // The square's outline, well away from the marker.
    const Box edge = FindPixels(
        image, [](Image::Rgb p) { return !IsWhite(p); }, 0, 0, kWidth - 1, kHeight - 110);
    ASSERT_GT(edge.count, 100);
    const Box litEdge = FindPixels(
        image, [lit](Image::Rgb p) { return IsNear(p, lit, lit, lit); }, 0, 0, kWidth - 1,
        kHeight - 110);
    EXPECT_EQ(litEdge.count, edge.count);
}

TEST_F(SceneTest, FrameWithoutUsableProjectionIsOnlyCleared) {
    // A projection without extent (as for a minimised window) cannot be loaded; the
    // frame is cleared rather than drawn with whatever projection is left.
    // The sphere is small enough to fill much of the window if drawn without one.
    MakeIcosphere(frame, 0.5, 1);
    for (int i = 0; i < 4; ++i) frame.m_adOrtho[i] = 0.0;
    const Image image = Render();
    EXPECT_EQ(FindPixels(image, [](Image::Rgb p) { return !IsWhite(p); }).count, 0);
}
