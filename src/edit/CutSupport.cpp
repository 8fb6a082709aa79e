#include "edit/CutSupport.h"

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "model/PointerMap.h"

namespace edit {

namespace {

bool OnCuttingCurve(const Vertex* v) { return v->work.x == CUT_MARK; }

using DirectedEdge = std::pair<const Vertex*, const Vertex*>;
using EdgeMap = std::map<DirectedEdge, bool, std::less<>>;

// The curve's edges in link order, last to first included. False when an edge
// repeats or the chain is too short to enclose anything.
bool CurveEdges(const Curve* curve, EdgeMap& edges) {
    int links = 0;
    for (const CurveLink* l = curve->first; l; l = l->next) {
        const CurveLink* after = l->next ? l->next : curve->first;
        if (!l->vertex || !after->vertex) return false;
        edges[{l->vertex, after->vertex}] = true;
        ++links;
    }
    return links >= 3 && static_cast<int>(edges.size()) == links;
}

// Sets `mark` to 0 on every triangle.
void ClearTriangleMarks(CMainFrame& frame) {
    for (Triangle* t = frame.m_pTriangles; t; t = t->next) t->mark = 0;
}

// Gives every vertex of the curve's chain CUT_MARK in `work` x and `kind` 2.
void MarkCuttingCurve(Curve* curve) {
    for (CurveLink* l = curve->first; l; l = l->next) {
        l->vertex->work.x = CUT_MARK;
        l->vertex->kind = kSharpVertex;
    }
}

// True when `b` is the vertex after `a` in the closed chain of `curve` (the first
// link follows the last); `a` is looked up at its first link.
bool FollowsInCurve(const Curve* curve, const Vertex* a, const Vertex* b) {
    for (const CurveLink* l = curve->first; l; l = l->next) {
        if (l->vertex != a) continue;
        const CurveLink* after = l->next ? l->next : curve->first;
        return after->vertex == b;
    }
    return false;
}

// Where the rim shows first: the first kept triangle, in list order, with an edge
// corner[k] -> corner[k + 1] that joins two consecutive vertices of the curve (either
// way round).
struct RimEdge {
    Triangle* triangle = nullptr;
    int k = 0;
};

// What one walk over the triangles gathers after FloodCut, in list order.
class FloodWalk {
public:
    FloodWalk(const Curve* curve, TrianglesAtVertices& filed) : m_curve(curve), m_filed(filed) {}

    // A marked triangle: its border edges with kept ones must be edges of the curve, all
    // run the same way. False when it has a missing neighbour or such an edge leaves
    // the curve.
    bool Removed(const Triangle* t, EdgeMap& edges) {
        for (int k = 0; k < 3; ++k) {
            const Triangle* n = t->neighbour[k];
            if (!n) return false;
            if (n->mark) continue;
            const Vertex* a = t->corner[k];
            const Vertex* b = t->corner[(k + 1) % 3];
            auto it = edges.find(DirectedEdge{a, b});
            if (it != edges.end()) {
                ++m_forward;
            } else {
                it = edges.find(DirectedEdge{b, a});
                if (it == edges.end()) return false;  // the hole's border leaves the curve
                ++m_backward;
            }
            edges.erase(it);
            ++m_borderEdges;
        }
        return true;
    }

    // A kept triangle: filed at its corners that `filed` holds, and looked at for the
    // rim edge until one is found. False when a corner is of kind 3: the flood gave it
    // that kind, and it would be freed under a triangle that stays.
    bool Kept(Triangle* t) {
        m_anyKept = true;
        for (int j = 0; j < 3; ++j) {
            const Vertex* c = t->corner[j];
            if (c->kind == kRemovedVertex) return false;
            // Only a vertex that `filed` holds can have a row, and when none of those
            // is a surface vertex, a surface vertex need not be looked up.
            if (c->kind == kSurfaceVertex && !m_surfaceFiled) continue;
            const int32_t r = m_filed.row.Find(c);
            if (r >= 0) m_filed.at[static_cast<size_t>(r)].emplace_back(t, j);
        }
        if (m_rim.triangle == nullptr) FindRimEdge(t);
        return true;
    }

    // Files the vertices of `curve` and of `alongside` (when given), each once.
    void File(const Curve* alongside) {
        int32_t count = 0;
        for (const Curve* c : {m_curve, alongside}) {
            for (const CurveLink* l = c != nullptr ? c->first : nullptr; l; l = l->next) {
                if (!m_filed.row.Insert(l->vertex, count)) continue;
                ++count;
                if (l->vertex->kind == kSurfaceVertex) m_surfaceFiled = true;
            }
        }
        m_filed.at.resize(static_cast<size_t>(count));
    }

    // Once every triangle has been seen: some triangle stays, and the border between
    // marked and kept triangles is exactly the curve's closed chain of edges (each
    // edge once, all run the same way).
    bool Fits(size_t rimEdges) const {
        return m_anyKept && m_borderEdges == rimEdges && (m_forward == 0 || m_backward == 0);
    }

    const RimEdge& Rim() const { return m_rim; }

private:
    void FindRimEdge(Triangle* t) {
        for (int j = 0; j < 3; ++j) {
            const Vertex* a = t->corner[j];
            const Vertex* b = t->corner[(j + 1) % 3];
            if (!OnCuttingCurve(a) || !OnCuttingCurve(b)) continue;
            // Two curve vertices may also be joined by a mesh edge that cuts
            // across the kept side; such an edge says nothing about which way
            // the rim runs, so only edges of the curve itself count.
            if (!FollowsInCurve(m_curve, a, b) && !FollowsInCurve(m_curve, b, a)) continue;
            m_rim.triangle = t;
            m_rim.k = j;
            return;
        }
    }

