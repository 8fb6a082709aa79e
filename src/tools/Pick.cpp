// Picking: the curve vertex nearest the mouse and the front-most triangle under a
// stroke sample, both compared in the view plane with the current view rotation.
//
// PickVertex(onlyWaitingCurve)
//   Reads m_pCurves and their chains, vertex position and normal, the rotation terms
//   of m_ViewMatrix, m_ptMouse and m_dNearSq. With 0 it searches every curve within
//   a radius of sqrt(m_dNearSq); with nonzero only the second curve of the list (the
//   closed curve that waits while the head is the newest stroke), within sqrt(2)
//   times that radius. Returns the nearest vertex whose surface faces the viewer, or
//   null. Writes work.x and work.y (offset from the mouse) of every vertex it
//   accepts on the way, so the returned vertex always holds its own offset.
//
// PickTriangle(link)
//   Reads the link's vertex work.x and work.y (a view-plane point) and the work
//   vectors of every triangle corner, which must hold view coordinates
//   (TransformToView). Returns the triangle that contains the point strictly inside
//   its counter-clockwise projection and whose corner[0] lies nearest the viewer, or
//   null. Changes nothing.

#include "tools/Pick.h"

#include <vector>

namespace {

// Transposed terms of m_ViewMatrix, named as the rotation they cache.
struct ViewTerms {
    double sinEl, cosEl, sinAz, cosAz, sinAzSinEl, cosAzSinEl, sinAzCosEl, cosAzCosEl;
};

ViewTerms TermsOf(const double (&t)[8]) { return {t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]}; }

double Cross2(double ux, double uy, double wx, double wy) { return ux * wy - uy * wx; }

// Strictly inside a counter-clockwise projection: a point on an edge matches nothing,
// and a triangle seen from behind (clockwise) never matches. All three sides are
// always computed, so that a loop over many points runs without branches.
bool InsideProjection(const Vec3& a, const Vec3& b, const Vec3& c, double px, double py) {
    const bool ab = Cross2(b.x - a.x, b.y - a.y, px - a.x, py - a.y) > 0;
    const bool bc = Cross2(c.x - b.x, c.y - b.y, px - b.x, py - b.y) > 0;
    const bool ca = Cross2(a.x - c.x, a.y - c.y, px - c.x, py - c.y) > 0;
    return ab & bc & ca;
}

// InsideProjection for the two points (px[0], py[0]) and (px[1], py[1]): true when
// either is inside. Each lane computes what InsideProjection computes, with the same
// operations in the same order, so the answers are the same to the last case.
bool InsideProjectionPair(const Vec3& a, const Vec3& b, const Vec3& c, const double* px,
                          const double* py) {
#if defined(__GNUC__) || defined(__clang__)
    typedef double V2 __attribute__((vector_size(16)));
    const V2 x = {px[0], px[1]};
    const V2 y = {py[0], py[1]};
    const V2 ab = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    const V2 bc = (c.x - b.x) * (y - b.y) - (c.y - b.y) * (x - b.x);
    const V2 ca = (a.x - c.x) * (y - c.y) - (a.y - c.y) * (x - c.x);
    const auto inside = (ab > 0) & (bc > 0) & (ca > 0);
    return (inside[0] | inside[1]) != 0;
#else
    return InsideProjection(a, b, c, px[0], py[0]) || InsideProjection(a, b, c, px[1], py[1]);
#endif
}

// PickTriangle starts from this depth: a triangle whose corner[0] is not nearer the
// viewer than this is never picked.
constexpr double kFarthestPick = -1000000000.0;

}  // namespace

Vertex* CMainFrame::PickVertex(int onlyWaitingCurve) {
    const ViewTerms v = TermsOf(m_ViewMatrix);
    double radiusSq = m_dNearSq;
    Curve* curve = m_pCurves;
    if (onlyWaitingCurve != 0) {
        // The waiting curve is a larger target: the profile stroke that snaps to it
        // is drawn freehand beside the model, where the user aims less precisely.
        radiusSq = 2.0 * m_dNearSq;
        curve = m_pCurves ? m_pCurves->next : nullptr;
    }

    Vertex* result = nullptr;
    for (; curve; curve = curve->next) {
        for (CurveLink* link = curve->first; link; link = link->next) {
            Vertex* vertex = link->vertex;
            if (!vertex) continue;
            const Vec3& p = vertex->position;
            const Vec3& n = vertex->normal;
            const double sx = v.cosAz * p.x + v.sinAz * p.z - m_ptMouse.x;
            const double sy = v.cosEl * p.y + v.sinAzSinEl * p.x - v.cosAzSinEl * p.z - m_ptMouse.y;
            const double e = sx * sx + sy * sy;
            const double facing = v.sinEl * n.y - v.sinAzCosEl * n.x + v.cosAzCosEl * n.z;
            // -0.1 still admits silhouette vertices whose normal turns slightly away.
            // Strict comparisons: among equally near vertices the first one met wins.
            if (e < radiusSq && facing > -0.1) {
                result = vertex;
                radiusSq = e;
                vertex->work.x = sx;
                vertex->work.y = sy;
            }
        }
        if (onlyWaitingCurve != 0) break;
    }
    return result;
}

Triangle* CMainFrame::PickTriangle(CurveLink* link) {
    if (!link || !link->vertex) return nullptr;
    const double px = link->vertex->work.x;
    const double py = link->vertex->work.y;

    Triangle* result = nullptr;
    double best = kFarthestPick;
    for (Triangle* t = m_pTriangles; t; t = t->next) {
        if (!t->corner[0] || !t->corner[1] || !t->corner[2]) continue;
        const Vec3& a = t->corner[0]->work;
        const Vec3& b = t->corner[1]->work;
        const Vec3& c = t->corner[2]->work;
        if (InsideProjection(a, b, c, px, py) && best < a.z) {
            // Depth of corner[0], not the depth at the point: cheap, and enough to
            // tell the front of a closed body from its back.
            result = t;
            best = a.z;
        }
    }
    return result;
}

bool AnyLinkOverTriangle(const CMainFrame& frame, const Curve* curve) {
    std::vector<double> xs;
    std::vector<double> ys;
    for (const CurveLink* l = curve ? curve->first : nullptr; l; l = l->next) {
        if (!l->vertex) continue;
        xs.push_back(l->vertex->work.x);
        ys.push_back(l->vertex->work.y);
    }
    if (xs.empty()) return false;
    // Points go through the test two at a time; an odd last point is tested twice.
    if (xs.size() % 2 != 0) {
        xs.push_back(xs.back());
        ys.push_back(ys.back());
    }
    const size_t n = xs.size();
    // PickTriangle returns a triangle as soon as one contains the point and lies
    // nearer than its starting depth, so that pair alone decides the answer.
    for (const Triangle* t = frame.m_pTriangles; t; t = t->next) {
        if (!t->corner[0] || !t->corner[1] || !t->corner[2]) continue;
        const Vec3& a = t->corner[0]->work;
        if (!(kFarthestPick < a.z)) continue;
        const Vec3& b = t->corner[1]->work;
        const Vec3& c = t->corner[2]->work;
        for (size_t i = 0; i < n; i += 2)
            if (InsideProjectionPair(a, b, c, &xs[i], &ys[i])) return true;
    }
    return false;
}
