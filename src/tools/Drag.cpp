// The Drag tool: pulls a control vertex, and the surface around it, parallel to
// the screen.
//
// BeginDrag reads m_ptMouse and picks the nearest facing control vertex. With
// nothing picked it ends the tool stroke (m_nDragState kDragNone) silently, without a
// repaint. A picked vertex that is a corner of no triangle, or a mesh with an open
// edge, is refused with the beep and also ends the stroke; in both cases no
// position and no drag field changes. Otherwise it records the drag start, copies
// every vertex position into `work` and takes the first step.
//
// DragTo recomputes every position from the start positions in `work`: the picked
// vertex follows the mouse, the vertices of the region around it follow with a
// weight that falls off with their distance, everything else stays at its start.
// It acts only while the drag that BeginDrag began is live (m_nDragState kDragTool and the
// start triangle still in the model); otherwise it changes nothing. It repaints.
// Normals are left for the release.
//
// GrowDragRegion(T) marks the triangles reached from T over edges with at least
// one endpoint inside the radius and sets each corner's `index` to 1 (inside) or
// -1 (outside). It parks the squared start distance of every inside vertex in its
// `position.x` for DragTo to read. Triangle marks and vertex indices must be 0
// beforehand.

#include <cmath>

#include "app/MainFrame.h"
#include "model/TriangleFlood.h"
#include "view/ViewRotation.h"

namespace {

// The Gaussian e^(-4t) over t = s / 2R in [0, 1], scaled and shifted to be 1 at the
// anchor and almost exactly 0 at the edge of the region: 1 / (1 - e^-4) and
// e^-4 / (1 - e^-4), to six decimals.
constexpr double kWeightScale = 1.018657;
constexpr double kWeightShift = 0.018657;

Triangle* FirstTriangleWithCorner(Triangle* list, const Vertex* vertex) {
    for (Triangle* t = list; t != nullptr; t = t->next)
        if (t->corner[0] == vertex || t->corner[1] == vertex || t->corner[2] == vertex) return t;
    return nullptr;
}

// The region growth crosses every edge it meets; a missing neighbour or corner
// anywhere would be followed as a pointer. A finished model never has one, so the
// check refuses only a damaged mesh.
bool MeshIsClosed(const Triangle* list) {
    for (const Triangle* t = list; t != nullptr; t = t->next)
        for (int k = 0; k < 3; ++k)
            if (t->corner[k] == nullptr || t->neighbour[k] == nullptr) return false;
    return true;
}

}  // namespace

void CMainFrame::BeginDrag() {
    Vertex* picked = PickVertex(0);
    if (picked == nullptr) {
        m_nDragState = kDragNone;
        return;
    }
    Triangle* start = FirstTriangleWithCorner(m_pTriangles, picked);
    if (start == nullptr || !MeshIsClosed(m_pTriangles)) {
        m_pPlatform->MessageBeep();
        m_nDragState = kDragNone;
        return;
    }
    // PickVertex left the vertex's offset from the mouse in work x and y.
    m_ptDragStart.x = m_ptMouse.x + picked->work.x;
    m_ptDragStart.y = m_ptMouse.y + picked->work.y;
    m_vDragAnchor = picked->position;
    m_dDragRadiusSq = 0.0;
    m_pDragTriangle = start;
    for (Vertex* v = m_pVertices; v != nullptr; v = v->next) v->work = v->position;
    DragTo();
}

void CMainFrame::DragTo() {
    // A stroke that ended (File New, a refused press) or a start triangle that has
    // left the model means the work vectors no longer hold this drag's start.
    if (m_nDragState != kDragTool || m_pDragTriangle == nullptr) return;
    bool live = false;
    for (Triangle* t = m_pTriangles; t != nullptr; t = t->next) {
        t->mark = 0;
        if (t == m_pDragTriangle) live = true;
    }
    if (!live) return;

    const double dx = m_ptMouse.x - m_ptDragStart.x;
    const double dy = m_ptMouse.y - m_ptDragStart.y;
    // R only grows, so moving back towards the start keeps the falloff as wide as
    // it has been and only shrinks the displacement.
    if (dx * dx + dy * dy > m_dDragRadiusSq) m_dDragRadiusSq = dx * dx + dy * dy;
    const double radiusSq = m_dDragRadiusSq;

    const Vec3 displacement = FromViewPlane(m_ViewMatrix, dx, dy);

    for (Vertex* v = m_pVertices; v != nullptr; v = v->next) v->index = 0;
    GrowDragRegion(m_pDragTriangle);

    // An inside vertex has s < 2R, so R > 0 here: with R = 0 nothing is inside.
    for (Vertex* v = m_pVertices; v != nullptr; v = v->next) {
        if (v->index != 1) continue;
        const double s = v->position.x;
        const double w = kWeightScale * std::exp(-2.0 * s / radiusSq) - kWeightShift;
        v->position = v->work + w * displacement;
    }
    m_pPlatform->RedrawWindow();
}

void CMainFrame::GrowDragRegion(Triangle* triangle) {
    const double limit = 2.0 * m_dDragRadiusSq;
    const auto classify = [this, limit](Triangle* t) {
        for (Vertex* w : t->corner) {
            if (w == nullptr || w->index != 0) continue;
            const double s = LengthSq(w->work - m_vDragAnchor);
            if (limit > s) {
                w->index = 1;
                w->position.x = s;  // read back and overwritten by DragTo
            } else {
                w->index = -1;
            }
        }
    };
    // Whether an edge is crossed depends only on its ends' distances, so the region
    // does not depend on the order of the visit.
    const auto crosses = [](const Triangle* t, int k) {
        const Vertex* a = t->corner[k];
        const Vertex* b = t->corner[(k + 1) % 3];
        return (a != nullptr && a->index == 1) || (b != nullptr && b->index == 1);
    };
    FloodTriangles(triangle, classify, crosses);
}
