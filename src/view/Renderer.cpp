#include "view/Renderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "view/RendererParts.h"
#include "view/ViewRotation.h"

namespace {

constexpr GLfloat kGrey[3] = {0.5f, 0.5f, 0.5f};
constexpr GLfloat kHighlight[3] = {0.0f, 0.6f, 0.0f};
constexpr GLfloat kSmoothColour[3] = {0.0f, 0.0f, 1.0f};
constexpr GLfloat kOtherColour[3] = {0.8f, 0.0f, 0.0f};

// The stroke lies on the near clipping plane, in front of everything else.
constexpr double kStrokeDepth = 1000.0;

// A projection with no extent (a minimised window) or a non-finite bound cannot be
// loaded; such a frame is only cleared.
bool OrthoUsable(const double ortho[6]) {
    for (int i = 0; i < 6; ++i)
        if (!std::isfinite(ortho[i])) return false;
    return ortho[0] != ortho[1] && ortho[2] != ortho[3] && ortho[4] != ortho[5];
}

GLint ScaledPixels(int logical, double devicePixelRatio) {
    return static_cast<GLint>(std::lround(logical * devicePixelRatio));
}

// Everything the picture depends on, from the frame's fields and the OpenGL defaults
// the drawing relies on, so that whatever an earlier frame (or a toolkit sharing the
// context) left behind has no effect.
void SetupRenderState(const CMainFrame& frame, double devicePixelRatio) {
    const int* vp = frame.m_anViewport;
    glViewport(ScaledPixels(vp[0], devicePixelRatio), ScaledPixels(vp[1], devicePixelRatio),
               std::max(0, ScaledPixels(vp[2], devicePixelRatio)),
               std::max(0, ScaledPixels(vp[3], devicePixelRatio)));
    glDepthRange(0.0, 1.0);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double* o = frame.m_adOrtho;
    if (OrthoUsable(o)) glOrtho(o[0], o[1], o[2], o[3], o[4], o[5]);

    const float* c = frame.m_afClearColor;
    glClearColor(c[0], c[1], c[2], c[3]);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);

    for (GLenum cap :
         {GL_BLEND, GL_CULL_FACE, GL_SCISSOR_TEST, GL_ALPHA_TEST, GL_STENCIL_TEST, GL_TEXTURE_1D,
          GL_TEXTURE_2D, GL_FOG, GL_COLOR_MATERIAL, GL_NORMALIZE, GL_POINT_SMOOTH, GL_LINE_SMOOTH,
          GL_POLYGON_SMOOTH, GL_LINE_STIPPLE, GL_POLYGON_STIPPLE, GL_LIGHTING})
        glDisable(cap);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    glPointSize(static_cast<GLfloat>(frame.m_fPointSize * devicePixelRatio));
    // Lines are one pixel wide at the user's scale, so a scaled display shows the same
    // picture at more pixels.
    glLineWidth(static_cast<GLfloat>(devicePixelRatio));

    // One-sided lighting: the white ambient light on the grey material, plus white
    // light 0 from a fixed direction in eye coordinates; no highlights.
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, frame.m_afLightModelAmbient);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
    for (GLenum light = GL_LIGHT1; light <= GL_LIGHT7; ++light) glDisable(light);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, frame.m_afMaterialAmbientDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT, GL_EMISSION, black);
    glMaterialf(GL_FRONT, GL_SHININESS, 0.0f);

    // The light position is transformed by the model-view matrix current at the call:
    // with the identity it stays fixed relative to the viewer.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, frame.m_afLight0Position);
}

void ViewRotation(const CMainFrame& frame) {
    glRotated(frame.m_nElevation, 1.0, 0.0, 0.0);
    glRotated(frame.m_nAzimuth, 0.0, 1.0, 0.0);
}

// The pen stroke being drawn, in view coordinates, ending at the mouse.
void DrawStroke(const CMainFrame& frame, const Curve* stroke) {
    glColor3fv(kGrey);
    if (frame.m_bShowControlVertices) {
        glBegin(GL_POINTS);
        for (const CurveLink* l = stroke->first; l; l = l->next)
            if (l->vertex) glVertex3d(l->vertex->work.x, l->vertex->work.y, kStrokeDepth);
        glEnd();
    }
    glBegin(GL_LINE_STRIP);
    for (const CurveLink* l = stroke->first; l; l = l->next)
        if (l->vertex) glVertex3d(l->vertex->work.x, l->vertex->work.y, kStrokeDepth);
    glVertex3d(frame.m_ptMouse.x, frame.m_ptMouse.y, kStrokeDepth);
    glEnd();
}

