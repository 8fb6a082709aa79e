// Stroke embedding: walks the newest stroke across the mesh as the view shows it and
// stitches a new control curve into the surface.
//
// EmbedStroke()
//   Reads the stroke at the head of m_pCurves (kind 1 closed or 2 open, at least two
//   links, its points in work.x and work.y, its chain open or closed into a ring),
//   the mesh, and m_ViewMatrix. Calls
//   TransformToView first, so the older vertices' work vectors hold view coordinates.
//   On success the stroke and its points are released, a new curve (kind 1 or 2)
//   takes its place at the head of m_pCurves, the mesh is re-cut so consecutive curve
//   vertices share an edge (k curve vertices add k vertices and 2k triangles), and
//   the model is faired. ModelState is left at 2 after a closed curve, set to 1
//   after an open one.
//   On failure (no point over a front triangle, no edge crossed, or a walk that
//   cannot go on soundly) the stroke is dropped with the beep, ModelState is set to
//   1, and the rest of the model is exactly as it was before the call.

#include "app/MainFrame.h"
#include "app/RefusableEdit.h"
#include "view/ViewRotation.h"

namespace {

double Cross2(const Vec3& u, const Vec3& w) { return u.x * w.y - u.y * w.x; }
double Dot2(const Vec3& u, const Vec3& w) { return u.x * w.x + u.y * w.y; }

int Next(int k) { return (k + 1) % 3; }
int Prev(int k) { return (k + 2) % 3; }

// Drops the stroke with the beep; the body is left as it was, and the placing that
// follows turns the state back to kModelBody.
void DropStroke(CMainFrame& frame) {
    frame.DropNewestStroke(1);
    frame.m_nModelState = kModelCurveWaiting;
}

// The entry of `of` that lies across the edge from `from` to `to` of the triangle
// `back`, provided it points back there; -1 when the mesh does not agree.
int EntryBack(const Triangle* of, const Triangle* back, const Vertex* from, const Vertex* to) {
    if (!of) return -1;
    for (int k = 0; k < 3; ++k) {
        if (of->neighbour[k] == back && of->corner[k] == to && of->corner[Next(k)] == from)
            return k;
    }
    return -1;
}

// Makes `a` and `b` neighbours across a's edge `ka` and b's edge `kb`.
void Glue(Triangle* a, int ka, Triangle* b, int kb) {
    a->neighbour[ka] = b;
    b->neighbour[kb] = a;
}

int CountTriangles(const CMainFrame& frame) {
    int n = 0;
    for (const Triangle* t = frame.m_pTriangles; t; t = t->next) ++n;
    return n;
}

// Whether the segment P0 -> P1 crosses the edge A -> B (both strictly: a point exactly
// on a line counts on its negative side); `along` is then the fraction of the segment
// at which it does.
bool SegmentCrossesEdge(const Vec3& P0, const Vec3& P1, const Vec3& A, const Vec3& B,
                        double* along) {
    const Vec3 d = P1 - P0;
    const Vec3 ab = B - A;
    const double sA = Cross2(A - P0, d);
    const double sB = Cross2(B - P0, d);
    const double c0 = Cross2(P0 - A, ab);
    const double c1 = Cross2(P1 - A, ab);
    if ((sA > 0) == (sB > 0) || (c0 > 0) == (c1 > 0)) return false;
    *along = c0 / (c0 - c1);
    return true;
}

// ---- Following the stroke ----

// Samples a dip may hold beyond the edge it crosses: stroke samples are a stroke step
// apart and never come near earlier ones, so a stroke that crosses back within two
// segments has only grazed the next triangle.
constexpr int kDipSegments = 2;

// Where the stroke leaves a triangle: through its edge `edge`, from corner[edge] to
// `into` (corner[edge + 1], where the next triangle's entry edge starts), at `cross`
// on the surface.
struct Exit {
    int edge = -1;
    const Vertex* into = nullptr;
    Vec3 cross;
};

// The stroke as the walk follows it over the triangles, in view coordinates (`work`).
// The stroke's chain is never closed into a ring here: a closed stroke's wrap-around
// segment, last point to first, is formed explicitly, so that a walk abandoned half
// way leaves a well-formed stroke for the snapshot restore. Reads only.
class StrokeTrack {
public:
    explicit StrokeTrack(const Curve* stroke) : m_stroke(stroke) {
        for (const CurveLink* l = stroke->first; l; l = l->next) ++m_links;
    }

