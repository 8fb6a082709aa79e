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
    diff.sameSize = a.width == b.width && a.height == b.height &&
                    a.rgba.size() == b.rgba.size();
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
    WritePng(dir + name + "-expected.png", expected.width, expected.height, expected.rgba,
             &error);
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
    constexpr double kRadian = 0.01745329252;
    const double se = std::sin(elevation * kRadian), ce = std::cos(elevation * kRadian);
    const double sa = std::sin(azimuth * kRadian), ca = std::cos(azimuth * kRadian);
    frame.m_nElevation = elevation;
    frame.m_nAzimuth = azimuth;
    const double terms[8] = {se, ce, sa, ca, sa * se, ca * se, sa * ce, ca * ce};
    std::copy(terms, terms + 8, frame.m_ViewMatrix);
}

void FreeModel(CMainFrame& frame) {
    for (Vertex* v = frame.m_pVertices; v;) {
        Vertex* next = v->next;
        delete v;
        v = next;
    }
    for (Curve* c = frame.m_pCurves; c;) {
        for (CurveLink* l = c->first; l;) {
            CurveLink* next = l->next;
            delete l;
            l = next;
        }
        Curve* next = c->next;
        delete c;
        c = next;
    }
    for (Triangle* t = frame.m_pTriangles; t;) {
        Triangle* next = t->next;
        delete t;
        t = next;
    }
    frame.m_pVertices = nullptr;
    frame.m_pCurves = nullptr;
    frame.m_pTriangles = nullptr;
}

void RenderTest::SetUp() {
    gl = std::make_unique<OffscreenGL>(kWidth, kHeight);
    if (!gl->ok()) GTEST_SKIP() << "no offscreen OpenGL context: " << gl->error();

    // The state window creation and the first size message give the frame.
    frame.m_nDisplayMode = 32771;
    frame.m_nTool = 32774;
    frame.m_bShowControlVertices = 1;
    frame.m_nZoom = 5000;
    frame.m_dStrokeStep = 10.0;
    frame.m_dNearSq = 100.0;
    SetView(frame, 0, 0);
    const float white[4] = {1, 1, 1, 1};
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1};
    const float light[4] = {-1, 1, 2, 0};
    std::copy(white, white + 4, frame.m_afClearColor);
    std::copy(white, white + 4, frame.m_afLightModelAmbient);
    std::copy(grey, grey + 4, frame.m_afMaterialAmbientDiffuse);
    std::copy(light, light + 4, frame.m_afLight0Position);
    frame.m_fPointSize = 3.0f;

    ApplyProjection(kWidth, kHeight);
}

void RenderTest::ApplyProjection(int w, int h) {
    frame.m_nClientWidth = w;
    frame.m_nClientHeight = h;
    const int viewport[4] = {0, 0, w, h};
    std::copy(viewport, viewport + 4, frame.m_anViewport);
    // The longer side spans 2 * 1.001^zoom model units.
    const double g = std::pow(1.001, frame.m_nZoom) / std::max(w, h);
    frame.m_dPixelSize = 2 * g;
    const double ortho[6] = {-g * w, g * w, -g * h, g * h, -1000, 1000};
    std::copy(ortho, ortho + 6, frame.m_adOrtho);
}

void RenderTest::TearDown() { FreeModel(frame); }

Image RenderTest::Render(double devicePixelRatio) {
    gl->MakeCurrent();
    RenderScene(frame, devicePixelRatio);
    return Image{gl->width(), gl->height(), gl->ReadPixels()};
}

void RenderTest::ViewToPixel(double vx, double vy, int* px, int* py) const {
    const double s = frame.m_dPixelSize;
    *px = static_cast<int>(std::floor(vx / s + frame.m_nClientWidth / 2.0));
    *py = frame.m_nClientHeight - 1 - static_cast<int>(std::floor(vy / s + frame.m_nClientHeight / 2.0));
}