void CurveVertex(const Vertex* v, const Vec3& offset, bool perVertexColour) {
    if (perVertexColour) glColor3fv(v->kind == kSmoothVertex ? kSmoothColour : kOtherColour);
    const Vec3 p = v->position + offset;
    glVertex3d(p.x, p.y, p.z);
}

// Control curves, lifted one model unit toward the viewer so the surface they lie
// on does not hide them.
void DrawCurves(const CMainFrame& frame, const Curve* first) {
    const Vec3 towardViewer = TowardViewer(frame.m_ViewMatrix);
    for (const Curve* c = first; c; c = c->next) {
        const bool highlighted = frame.m_nModelState == kModelCurveWaiting && c == first;
        if (highlighted) glColor3fv(kHighlight);
        if (frame.m_bShowControlVertices) {
            glBegin(GL_POINTS);
            for (const CurveLink* l = c->first; l; l = l->next)
                if (l->vertex) CurveVertex(l->vertex, towardViewer, !highlighted);
            glEnd();
        }
        glBegin(GL_LINE_STRIP);
        for (const CurveLink* l = c->first; l; l = l->next)
            if (l->vertex) CurveVertex(l->vertex, towardViewer, !highlighted);
        if (c->kind == kClosedCurve && c->first && c->first->vertex)
            CurveVertex(c->first->vertex, towardViewer, !highlighted);
        glEnd();
    }
}

// The unit face normal, or false when the triangle has no area (or a corner is not
// finite) and so no direction.
bool FaceNormal(const Triangle* t, Vec3* normal) {
    const Vec3& a = t->corner[0]->position;
    const Vec3 n = Cross(t->corner[1]->position - a, t->corner[2]->position - a);
    const double length = Length(n);
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    *normal = n / length;
    return true;
}

// renderer_parts::SurfaceNormals, here where the array drawing can have it inline.
void CornerNormals(const Triangle* t, Vec3& face, const Vec3* normals[3]) {
    bool haveFace = false;
    bool faceChecked = false;
    for (int k = 0; k < 3; ++k) {
        const Vertex* v = t->corner[k];
        normals[k] = &v->normal;
        if (v->kind == kSharpVertex) {
            if (!faceChecked) {
                haveFace = FaceNormal(t, &face);
                faceChecked = true;
            }
            if (haveFace) normals[k] = &face;
        }
    }
}

// One corner as the vertex arrays carry it. OpenGL keeps normals and positions in
// single precision however they are sent, so these are the very values that one call
// per vertex would hand it, and the pictures agree to the pixel.
struct ArrayVertex {
    GLfloat normal[3];
    GLfloat position[3];
};

void Append(std::vector<ArrayVertex>& out, const Vec3& normal, const Vec3& position) {
    out.push_back({{static_cast<GLfloat>(normal.x), static_cast<GLfloat>(normal.y),
                    static_cast<GLfloat>(normal.z)},
                   {static_cast<GLfloat>(position.x), static_cast<GLfloat>(position.y),
                    static_cast<GLfloat>(position.z)}});
}

// Each triangle's corners, three of them, in list order.
void AppendSurfaceCorners(const Triangle* t, std::vector<ArrayVertex>& out) {
    Vec3 face;
    const Vec3* normals[3];
    CornerNormals(t, face, normals);
    for (int k = 0; k < 3; ++k) Append(out, *normals[k], t->corner[k]->position);
}

// Each triangle's outline as its three segments in loop order, six ends: the same
// pixels as one line loop per triangle.
void AppendEdgeEnds(const Triangle* t, std::vector<ArrayVertex>& out) {
    for (int k = 0; k < 3; ++k) {
        const Vertex* from = t->corner[k];
        const Vertex* to = t->corner[(k + 1) % 3];
        Append(out, from->normal, from->position);
        Append(out, to->normal, to->position);
    }
}

// Triangles gathered for one draw call. OpenGL reads client arrays during the call, so
// one small buffer serves every draw of the frame; it stays in the processor's cache
// and, being small, is reused from the heap frame after frame instead of being mapped
// afresh.
constexpr size_t kTrianglesPerDraw = 512;
// Triangles between flushes. A software renderer fills pixels only for work it has
// been handed, so every so often the work so far is flushed to it and it fills those
// pixels while this thread prepares the next part; much more often costs more in
// hand-overs than it gains.
constexpr size_t kTrianglesPerFlush = 4096;