    // The stroke's first way out of `m` through an edge that does not start at
    // `entered` (the edge the walk came in through), passing over dips; false, with
    // `exit` untouched, when the stroke never leaves `m`.
    bool FindExit(const Triangle* m, const Vertex* entered, Exit* exit) const;

private:
    const CurveLink* NextLink(const CurveLink* link) const {
        return link == m_stroke->last ? m_stroke->first : link->next;
    }
    // Follows the stroke over the (at most kDipSegments) segments after segment n,
    // which leaves m through edge F, and returns F when the stroke's next crossing of
    // an edge of m is back through F (a dip), with that segment in *returnSegment;
    // -1 otherwise.
    int DipReturn(const Triangle* m, const CurveLink* p0, long n, long segments, int F,
                  long* returnSegment) const;

    const Curve* m_stroke;
    long m_links = 0;
};

int StrokeTrack::DipReturn(const Triangle* m, const CurveLink* p0, long n, long segments, int F,
                           long* returnSegment) const {
    for (int ahead = 1; ahead <= kDipSegments && n + ahead < segments; ++ahead) {
        p0 = NextLink(p0);
        const Vec3& P0 = p0->vertex->work;
        const Vec3& P1 = NextLink(p0)->vertex->work;
        int first = -1;
        double firstAlong = 2.0;
        for (int k = 0; k < 3; ++k) {
            double along = 0.0;
            if (SegmentCrossesEdge(P0, P1, m->corner[k]->work, m->corner[Next(k)]->work, &along) &&
                along < firstAlong) {
                first = k;
                firstAlong = along;
            }
        }
        if (first >= 0) {
            *returnSegment = n + ahead;
            return first == F ? F : -1;
        }
    }
    return -1;
}

bool StrokeTrack::FindExit(const Triangle* m, const Vertex* entered, Exit* exit) const {
    const bool closed = m_stroke->kind == kClosedCurve;
    const CurveLink* p0 = closed ? m_stroke->last : m_stroke->first;
    const long segments = closed ? m_links : m_links - 1;
    // A crossing the stroke makes on its way back in after a dip (see below); it is
    // not a way out.
    long ignoredSegment = -1;
    int ignoredEdge = -1;
    for (long n = 0; n < segments; ++n) {
        const CurveLink* p1 = NextLink(p0);
        const Vec3& P0 = p0->vertex->work;
        const Vec3& P1 = p1->vertex->work;
        for (int F = 0; F < 3; ++F) {
            const Vertex* A = m->corner[F];
            const Vertex* B = m->corner[Next(F)];
            if (A == entered) continue;
            if (n == ignoredSegment && F == ignoredEdge) continue;
            double along = 0.0;
            if (!SegmentCrossesEdge(P0, P1, A->work, B->work, &along)) continue;
            // A stroke that only dips across an edge, with a sample or two in the next
            // triangle, and comes straight back through the same edge would lead the
            // walk into a triangle whose only way out is the edge it came in by: the
            // walk would stop there and a closed stroke would end as an open curve.
            // The dip is passed over; the walk follows the stroke on from its return.
            long back = -1;
            if (DipReturn(m, p0, n, segments, F, &back) == F) {
                ignoredSegment = back;
                ignoredEdge = F;
                continue;
            }
            const Vec3 ab = B->work - A->work;
            const double c0 = Cross2(P0 - A->work, ab);
            const double c1 = Cross2(P1 - A->work, ab);
            const double d0 = Dot2(P0 - A->work, ab);
            const double d1 = Dot2(P1 - A->work, ab);
            // c0 and c1 differ in sign, and |ab| > 0 since the ends of ab lie on either
            // side of the segment's line.
            const double t = (d1 * c0 - d0 * c1) / (c0 - c1) / Dot2(ab, ab);
            exit->edge = F;
            exit->into = B;
            exit->cross = A->position + t * (B->position - A->position);
            return true;
        }
        p0 = p1;
    }
    return false;
}

// ---- Re-cutting the mesh along the track ----

// An edge of the re-cut mesh that still waits for the triangle on its far side.
struct Side {
    Triangle* t = nullptr;
    int k = 0;
    Vertex* First() const { return t->corner[k]; }
    Vertex* Second() const { return t->corner[Next(k)]; }
};

// The new curve and the mesh re-cut along it, triangle by triangle as the walk
// enters them. Between two triangles the re-cut mesh has two open sides, A and G, on
// either side of the curve; every step closes the gap the entered triangle fills.
class Recut {
public:
    Recut(CMainFrame& frame, const Curve* stroke) : m_f(frame), m_stroke(stroke) {}
    ~Recut() {
        // Links only: the walk's vertices are in the vertex list and go with it.
        if (m_curve) ReleaseChain(m_curve->first, ChainVertices::Keep);
        delete m_curve;
    }
    Recut(const Recut&) = delete;
    Recut& operator=(const Recut&) = delete;