    const Curve* m_curve;
    TrianglesAtVertices& m_filed;
    bool m_surfaceFiled = false;
    bool m_anyKept = false;
    size_t m_borderEdges = 0;
    int m_forward = 0;
    int m_backward = 0;
    RimEdge m_rim;
};

// After FloodCut, in one walk over the triangles: checks that the marked triangles are
// a region that can be cut out and capped along `curve` (FloodWalk), unlinks and frees
// them, files the triangles that stay at each vertex of `curve` and of `alongside` in
// `filed`, and finds the rim edge. The rim ring's nodes look through the few edges of
// their own vertex (AttachRing), and the patch's triangulation through the few
// triangles at its ring, instead of through the whole list. The marked triangles are
// freed once the walk is over, as a marked triangle reads the marks of neighbours
// that may have been unlinked before it. False when the region does not fit or no rim
// edge is found; the model is then partly changed.
bool RemoveFloodedRegion(CMainFrame& frame, const Curve* curve, const Curve* alongside,
                         TrianglesAtVertices& filed, RimEdge& rim) {
    EdgeMap edges;
    if (!CurveEdges(curve, edges)) return false;
    const size_t rimEdges = edges.size();
    FloodWalk walk(curve, filed);
    walk.File(alongside);
    std::vector<Triangle*> removed;
    bool fits = true;
    Triangle** link = &frame.m_pTriangles;
    while (Triangle* t = *link) {
        if (t->mark) {
            *link = t->next;
            removed.push_back(t);
            fits = walk.Removed(t, edges);
        } else {
            fits = walk.Kept(t);
            link = &t->next;
        }
        if (!fits) break;
    }
    for (Triangle* t : removed) delete t;
    filed.head = frame.m_pTriangles;
    rim = walk.Rim();
    return fits && walk.Fits(rimEdges) && rim.triangle != nullptr;
}

// Takes every vertex of kind 3 out of the curves, one CutCurvesAtVertex at a time,
// restarting the scan from the head of the curve list after each. False (with the
// curves partly cut) if the scan does not settle: each cut must drop a link, so
// the number of links bounds the number of rounds.
bool CutRemovedVerticesFromCurves(CMainFrame& frame) {
    long rounds = 1;
    for (const Curve* c = frame.m_pCurves; c; c = c->next)
        for (const CurveLink* l = c->first; l; l = l->next) ++rounds;
    for (;;) {
        Vertex* found = nullptr;
        for (const Curve* c = frame.m_pCurves; c && !found; c = c->next) {
            for (const CurveLink* l = c->first; l; l = l->next) {
                if (l->vertex && l->vertex->kind == kRemovedVertex) {
                    found = l->vertex;
                    break;
                }
            }
        }
        if (!found) return true;
        if (--rounds < 0) return false;
        frame.CutCurvesAtVertex(found);
    }
}

// Unlinks and frees every vertex of kind 3.
void RemoveMarkedVertices(CMainFrame& frame) {
    Vertex** link = &frame.m_pVertices;
    while (Vertex* v = *link) {
        if (v->kind == kRemovedVertex) {
            *link = v->next;
            delete v;
        } else {
            link = &v->next;
        }
    }
}

// Gives every node of the ring, from `ring` once round, the remaining triangle
// that runs along its edge the other way, and that triangle's neighbour slot.
// False if a node finds none (nodes already visited keep what they got). The ring
// runs along the cutting curve, whose triangles `filed` holds.
bool AttachRing(RingNode* ring, const TrianglesAtVertices& filed) {
    RingNode* e = ring;
    do {
        const Vertex* from = e->next->vertex;
        const Vertex* to = e->vertex;
        Triangle* found = nullptr;
        int slot = 0;
        const int32_t r = filed.row.Find(from);
        if (r >= 0) {
            for (const auto& [t, j] : filed.at[static_cast<size_t>(r)]) {
                if (t->corner[(j + 1) % 3] == to) {
                    found = t;
                    slot = j;
                    break;
                }
            }
        }
        if (!found) return false;
        e->triangle = found;
        e->slot = &found->neighbour[slot];
        e = e->next;
    } while (e != ring);
    return true;
}

}  // namespace

bool CutOutRegion(CMainFrame& frame, Curve* curve, Triangle* start, HoleRings& hole,
                  const Curve* alongside) {
    ClearTriangleMarks(frame);
    MarkCuttingCurve(curve);
    frame.FloodCut(start);
    RimEdge rim;
    if (!RemoveFloodedRegion(frame, curve, alongside, hole.filed, rim)) {
        hole = HoleRings();
        return false;
    }
    const Triangle* seam = rim.triangle;
    const int k = rim.k;
    // The rim ring runs against the kept triangles' rim edges; the inner ring runs with
    // them, so the patch's triangles will run against the kept ones.
    const bool alongLinks = FollowsInCurve(curve, seam->corner[k], seam->corner[(k + 1) % 3]);
    RingNode* against = frame.RingFromCurve(curve);
    RingNode* along = frame.TwinRing(against);
    hole.rim = alongLinks ? against : along;
    hole.inner = alongLinks ? along : against;

    bool ok = CutRemovedVerticesFromCurves(frame);
    if (ok) {
        RemoveMarkedVertices(frame);
        ok = AttachRing(hole.rim, hole.filed);
    }
    if (!ok) {
        FreeRing(hole.rim);
        FreeRing(hole.inner);
        hole = HoleRings();
    }
    return ok;
}

void FreeRing(RingNode* ring) {
    std::vector<RingNode*> nodes;
    RingNode* n = ring;
    do {
        nodes.push_back(n);
        n = n->next;
    } while (n != ring);
    for (RingNode* node : nodes) delete node;
}

}  // namespace edit