// Sends every triangle's vertices, `verticesPerTriangle` of them as `append` gives
// them, as `mode` primitives. The client array state is saved and put back, so nothing
// else sharing the context sees it, and every array the draw could read besides
// normals and positions is off.
void DrawMesh(const Triangle* triangles, GLenum mode, size_t verticesPerTriangle,
              void (*append)(const Triangle*, std::vector<ArrayVertex>&)) {
    if (!triangles) return;
    const size_t perDraw = verticesPerTriangle * kTrianglesPerDraw;
    std::vector<ArrayVertex> buffer;
    buffer.reserve(perDraw);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    for (GLenum array : {GL_COLOR_ARRAY, GL_INDEX_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_EDGE_FLAG_ARRAY})
        glDisableClientState(array);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    // The buffer never grows past what was reserved, so it never moves and the
    // pointers hold for every draw.
    glNormalPointer(GL_FLOAT, sizeof(ArrayVertex), buffer.data()->normal);
    glVertexPointer(3, GL_FLOAT, sizeof(ArrayVertex), buffer.data()->position);
    size_t sinceFlush = 0;
    for (const Triangle* t = triangles; t; t = t->next) {
        append(t, buffer);
        if (buffer.size() < perDraw && t->next) continue;
        glDrawArrays(mode, 0, static_cast<GLsizei>(buffer.size()));
        sinceFlush += buffer.size() / verticesPerTriangle;
        buffer.clear();
        if (sinceFlush >= kTrianglesPerFlush && t->next) {
            glFlush();
            sinceFlush = 0;
        }
    }
    glPopClientAttrib();
}

// The plate's four corners at height y, half a side `b` from the axis: round the top
// face, counter-clockwise seen from above, or (`reversed`) round the bottom face,
// counter-clockwise seen from below.
void PlateCorners(double b, double y, bool reversed) {
    constexpr double kCorners[4][2] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}};
    for (int i = 0; i < 4; ++i) {
        const double* c = kCorners[reversed ? (4 - i) % 4 : i];
        glVertex3d(c[0] * b, y, c[1] * b);
    }
}

// The ground plate with its vertical axis, 50 by 50 pixels whatever the zoom,
// centred 50 pixels from the lower left corner and turned with the model.
void DrawMarker(const CMainFrame& frame) {
    const double s = frame.m_dPixelSize;
    glLoadIdentity();
    // The extra 0.001 keeps the vertical axis off the boundary between two pixel
    // columns, where rounding would pick either.
    glTranslated(s * (100 - frame.m_nClientWidth) / 2 + 0.001,
                 s * (100 - frame.m_nClientHeight) / 2, 0.0);
    ViewRotation(frame);
    const double b = 25 * s;

    glBegin(GL_QUADS);
    glNormal3d(0.0, 1.0, 0.0);
    PlateCorners(b, 0.001, false);
    glNormal3d(0.0, -1.0, 0.0);
    PlateCorners(b, -0.001, true);
    glEnd();

    glDisable(GL_LIGHTING);
    // Just outside the plate, so the outline is not lost in its edge.
    glScaled(1.01, 1.01, 1.01);
    glColor3fv(kGrey);
    glBegin(GL_LINE_LOOP);
    PlateCorners(b, 0.001, false);
    glEnd();
    glBegin(GL_POINTS);
    PlateCorners(b, 0.0, false);
    glEnd();
    glBegin(GL_LINES);
    glVertex3d(0.0, b, 0.0);
    glVertex3d(0.0, -b, 0.0);
    glEnd();
    glBegin(GL_POINTS);
    glVertex3d(0.0, b, 0.0);
    glVertex3d(0.0, -b, 0.0);
    glEnd();
}

// The mesh as vertex arrays.
void DrawMeshArrays(const Triangle* triangles, bool surfaces) {
    if (surfaces)
        DrawMesh(triangles, GL_TRIANGLES, 3, AppendSurfaceCorners);
    else
        DrawMesh(triangles, GL_LINES, 6, AppendEdgeEnds);
}

}  // namespace

namespace renderer_parts {

void SurfaceNormals(const Triangle* t, Vec3& face, const Vec3* normals[3]) {
    CornerNormals(t, face, normals);
}

void RenderSceneWith(const CMainFrame& frame, double devicePixelRatio, MeshDrawer drawMesh) {
    SetupRenderState(frame, devicePixelRatio);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!OrthoUsable(frame.m_adOrtho) || !std::isfinite(frame.m_dPixelSize)) return;

    const Curve* curves = frame.m_pCurves;
    if (curves && curves->kind == kStrokeCurve) {
        DrawStroke(frame, curves);
        curves = curves->next;
    }

    ViewRotation(frame);
    DrawCurves(frame, curves);

    glEnable(GL_LIGHTING);
    drawMesh(frame.m_pTriangles, frame.m_nDisplayMode == ID_DISPLAY_SURFACES);

    glClear(GL_DEPTH_BUFFER_BIT);
    DrawMarker(frame);
}

}  // namespace renderer_parts

void RenderScene(const CMainFrame& frame, double devicePixelRatio) {
    renderer_parts::RenderSceneWith(frame, devicePixelRatio, DrawMeshArrays);
}