    // The first triangle, left through edge v at `cross`: the curve's first vertex
    // splits it. Its entry back from the edge before v must have been checked.
    void Start(Triangle* m, int v, const Vec3& cross);
    // A triangle entered on an odd step takes the last vertex made as a corner.
    bool OddStep(Triangle* m, int v);
    // A triangle entered on an even step gets a new vertex at `point`, halfway
    // between the last two crossings, and two new triangles.
    bool EvenStep(Triangle* m, int v, const Vec3& point);
    // The stroke ends inside m; its last vertex goes where it came in, at `cross`.
    bool OpenEnd(Triangle* m, const Vec3& cross);
    // The walk is back in the first triangle it cut: the curve closes there.
    bool Close(Triangle* m);

    bool IsStart(const Triangle* m) const { return m == m_m0 || m == m_t0; }
    // A closed curve needs at least three vertices: with fewer, its vertices would be
    // joined by two edges at once and fairing could not space them.
    bool CanClose() const {
        return m_curve->first != m_curve->last && m_curve->first->next != m_curve->last;
    }
    // The finished curve; the caller owns it from then on.
    Curve* TakeCurve() {
        Curve* c = m_curve;
        m_curve = nullptr;
        return c;
    }

private:
    Vertex* MakeVertex(const Triangle* m, const Vec3& position);
    Triangle* MakeTriangle(Vertex* a, Vertex* b, Vertex* c);
    void AppendLink(Vertex* v);
    int SideCorner(const Triangle* m) const;

