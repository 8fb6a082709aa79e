// A frame sets every piece of fixed-function state it depends on, so its image never
// depends on what an earlier frame, or anyone else sharing the context, left behind.
#include <GL/gl.h>

#include "RenderSupport.h"
#include "support/MeshBuilders.h"
#include "view/Renderer.h"

namespace {

constexpr int kSurfaces = ID_DISPLAY_SURFACES;
constexpr int kEdges = ID_DISPLAY_EDGES;

// Changes every piece of state the renderer relies on to something that would show.
void LeaveStateBehind() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glViewport(0, 0, 20, 20);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 10, 10);
    glDepthRange(0.5, 1.0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glDepthFunc(GL_ALWAYS);
    glDepthMask(GL_FALSE);
    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
    glShadeModel(GL_FLAT);
    glPointSize(9.0f);
    glLineWidth(4.0f);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, 0xF0F0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScaled(0.1, 0.1, 0.1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotated(45.0, 0.0, 1.0, 0.0);
    const GLfloat sideways[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    const GLfloat red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, sideways);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, red);
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, red);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 50.0f);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, red);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, red);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glEnable(GL_FOG);
}

}  // namespace

class StateTest : public RenderTest {
protected:
    // A shaded sphere with a closed two-coloured curve over it, the newest curve
    // highlighted, and a stroke in progress: every pass of the frame draws something.
    void BuildScene() {
        BuiltMesh sphere = MakeIcosphere(frame, 70, 3);
        std::vector<Vertex*> ring;
        for (Vertex* v : sphere.vertices)
            if (v->position.z > 20 && v->position.y > 0 && ring.size() < 6) ring.push_back(v);
        Curve* older = AddCurve(frame, ring, kClosedCurve);
        older->first->vertex->kind = kSharpVertex;
        std::vector<Vertex*> newest(sphere.vertices.begin() + 20, sphere.vertices.begin() + 24);
        AddCurve(frame, newest, kOpenCurve);
        frame.m_nModelState = 1;
        std::vector<Vertex*> samples = BuildMesh(frame, {{}, {}, {}}, {}).vertices;
        samples[0]->work = {-80, -60, 0};
        samples[1]->work = {0, -30, 0};
        samples[2]->work = {30, -40, 0};
        AddCurve(frame, samples, kStrokeCurve);
        frame.m_ptMouse = {60, 10};
        SetView(frame, 25, 40);
    }
};

TEST_F(StateTest, FrameDoesNotDependOnStateLeftBehind) {
    BuildScene();
    for (int mode : {kSurfaces, kEdges}) {
        SCOPED_TRACE(mode);
        frame.OnDisplayMode(mode);
        const Image first = Render();
        LeaveStateBehind();
        const Image second = Render();
        ExpectSameImage(first, second, mode == kSurfaces ? "state-surfaces" : "state-edges");
    }
}

TEST_F(StateTest, FreshContextDrawsTheSameAsAWellUsedOne) {
    BuildScene();
    LeaveStateBehind();
    const Image used = Render();
    OffscreenGL fresh(kWidth, kHeight);
    ASSERT_TRUE(fresh.ok()) << fresh.error();
    fresh.MakeCurrent();
    RenderScene(frame);
    const Image first{kWidth, kHeight, fresh.ReadPixels()};
    ExpectSameImage(first, used, "fresh-context");
}

TEST_F(StateTest, IcosphereFrameIsPixelExactAcrossRenders) {
    // The reference for work on drawing speed: a ~20k-triangle sphere, drawn twice
    // with other frames between, must come out identical.
    MakeIcosphere(frame, 90, 5);
    const Image reference = Render();
    ASSERT_GT(FindPixels(reference, [](Image::Rgb p) { return !IsWhite(p); }).count, 10000);
    frame.OnDisplayMode(kEdges);
    Render();
    frame.OnDisplayMode(kSurfaces);
    ExpectSameImage(reference, Render(), "icosphere");
}

TEST_F(StateTest, ClientArrayStateIsLeftAsItWasFound) {
    // The mesh goes out through vertex arrays; whoever else draws in the context must
    // find its own array switches and pointers untouched, and arrays it left on must
    // not leak into the mesh.
    BuildScene();
    const Image clean = Render();
    const GLfloat colour[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat place[3] = {0.0f, 0.0f, 0.0f};
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, colour);
    glVertexPointer(3, GL_FLOAT, 0, place);
    glDisableClientState(GL_VERTEX_ARRAY);
    for (int mode : {kSurfaces, kEdges}) {
        SCOPED_TRACE(mode);
        frame.OnDisplayMode(mode);
        const Image image = Render();
        if (mode == kSurfaces) ExpectSameImage(clean, image, "client-arrays");
        EXPECT_TRUE(glIsEnabled(GL_COLOR_ARRAY));
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
        EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
        GLvoid* pointer = nullptr;
        glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
        EXPECT_EQ(pointer, static_cast<const void*>(place));
        glGetPointerv(GL_COLOR_ARRAY_POINTER, &pointer);
        EXPECT_EQ(pointer, static_cast<const void*>(colour));
    }
    glDisableClientState(GL_COLOR_ARRAY);
}

TEST(ImageCheck, FindsASinglePixelDifferenceAndSizeMismatch) {
    Image a{4, 3, std::vector<uint8_t>(4 * 3 * 4, 255)};
    Image b = a;
    EXPECT_EQ(CompareImages(a, b).differing, 0);
    b.rgba[(2 * 4 + 1) * 4 + 3] = 254;  // alpha of the pixel in column 1, row 2
    const ImageDiff diff = CompareImages(a, b);
    EXPECT_TRUE(diff.sameSize);
    EXPECT_EQ(diff.differing, 1);
    EXPECT_EQ(diff.firstX, 1);
    EXPECT_EQ(diff.firstY, 2);
    const Image c{3, 4, a.rgba};
    EXPECT_FALSE(CompareImages(a, c).sameSize);
}

TEST(OffscreenContext, EmptySizeIsRefusedWithAReason) {
    // Render tests skip on !ok() and print error(): it must never be ok without buffers.
    OffscreenGL empty(0, 10);
    EXPECT_FALSE(empty.ok());
    EXPECT_FALSE(empty.error().empty());
    EXPECT_TRUE(empty.ReadPixels().empty());
}
