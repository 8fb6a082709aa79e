// The renderer's batched vertex arrays against the one-call-per-vertex drawing they
// replaced: every scene must come out identical to the pixel, in both display modes.
#include <gtest/gtest.h>

#include <string>

#include "ReferenceRenderer.h"
#include "render/RenderSupport.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"
#include "view/Renderer.h"

namespace {

constexpr int kSurfaces = ID_DISPLAY_SURFACES;
constexpr int kEdges = ID_DISPLAY_EDGES;

struct Window {
    OffscreenGL gl;
    TestFrame scene;
    CMainFrame& frame = scene.frame;
    explicit Window(int width = 600, int height = 600) : gl(width, height), scene(width, height) {}
    ~Window() { ReleaseModel(frame); }
    template <typename Draw>
    Image Render(Draw draw) {
        gl.MakeCurrent();
        draw(frame, 1.0);
        return Image{gl.width(), gl.height(), gl.ReadPixels()};
    }
};

void ExpectSameInBothModes(Window& w, const std::string& name) {
    for (int mode : {kSurfaces, kEdges}) {
        SCOPED_TRACE(name + (mode == kSurfaces ? " surfaces" : " edges"));
        w.frame.OnDisplayMode(mode);
        // The software renderer's first frame of a scene may differ from later ones by
        // a shade in a few pixels, whichever way it is drawn; compare settled frames.
        w.Render(ReferenceRenderScene);
        const Image expected = w.Render(ReferenceRenderScene);
        const Image actual = w.Render(RenderScene);
        EXPECT_GT(FindPixels(expected, [](Image::Rgb p) { return !IsWhite(p); }).count, 2000);
        ExpectSameImage(expected, actual, name + (mode == kSurfaces ? "-surfaces" : "-edges"));
    }
}

}  // namespace

TEST(RenderIdentity, LargeSphereFromSeveralViews) {
    Window w;
    if (!w.gl.ok()) GTEST_SKIP() << w.gl.error();
    // 20480 triangles filling most of the window.
    BuiltMesh sphere = MakeIcosphere(w.frame, 120, 5);
    std::vector<Vertex*> ring(sphere.vertices.begin(), sphere.vertices.begin() + 40);
    AddCurve(w.frame, ring, kOpenCurve);
    for (auto [elevation, azimuth] : {std::pair{0, 0}, std::pair{20, 30}, std::pair{-70, 215}}) {
        SetView(w.frame, elevation, azimuth);
        ExpectSameInBothModes(
            w, "sphere-" + std::to_string(elevation) + "-" + std::to_string(azimuth));
    }
}

TEST(RenderIdentity, SharpCornersZeroAreaTrianglesAndAStroke) {
    Window w;
    if (!w.gl.ok()) GTEST_SKIP() << w.gl.error();
    BuiltMesh body = MakeIcosphere(w.frame, 150, 3);
    for (Vertex* v : body.vertices) v->position.y *= 0.6;
    // Sharp corners take the facet normal in Surfaces; a collapsed triangle has none.
    for (size_t i = 0; i < body.vertices.size(); i += 7) body.vertices[i]->kind = kSharpVertex;
    body.triangles[3]->corner[1]->position = body.triangles[3]->corner[0]->position;
    body.triangles[3]->corner[2]->kind = kSharpVertex;
    std::vector<Vertex*> closed(body.vertices.begin() + 12, body.vertices.begin() + 30);
    AddCurve(w.frame, closed, kClosedCurve);
    w.frame.m_nModelState = 1;
    std::vector<Vertex*> samples = BuildMesh(w.frame, {{}, {}, {}}, {}).vertices;
    samples[0]->work = {-200, -150, 0};
    samples[1]->work = {0, -60, 0};
    samples[2]->work = {90, -100, 0};
    AddCurve(w.frame, samples, kStrokeCurve);
    w.frame.m_ptMouse = {150, 40};
    SetView(w.frame, 35, 300);
    ExpectSameInBothModes(w, "sharp");
}

// Window shapes other than a square, and a mesh large enough to go out in several
// draws with a flush between them: sharp corners, both kinds of control curve and a
// stroke in progress in every one.
TEST(RenderIdentity, SeveralWindowSizesWithEveryKindOfDrawing) {
    for (auto [width, height] : {std::pair{173, 431}, std::pair{1000, 240}, std::pair{320, 320}}) {
        Window w(width, height);
        if (!w.gl.ok()) GTEST_SKIP() << w.gl.error();
        // 5120 triangles.
        BuiltMesh body = MakeIcosphere(w.frame, 80, 4);
        for (Vertex* v : body.vertices) v->position.x *= 1.4;
        for (size_t i = 0; i < body.vertices.size(); i += 5) body.vertices[i]->kind = kSharpVertex;
        std::vector<Vertex*> open(body.vertices.begin() + 3, body.vertices.begin() + 11);
        AddCurve(w.frame, open, kOpenCurve);
        std::vector<Vertex*> closed(body.vertices.begin() + 40, body.vertices.begin() + 52);
        AddCurve(w.frame, closed, kClosedCurve);
        std::vector<Vertex*> samples = BuildMesh(w.frame, {{}, {}, {}, {}}, {}).vertices;
        samples[0]->work = {-60, 30, 0};
        samples[1]->work = {-10, 50, 0};
        samples[2]->work = {20, 10, 0};
        samples[3]->work = {45, -25, 0};
        AddCurve(w.frame, samples, kStrokeCurve);
        w.frame.m_ptMouse = {70, -40};
        SetView(w.frame, -15, 130);
        ExpectSameInBothModes(w, "size-" + std::to_string(width) + "x" + std::to_string(height));
    }
}