    CMainFrame& m_f;
    const Curve* m_stroke;
    Side m_a;
    Side m_g;
    Triangle* m_m0 = nullptr;
    Triangle* m_t0 = nullptr;
    Vertex* m_w = nullptr;
    Curve* m_curve = nullptr;
};

Vertex* Recut::MakeVertex(const Triangle* m, const Vec3& position) {
    auto* w = new Vertex;
    w->kind = kSmoothVertex;
    Vec3 n = m->corner[0]->normal + m->corner[1]->normal + m->corner[2]->normal;
    const double len = Length(n);
    w->normal = len > 0 ? n / len : n;
    w->position = position;
    // View coordinates at once, so that a walk which comes back into a triangle it
    // already re-cut tests its crossings against this vertex's real place.
    w->work = ToView(m_f.m_ViewMatrix, position);
    w->next = m_f.m_pVertices;
    m_f.m_pVertices = w;
    m_w = w;
    return w;
}

Triangle* Recut::MakeTriangle(Vertex* a, Vertex* b, Vertex* c) {
    return PushTriangle(m_f.m_pTriangles, a, b, c);
}

void Recut::AppendLink(Vertex* v) {
    auto* link = new CurveLink;
    link->vertex = v;
    if (m_curve->last)
        m_curve->last->next = link;
    else
        m_curve->first = link;
    m_curve->last = link;
}

// The index q of m's corner where side A's edge starts, provided m's edge into q
// comes from where side G's edge ends: the open gap between the two sides is then
// exactly m's entry edge. -1 when the walk has lost track of the mesh (a stroke that
// re-enters its own path can lead it into a triangle that does not fit).
int Recut::SideCorner(const Triangle* m) const {
    for (int q = 0; q < 3; ++q) {
        if (m->corner[q] == m_a.First() && m->corner[Prev(q)] == m_g.Second()) return q;
    }
    return -1;
}

void Recut::Start(Triangle* m, int v, const Vec3& cross) {
    Vertex* A = m->corner[v];
    Vertex* C = m->corner[Prev(v)];
    Triangle* K = m->neighbour[Prev(v)];
    const int kk = EntryBack(K, m, C, A);  // checked by the caller

    Vertex* W = MakeVertex(m, cross);
    m_curve = new Curve;
    m_curve->kind = kStrokeCurve;
    m_curve->next = m_stroke->next;
    AppendLink(W);

    Triangle* T0 = MakeTriangle(A, W, C);
    m->corner[v] = W;
    Glue(K, kk, T0, 2);
    Glue(m, Prev(v), T0, 1);
    m_g = {m, v};
    m_a = {T0, 0};
    m_m0 = m;
    m_t0 = T0;
}

bool Recut::OddStep(Triangle* m, int v) {
    if (SideCorner(m) < 0) return false;
    if (m->corner[v] == m_a.First()) {
        m->corner[v] = m_w;
        Glue(m_g.t, m_g.k, m, Prev(v));
        m_g = {m, v};
    } else {
        m->corner[Next(v)] = m_w;
        Glue(m_a.t, m_a.k, m, Next(v));
        m_a = {m, v};
    }
    return true;
}

bool Recut::EvenStep(Triangle* m, int v, const Vec3& point) {
    if (SideCorner(m) < 0) return false;
    Vertex* W = MakeVertex(m, point);
    AppendLink(W);
    Vertex* A0 = m_a.First();
    Vertex* G0 = m_g.First();
    if (m->corner[v] == A0) {
        Vertex* C = m->corner[Prev(v)];
        m->corner[v] = W;
        Triangle* T1 = MakeTriangle(W, C, G0);
        Glue(m, Prev(v), T1, 0);
        Glue(m_g.t, m_g.k, T1, 1);
        Triangle* T2 = MakeTriangle(W, G0, A0);
        Glue(T1, 2, T2, 0);
        Glue(m_a.t, m_a.k, T2, 1);
        m_g = {m, v};
        m_a = {T2, 2};
    } else {
        const int k = Next(v);
        Vertex* G1 = m_g.Second();
        m->corner[k] = W;
        Triangle* T3 = MakeTriangle(A0, W, G0);
        Glue(m, k, T3, 0);
        Glue(m_a.t, m_a.k, T3, 2);
        Triangle* T4 = MakeTriangle(W, G1, G0);
        Glue(m_g.t, m_g.k, T4, 1);
        Glue(T3, 1, T4, 2);
        m_g = {T4, 0};
        m_a = {m, v};
    }
    return true;
}

bool Recut::OpenEnd(Triangle* m, const Vec3& cross) {
    const int q = SideCorner(m);
    if (q < 0) return false;
    Vertex* A0 = m_a.First();
    Vertex* G0 = m_g.First();
    Triangle* N = m->neighbour[q];
    const int nk = EntryBack(N, m, A0, m->corner[Next(q)]);
    if (nk < 0) return false;

    Vertex* W = MakeVertex(m, cross);
    AppendLink(W);
    m->corner[q] = W;
    Triangle* T5 = MakeTriangle(W, m->corner[Prev(q)], G0);
    Glue(m, Prev(q), T5, 0);
    Glue(m_g.t, m_g.k, T5, 1);
    Triangle* T6 = MakeTriangle(W, G0, A0);
    Glue(T5, 2, T6, 0);
    Glue(m_a.t, m_a.k, T6, 1);
    Triangle* T7 = MakeTriangle(m->corner[Next(q)], W, A0);
    Glue(N, nk, T7, 2);
    Glue(m, q, T7, 0);
    Glue(T6, 2, T7, 1);
    m_curve->kind = kOpenCurve;
    return true;
}

bool Recut::Close(Triangle* m) {
    const int q = SideCorner(m);
    if (q < 0) return false;
    Vertex* A0 = m_a.First();
    Triangle* N = m->neighbour[q];
    const int nk = EntryBack(N, m, A0, m->corner[Next(q)]);
    if (nk < 0) return false;

    m->corner[q] = m_w;
    Glue(m_g.t, m_g.k, m, Prev(q));
    Triangle* T8 = MakeTriangle(A0, m->corner[Next(q)], m_w);
    Glue(N, nk, T8, 0);
    Glue(m, q, T8, 1);
    Glue(m_a.t, m_a.k, T8, 2);
    m_curve->kind = kClosedCurve;
    return true;
}

// ---- The walk ----

enum class WalkResult { Closed, Open, Failed };

// Walks the stroke from `start`, which it leaves through `exit`, re-cutting every
// triangle it enters, until it comes back to where it began (a closed curve) or ends
// inside a triangle (an open one). Failed when the mesh does not agree with itself
// along the way or the walk goes on longer than `maxSteps` triangles.
WalkResult WalkStroke(const StrokeTrack& track, Recut& recut, Triangle* start, Exit exit,
                      long maxSteps) {
    Triangle* m = start;
    const int v = exit.edge;
    if (EntryBack(m->neighbour[Prev(v)], m, m->corner[Prev(v)], m->corner[v]) < 0)
        return WalkResult::Failed;
    recut.Start(m, v, exit.cross);
    for (long step = 1;; ++step) {
        Triangle* next = m->neighbour[exit.edge];
        if (!next ||
            (next->neighbour[0] != m && next->neighbour[1] != m && next->neighbour[2] != m))
            return WalkResult::Failed;
        m = next;
        if (step > maxSteps) return WalkResult::Failed;
        if (recut.IsStart(m)) {
            if (!recut.CanClose()) return WalkResult::Failed;
            return recut.Close(m) ? WalkResult::Closed : WalkResult::Failed;
        }
        const Vec3 previousCross = exit.cross;
        if (!track.FindExit(m, exit.into, &exit)) {
            // Having crossed a single edge, the end vertex would fall on the very
            // point of the first one, leaving two coincident vertices and triangles
            // of no area; such a stroke has not really left its first triangle.
            if (step == 1) return WalkResult::Failed;
            return recut.OpenEnd(m, exit.cross) ? WalkResult::Open : WalkResult::Failed;
        }
        const bool ok = step % 2 == 1
                            ? recut.OddStep(m, exit.edge)
                            : recut.EvenStep(m, exit.edge, 0.5 * (previousCross + exit.cross));
        if (!ok) return WalkResult::Failed;
    }
}

// The triangle the walk starts from: under the last point first, as an open stroke
// that ends over the surface is built from its end backwards, else under the first
// point over the surface. Null when no point is over a front triangle.
Triangle* StartTriangle(CMainFrame& frame, Curve* stroke) {
    Triangle* start = frame.PickTriangle(stroke->last);
    for (CurveLink* l = stroke->first; !start && l && l != stroke->last; l = l->next)
        start = frame.PickTriangle(l);
    return start;
}

// The new curve takes the stroke's place at the head of the curve list. The stroke's
// points (and any that closed its gap) lie between the walk's first vertex and the
// older vertices; they are unhooked and freed with it at once.
void HandOver(CMainFrame& frame, Curve* stroke, Curve* curve) {
    curve->first->vertex->next = stroke->first->vertex->next;
    ReleaseChain(stroke->first, ChainVertices::Release);
    delete stroke;
    frame.m_pCurves = curve;
}

}  // namespace

