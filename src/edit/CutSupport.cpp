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

// After FloodCut: true when the marked triangles are a region that can be cut out
// and capped along `curve`. That is, some triangle stays unmarked, the border
// between marked and unmarked triangles is exactly the curve's closed chain of
// edges (each edge once, all run the same way), no unmarked triangle has a corner
// of kind 3, and every marked triangle has three neighbours. Reads only.
bool FloodFitsCurve(const CMainFrame& frame, const Curve* curve) {
    EdgeMap edges;
    if (!CurveEdges(curve, edges)) return false;
    const size_t rimEdges = edges.size();
    size_t borderEdges = 0;
    int forward = 0;
    int backward = 0;
    bool anyKept = false;
    for (const Triangle* t = frame.m_pTriangles; t; t = t->next) {
        if (!t->mark) {
            anyKept = true;
            // A kept corner that the flood gave kind 3 would be freed under a
            // triangle that stays.
            for (const Vertex* c : t->corner)
                if (c->kind == kRemovedVertex) return false;
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            const Triangle* n = t->neighbour[k];
            if (!n) return false;
            if (n->mark) continue;
            const Vertex* a = t->corner[k];
            const Vertex* b = t->corner[(k + 1) % 3];
            auto it = edges.find(DirectedEdge{a, b});
            if (it != edges.end()) {
                ++forward;
            } else {
                it = edges.find(DirectedEdge{b, a});
                if (it == edges.end()) return false;  // the hole's border leaves the curve
                ++backward;
            }
            edges.erase(it);
            ++borderEdges;
        }
    }
    // A border that runs both ways along the curve can't be closed by one patch.
    return anyKept && borderEdges == rimEdges && (forward == 0 || backward == 0);
}

// Unlinks and frees every triangle whose `mark` is not 0, and files the triangles that
// stay at each vertex of `curve` and of `alongside` (when given) in `filed`: one walk
// over the triangles for both. The rim ring's nodes look through the few edges of their
// own vertex (AttachRing), and the patch's triangulation through the few triangles at
// its ring, instead of through the whole list.
void RemoveMarkedTriangles(CMainFrame& frame, const Curve* curve, const Curve* alongside,
                           TrianglesAtVertices& filed) {
    int32_t count = 0;
    for (const Curve* c : {curve, alongside})
        for (const CurveLink* l = c != nullptr ? c->first : nullptr; l; l = l->next)
            if (filed.row.Insert(l->vertex, count)) ++count;
    filed.at.resize(static_cast<size_t>(count));
    Triangle** link = &frame.m_pTriangles;
    while (Triangle* t = *link) {
        if (t->mark) {
            *link = t->next;
            delete t;
            continue;
        }
        for (int j = 0; j < 3; ++j) {
            const int32_t r = filed.row.Find(t->corner[j]);
            if (r >= 0) filed.at[static_cast<size_t>(r)].emplace_back(t, j);
        }
        link = &t->next;
    }
    filed.head = frame.m_pTriangles;
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

// The first remaining triangle, in list order, with an edge corner[k] ->
// corner[k + 1] that joins two consecutive vertices of `curve` (either way round).
// Sets `triangle` and `k`; false when there is none.
bool FindRimEdge(const CMainFrame& frame, const Curve* curve, Triangle*& triangle, int& k) {
    for (Triangle* t = frame.m_pTriangles; t; t = t->next) {
        for (int j = 0; j < 3; ++j) {
            const Vertex* a = t->corner[j];
            const Vertex* b = t->corner[(j + 1) % 3];
            if (!OnCuttingCurve(a) || !OnCuttingCurve(b)) continue;
            // Two curve vertices may also be joined by a mesh edge that cuts
            // across the kept side; such an edge says nothing about which way
            // the rim runs, so only edges of the curve itself count.
            if (!FollowsInCurve(curve, a, b) && !FollowsInCurve(curve, b, a)) continue;
            triangle = t;
            k = j;
            return true;
        }
    }
    return false;
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
    if (!FloodFitsCurve(frame, curve)) return false;
    RemoveMarkedTriangles(frame, curve, alongside, hole.filed);

    Triangle* seam = nullptr;
    int k = 0;
    if (!FindRimEdge(frame, curve, seam, k)) return false;
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
