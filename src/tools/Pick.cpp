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

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "view/ViewRotation.h"

namespace {

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

// PickTriangle starts from this depth: a triangle whose corner[0] is not nearer the
// viewer than this is never picked.
constexpr double kFarthestPick = -1000000000.0;

// The box tests below run inside the AVX2 build of the profile test. Called out of
// line, as code built for SSE2, each call switched the processor between the two
// register states, and the test took twice as long as with no boxes at all; inlined,
// they are built for the caller's instruction set.
#if defined(__GNUC__) || defined(__clang__)
#define PLIFORM_PICK_INLINE inline __attribute__((always_inline))
#else
#define PLIFORM_PICK_INLINE inline
#endif

// A box that holds points of the view plane.
struct Box {
    double left = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    double top = 0.0;
};

// Points a box looks after: consecutive points of a stroke lie close together, so the
// box of a run of them is small and rules out most triangles at once.
constexpr size_t kPointsPerBox = 16;

// The points of a profile, x and y apart, padded with copies of the last point to a
// multiple of four so that they can be tested four (or two) at a time; the box of all
// of them and the box of each run of kPointsPerBox.
struct Points {
    std::vector<double> x;
    std::vector<double> y;
    Box all;
    std::vector<Box> runs;
};

// The box of the points from `begin` to `end`. A point with a NaN coordinate is inside
// no triangle, whatever the box says of it.
Box BoxOf(const Points& p, size_t begin, size_t end) {
    Box box{p.x[begin], p.x[begin], p.y[begin], p.y[begin]};
    for (size_t i = begin + 1; i < end; ++i) {
        box.left = std::min(box.left, p.x[i]);
        box.right = std::max(box.right, p.x[i]);
        box.bottom = std::min(box.bottom, p.y[i]);
        box.top = std::max(box.top, p.y[i]);
    }
    return box;
}

// True when no point of the box can lie on the positive side of the edge from a to b as
// InsideProjection computes it, so that none of the box's points lies inside a
// triangle with that edge. Each step of that sum (the two differences from a, the two
// products by the edge's fixed differences, the final difference) rounds a result
// that moves one way only as the point's x or y grows, so over the box the sum is
// largest at the corner those ways pick; computed there with the same operations in
// the same order, a sum that is not above zero (nor NaN) is the most any point of the
// box can give.
PLIFORM_PICK_INLINE bool EdgeRulesOutBox(const Vec3& a, const Vec3& b, const Box& box) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double y = dx >= 0 ? box.top : box.bottom;
    const double x = dy >= 0 ? box.left : box.right;
    return dx * (y - a.y) - dy * (x - a.x) <= 0;
}

PLIFORM_PICK_INLINE bool BoxRuledOut(const Vec3& a, const Vec3& b, const Vec3& c, const Box& box) {
    return EdgeRulesOutBox(a, b, box) || EdgeRulesOutBox(b, c, box) || EdgeRulesOutBox(c, a, box);
}

// Whether some point lies inside the counter-clockwise projection of some triangle
// that PickTriangle may return: what AnyLinkOverTriangle answers. Each lane computes
// what InsideProjection computes, with the same operations in the same order (and the
// file is built without fused multiply-add), so the answers are the same to the last
// case. One build for SSE2, two points to a vector, and one for AVX2, four.
#if defined(__GNUC__) || defined(__clang__)
template <typename V>
inline __attribute__((always_inline)) bool AnyInsideLanes(const Triangle* triangles,
                                                          const Points& p) {
    constexpr size_t kLanes = sizeof(V) / sizeof(double);
    const size_t n = p.x.size();
    for (const Triangle* t = triangles; t; t = t->next) {
        if (!t->corner[0] || !t->corner[1] || !t->corner[2]) continue;
        const Vec3& a = t->corner[0]->work;
        if (!(kFarthestPick < a.z)) continue;
        const Vec3& b = t->corner[1]->work;
        const Vec3& c = t->corner[2]->work;
        if (BoxRuledOut(a, b, c, p.all)) continue;
        // The lanes' answers are gathered over all the points and looked at once per
        // triangle: a test of every lane after every group cost more than the sums.
        decltype(V{} > 0) any{};
        for (size_t run = 0; run < p.runs.size(); ++run) {
            if (BoxRuledOut(a, b, c, p.runs[run])) continue;
            const size_t end = std::min(n, (run + 1) * kPointsPerBox);
            for (size_t i = run * kPointsPerBox; i < end; i += kLanes) {
                V x;
                V y;
                std::memcpy(&x, &p.x[i], sizeof x);
                std::memcpy(&y, &p.y[i], sizeof y);
                const V ab = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
                const V bc = (c.x - b.x) * (y - b.y) - (c.y - b.y) * (x - b.x);
                const V ca = (a.x - c.x) * (y - c.y) - (a.y - c.y) * (x - c.x);
                any |= (ab > 0) & (bc > 0) & (ca > 0);
            }
        }
        for (size_t k = 0; k < kLanes; ++k)
            if (any[k] != 0) return true;
    }
    return false;
}