void CMainFrame::EmbedStroke() {
    Curve* stroke = m_pCurves;
    if (!stroke || !stroke->first || !stroke->last) return;
    // Close-and-place hands the stroke over closed into a ring. The walk forms the
    // wrap-around segment itself, and the stroke is released on every way out, so
    // the chain is opened here once and for all.
    stroke->last->next = nullptr;
    TransformToView();

    Triangle* start = StartTriangle(*this, stroke);
    const StrokeTrack track(stroke);
    Exit exit;
    if (!start || !track.FindExit(start, nullptr, &exit)) {
        // Over no triangle, or never out of its first one: nothing has changed yet.
        DropStroke(*this);
        return;
    }

    // Taken while the stroke is still whole at the head, so that a walk which cannot
    // finish puts back the model and the stroke exactly as they were.
    RefusableEdit attempt(*this);
    WalkResult result = WalkResult::Failed;
    {
        Recut recut(*this, stroke);
        // Every step enters a triangle; even a walk that winds over the whole body
        // twice stays far below this, and a mesh that makes it go on forever stops.
        const long maxSteps = 4 * static_cast<long>(CountTriangles(*this)) + 16;
        result = WalkStroke(track, recut, start, exit, maxSteps);
        if (result != WalkResult::Failed) {
            HandOver(*this, stroke, recut.TakeCurve());
            if (!ValidateModel(*this).empty()) result = WalkResult::Failed;
        }
    }
    // A fairing that runs away takes the whole embedding back with it.
    if (result == WalkResult::Failed || !FairModel()) {
        attempt.Refuse();
        m_nModelState = kModelCurveWaiting;
        return;
    }
    if (result == WalkResult::Open) m_nModelState = kModelCurveWaiting;
}