typedef double Two __attribute__((vector_size(16)));
typedef double Four __attribute__((vector_size(32)));

bool AnyInsidePortable(const Triangle* triangles, const Points& p) {
    return AnyInsideLanes<Two>(triangles, p);
}

#if defined(__x86_64__) || defined(__i386__)
#define PLIFORM_PICK_AVX2 1
__attribute__((target("avx2"))) bool AnyInsideAvx2(const Triangle* triangles, const Points& p) {
    return AnyInsideLanes<Four>(triangles, p);
}
#endif
#else
bool AnyInsidePortable(const Triangle* triangles, const Points& p) {
    for (const Triangle* t = triangles; t; t = t->next) {
        if (!t->corner[0] || !t->corner[1] || !t->corner[2]) continue;
        const Vec3& a = t->corner[0]->work;
        if (!(kFarthestPick < a.z)) continue;
        if (BoxRuledOut(a, t->corner[1]->work, t->corner[2]->work, p.all)) continue;
        for (size_t i = 0; i < p.x.size(); ++i)
            if (InsideProjection(a, t->corner[1]->work, t->corner[2]->work, p.x[i], p.y[i]))
                return true;
    }
    return false;
}
#endif

}  // namespace

Vertex* CMainFrame::PickVertex(int onlyWaitingCurve) {
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
            const Vec3 seen = ToView(m_ViewMatrix, vertex->position);
            const double sx = seen.x - m_ptMouse.x;
            const double sy = seen.y - m_ptMouse.y;
            const double e = sx * sx + sy * sy;
            const double facing = ToView(m_ViewMatrix, vertex->normal).z;
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

void ReadLinkPoints(const Curve* curve, std::vector<double>& x, std::vector<double>& y) {
    for (const CurveLink* l = curve ? curve->first : nullptr; l; l = l->next) {
        if (!l->vertex) continue;
        x.push_back(l->vertex->work.x);
        y.push_back(l->vertex->work.y);
    }
}

bool AnyLinkOverTriangle(const CMainFrame& frame, const Curve* curve) {
    std::vector<double> x;
    std::vector<double> y;
    ReadLinkPoints(curve, x, y);
    return AnyPointOverTriangle(frame.m_pTriangles, std::move(x), std::move(y));
}

bool AnyPointOverTriangle(const Triangle* triangles, std::vector<double> x, std::vector<double> y) {
    Points points;
    points.x = std::move(x);
    points.y = std::move(y);
    if (points.x.empty() || points.x.size() != points.y.size()) return false;
    while (points.x.size() % 4 != 0) {
        points.x.push_back(points.x.back());
        points.y.push_back(points.y.back());
    }
    points.all = BoxOf(points, 0, points.x.size());
    for (size_t begin = 0; begin < points.x.size(); begin += kPointsPerBox)
        points.runs.push_back(
            BoxOf(points, begin, std::min(points.x.size(), begin + kPointsPerBox)));
        // PickTriangle returns a triangle as soon as one contains the point and lies
        // nearer than its starting depth, so that pair alone decides the answer.
#if defined(PLIFORM_PICK_AVX2)
    if (__builtin_cpu_supports("avx2")) return AnyInsideAvx2(triangles, points);
#endif
    return AnyInsidePortable(triangles, points);
}
