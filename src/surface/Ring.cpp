// Boundary rings and their triangulation by curved chords.
//
// A ring is a circular list of half-edges; its twin ring holds the same edges the
// other way. SplitRing cuts a ring along a curved chord into two smaller rings until
// every ring is a triangle, and stitches each triangle to whatever was built on the
// other side of its edges.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "app/MainFrame.h"
#include "model/PointerMap.h"
#include "surface/ChordArcs.h"
#include "surface/PairTable.h"
#include "surface/RingSplit.h"

using namespace ring_split;

RingNode* ring_split::NewNode(Vertex* vertex) {
    auto* node = new RingNode;
    node->vertex = vertex;
    return node;
}

// The record kept at each power of two steps finds a loop within twice its length
// (Brent's cycle finding).
std::vector<ring_split::RingEntry> ring_split::RingEntries(RingNode* ring) {
    std::vector<RingEntry> entries;
    const RingNode* kept = nullptr;
    size_t power = 1;
    size_t steps = 0;
    for (RingNode* node = ring; node != nullptr;) {
        entries.push_back({node, node->vertex});
        node = node->next;
        if (node == ring) return entries;
        if (node == kept) break;
        if (++steps == power) {
            kept = node;
            power *= 2;
            steps = 0;
        }
    }
    entries.clear();
    return entries;
}

SplitOutput ring_split::OutputTo(CMainFrame& frame) {
    return {&frame.m_pVertices, &frame.m_pTriangles, frame.m_dStrokeStep};
}

namespace {

constexpr double kClearance = 0.99;  // accepted chord: diametral sphere nearly empty
constexpr double kSegmentOffset = 0.382;
// Far beyond any chord the view can show; only keeps the segment count an int.
constexpr double kMaxSegments = 100000.0;
// A sound patch has about its area over the squared step in vertices, and its area is
// below its perimeter times the arc of its first chord. A coarse ring (nodes many
// steps apart, so that the end directions are poor) can instead keep splitting into
// rings that get no smaller. Past this many times the sound count every further chord
// is laid as a single edge: rings then shrink at every split, so the work ends.
constexpr double kBudgetFactor = 4.0;
constexpr double kBudgetFloor = 1000.0;
constexpr double kBudgetCeiling = 200000.0;
// Rows one vertex pair may carry; see RingSplitter::rows.
constexpr int kMaxRowsPerPair = 8;
// Relative difference of arc lengths below which a row repeats its pair's last one.
constexpr double kSameRow = 0.01;

inline int After(int i, int n) { return i + 1 == n ? 0 : i + 1; }
inline int Before(int i, int n) { return i == 0 ? n - 1 : i - 1; }

// Stitches the edge of `node` into triangle `triangle` at neighbour entry `slot`: if
// the other side is already built the two triangles become neighbours and both ring
// nodes go; otherwise the node waits for the other side with a reference to the entry.
void LinkEdge(RingNode* node, Triangle* triangle, int slot) {
    RingNode* twin = node->twin;
    if (twin == nullptr) {
        // A malformed ring: nothing can ever meet this edge, so don't keep the node.
        delete node;
        return;
    }
    if (twin->triangle != nullptr) {
        triangle->neighbour[slot] = twin->triangle;
        *twin->slot = triangle;
        delete twin;
        delete node;
    } else {
        node->triangle = triangle;
        node->slot = &triangle->neighbour[slot];
    }
}

// The two edges of a two-node ring join the same two vertices and enclose nothing:
// what lies across one (`left`, the first node's twin) and what lies across the
// other (`right`) are made each other's twins, or neighbours when both sides are
// already built.
void JoinAcross(RingNode* left, RingNode* right) {
    if (left == nullptr || right == nullptr) {
        // Only one side exists: it can't be stitched; release a waiting node, and
        // let a node still in a ring wait with no twin (LinkEdge then releases it).
        if (left != nullptr) {
            if (left->triangle != nullptr)
                delete left;
            else
                left->twin = nullptr;
        }
        if (right != nullptr) {
            if (right->triangle != nullptr)
                delete right;
            else
                right->twin = nullptr;
        }
        return;
    }
    if (left->triangle != nullptr && right->triangle != nullptr) {
        *left->slot = right->triangle;
        *right->slot = left->triangle;
        delete left;
        delete right;
        return;
    }
    left->twin = right;
    right->twin = left;
}

Vec3 Lerp(const Vec3& a, const Vec3& b, double u) { return a + u * (b - a); }

// De Casteljau evaluation of a cubic; `derivative` gets a vector along the curve's
// derivative at u (second point of the second level minus the point on the curve).
Vec3 EvalCubic(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, double u,
               Vec3& derivative) {
    const Vec3 q0 = Lerp(p0, p1, u);
    const Vec3 q1 = Lerp(p1, p2, u);
    const Vec3 q2 = Lerp(p2, p3, u);
    const Vec3 r0 = Lerp(q0, q1, u);
    const Vec3 r1 = Lerp(q1, q2, u);
    const Vec3 point = Lerp(r0, r1, u);
    derivative = r1 - point;
    return point;
}

bool Normalise(Vec3& v) {
    const double len = Length(v);
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    v = v / len;
    return IsFinite(v);
}

VertexPair Unordered(const Vertex* x, const Vertex* y) {
    return x < y ? VertexPair{x, y} : VertexPair{y, x};
}

// Vertex pairs joined by an edge.
using JoinedPairs = PairSet;

// How many rows of chord vertices join each vertex pair, and the arc lengths of the
// last of them.
class RowCounts {
public:
    int Count(const Vertex* x, const Vertex* y) const {
        const Entry* e = m_counts.Find(Unordered(x, y));
        return e == nullptr ? 0 : e->rows;
    }
    // True when one more row of arcs `arcX` (at x) and `arcY` (at y) may join the pair.
    bool Allows(const Vertex* x, const Vertex* y, double arcX, double arcY) const {
        const Entry* e = m_counts.Find(Unordered(x, y));
        if (e == nullptr) return true;
        if (x > y) std::swap(arcX, arcY);
        const bool same = std::abs(arcX - e->arcFirst) <= kSameRow * e->arcFirst &&
                          std::abs(arcY - e->arcSecond) <= kSameRow * e->arcSecond;
        return e->rows < kMaxRowsPerPair && !same;
    }
    void Add(const Vertex* x, const Vertex* y, double arcX, double arcY) {
        if (x > y) std::swap(arcX, arcY);
        Entry& e = m_counts.At(Unordered(x, y));
        ++e.rows;
        e.arcFirst = arcX;
        e.arcSecond = arcY;
    }

private:
    struct Entry {
        int rows = 0;
        double arcFirst = 0.0;  // at the pair's first vertex
        double arcSecond = 0.0;
    };
    PairTable<Entry> m_counts;
};

// The shortest chord of the ring (n nodes) between two nodes that are not neighbours
// and not yet joined by an edge. False when every such pair is joined.
bool ShortestFreeChord(const RingEntry* ring, int n, const JoinedPairs& joined, int& a,
                       int& b) {
    double shortest = 0.0;
    bool found = false;
    for (int i = 0; i < n; ++i) {
        // Pairs from i two steps on up to one step short of i again, each pair once.
        for (int j = i + 2; j < n && !(i == 0 && j == n - 1); ++j) {
            if (joined.Contains(Unordered(ring[i].vertex, ring[j].vertex))) continue;
            const double lenSq = LengthSq(ring[j].vertex->position - ring[i].vertex->position);
            if (!found || lenSq < shortest) {
                shortest = lenSq;
                a = i;
                b = j;
                found = true;
            }
        }
    }
    return found;
}

// Sum of the ring's edge lengths, from its first node on.
double Perimeter(const std::vector<RingEntry>& ring) {
    const int n = static_cast<int>(ring.size());
    double perimeter = 0.0;
    for (int i = 0; i < n; ++i)
        perimeter += Length(ring[After(i, n)].vertex->position - ring[i].vertex->position);
    return perimeter;
}

// About how many vertex pairs the splitting of a ring joins: a patch spanned by a ring
// of n nodes one step apart holds some n^2 / 12 vertices when flat, twice that when it
// bulges as a face of the first body does, and three edges a vertex. Sizing the table
// for them at once spares it a dozen rounds of growing; a patch the guards cut short
// leaves part of it unused, whence the ceiling.
size_t ExpectedPairs(size_t n) {
    return std::min<size_t>(n + n * n / 2, size_t{1} << 19);
}

// Joins the corners of `t` that are both on the ring (in `boundary`). A triangle far
// from the ring, as nearly all are, costs two probes of the small table: with neither
// of its first two corners on the ring, no two of its corners can be.
inline void JoinCornersOnRing(const Triangle* t, const PointerSet& boundary,
                              JoinedPairs& joined) {
    bool onRing[3];
    onRing[0] = boundary.Contains(t->corner[0]);
    onRing[1] = boundary.Contains(t->corner[1]);
    if (!onRing[0] && !onRing[1]) return;
    onRing[2] = boundary.Contains(t->corner[2]);
    for (int k = 0; k < 3; ++k)
        if (onRing[k] && onRing[(k + 1) % 3])
            joined.Insert(Unordered(t->corner[k], t->corner[(k + 1) % 3]));
}

// Vertex pairs joined by an edge: the ring's own edges and the edges of triangles
// made before between two of the ring's vertices (the only vertices this patch
// shares with them). Such a triangle has a corner on the ring, so when every ring
// vertex is filed it is either filed there or was made since, ahead of the filing's
// head; otherwise every triangle from `walkFrom` on is looked at. `boundary` gets the
// ring's vertices. Only membership of `joined` is ever asked, so the order in which
// pairs are found does not matter.
void JoinedAtStart(const std::vector<RingEntry>& ring, const EarlierTriangles& earlier,
                   PointerSet& boundary, JoinedPairs& joined) {
    const int n = static_cast<int>(ring.size());
    if (n == 0) return;
    const TrianglesAtVertices* filed = earlier.filed;
    for (int i = 0; i < n; ++i) {
        boundary.Insert(ring[i].vertex);
        joined.Insert(Unordered(ring[i].vertex, ring[After(i, n)].vertex));
        if (filed != nullptr && filed->row.Find(ring[i].vertex) < 0) filed = nullptr;
    }
    if (earlier.joinedElsewhere != nullptr)
        for (const VertexPair& pair : *earlier.joinedElsewhere) joined.Insert(pair);
    const Triangle* filedHead = filed != nullptr ? filed->head : nullptr;
    const Triangle* t = earlier.walkFrom;
    for (; t != filedHead && t != nullptr; t = t->next) JoinCornersOnRing(t, boundary, joined);
    // Running off the end without meeting the head means the list changed under the
    // filing: the walk has then seen every triangle, and the filed ones may be gone.
    if (filed == nullptr || t != filedHead) return;
    for (const RingEntry& entry : ring)
        for (const auto& [filedTriangle, corner] : filed->at[filed->row.Find(entry.vertex)])
            JoinCornersOnRing(filedTriangle, boundary, joined);
}

// A ring of n <= 3 nodes ends the splitting: three nodes become a triangle put at
// the head of `triangles`, and two or one are stitched across and released.
void CloseSmallRing(const RingEntry* ring, int n, Triangle*& triangles) {
    if (n == 3) {
        RingNode* x = ring[0].node;
        RingNode* y = ring[1].node;
        RingNode* z = ring[2].node;
        Triangle* triangle = PushTriangle(triangles, x->vertex, z->vertex, y->vertex);
        LinkEdge(x, triangle, 2);
        LinkEdge(y, triangle, 1);
        LinkEdge(z, triangle, 0);
    } else if (n == 2) {
        // Two edges between the same two vertices enclose nothing: stitch the far
        // sides of the two edges to each other instead.
        RingNode* p = ring[0].node;
        RingNode* q = ring[1].node;
        JoinAcross(p->twin, q->twin);
        delete p;
        delete q;
    } else if (n == 1) {
        RingNode* p = ring[0].node;
        JoinAcross(p->twin, nullptr);
        delete p;
    }
}

// Of the chords that halve the ring of n nodes, the shortest: a and b get the places
// of its ends.
void HalvingChord(const RingEntry* ring, int n, int& a, int& b) {
    const int m = n / 2;
    b = 1;
    a = 1 + m;
    double shortest = LengthSq(ring[a].vertex->position - ring[b].vertex->position);
    for (int k = 2; k <= n - m; ++k) {
        const int candA = k + m == n ? 0 : k + m;
        const double lenSq = LengthSq(ring[candA].vertex->position - ring[k].vertex->position);
        if (lenSq < shortest) {
            shortest = lenSq;
            a = candA;
            b = k;
        }
    }
}

// While some ring vertex lies well inside the chord's diametral sphere, moves the
// chord end nearer (in ring steps) to that vertex onto it, and keeps the chord whose
// sphere was emptiest. Each move shortens the chord, so the loop ends.
void RefineChord(const RingEntry* ring, int n, int& a, int& b) {
    double best = 0.0;
    int bestA = a;
    int bestB = b;
    for (;;) {
        if (b == After(a, n) || a == After(b, n)) break;
        const int stepsToB = b >= a ? b - a : b - a + n;
        const Vec3 A = ring[a].vertex->position;
        const Vec3 B = ring[b].vertex->position;
        const double halfSq = 0.25 * LengthSq(B - A);
        const Vec3 mid = A + 0.5 * (B - A);

        // The nodes from a's successor round to a's predecessor, in ring order, so that
        // of two equally near the first met wins. b lies on the sphere; only rounding
        // could put it inside.
        double nearest = halfSq;
        int c = -1;
        const auto nearer = [&](int from, int to) {
            for (int i = from; i < to; ++i) {
                const double distSq = LengthSq(ring[i].vertex->position - mid);
                if (distSq < nearest && i != b) {
                    nearest = distSq;
                    c = i;
                }
            }
        };
        nearer(a + 1, n);
        nearer(0, a);

        // Coincident ends span an empty sphere: such a chord is taken at once.
        const double ratio = halfSq > 0.0 ? nearest / halfSq : 1.0;
        if (ratio > best) {
            best = ratio;
            bestA = a;
            bestB = b;
            if (ratio > kClearance) break;
        }
        if (c < 0) break;
        const int stepsToC = c > a ? c - a : c - a + n;
        if (2 * stepsToC <= stepsToB || 2 * stepsToC >= stepsToB + n)
            a = c;
        else
            b = c;
    }
    a = bestA;
    b = bestB;
}

// The two ends of a chord from a to b and the curve that will carry its row.
struct ChordEnds {
    Vec3 A;
    Vec3 B;
    // Along the boundary at each end, carried across the chord to turn the normals.
    Vec3 tangentA;
    Vec3 tangentB;
    double twist = 0.0;
    double arcA = 0.0;
    double arcB = 0.0;
    Vec3 handleA;
    Vec3 handleB;
    // Set when arcA and arcB are only numbers no smaller than the arcs (see
    // MayBoundArcs); the handles and the twist, which only a row needs, are then
    // not found yet.
    bool arcsBounded = false;
    // What the arcs are found from.
    Vec3 dirA;
    Vec3 dirB;
    double chordSq = 0.0;
    double chordLen = 0.0;

    // The arcs themselves, and what a row along them needs.
    void FindArcs() {
        const Vec3 d = B - A;
        ArcAndHandle(dirA, d, chordSq, chordLen, arcA, handleA);
        ArcAndHandle(dirB, -d, chordSq, chordLen, arcB, handleB);
        twist = Dot(tangentB - tangentA, d) / chordSq;
        if (!std::isfinite(twist)) twist = 0.0;
        arcsBounded = false;
    }
};

// The directions in which the chord leaves its two ends, and the arcs and cubic
// handles they give. A sharp end leaves along its normal when `flag` is 1 (a patch
// bulging out of a loop) and along the chord otherwise. With `boundArcs` the arcs
// are only bounded from above: by `quick`'s limit where it holds at both ends.
ChordEnds EndGeometry(const RingEntry* ring, int n, int ia, int ib, int flag, bool boundArcs,
                      const QuickArcLimit& quick) {
    ChordEnds e;
    const RingEntry* a = &ring[ia];
    const RingEntry* b = &ring[ib];
    const RingEntry* prevA = &ring[Before(ia, n)];
    const RingEntry* prevB = &ring[Before(ib, n)];
    const RingEntry* nextA = &ring[After(ia, n)];
    const RingEntry* nextB = &ring[After(ib, n)];
    e.A = a->vertex->position;
    e.B = b->vertex->position;
    const Vec3 d = e.B - e.A;
    const double chordSq = LengthSq(d);
    const double chordLen = std::sqrt(chordSq);
    e.tangentA = prevA->vertex->position - nextA->vertex->position;
    e.tangentB = nextB->vertex->position - prevB->vertex->position;

    if (a->vertex->kind == kSharpVertex)
        e.dirA = flag == 1 ? a->vertex->normal : d;
    else
        e.dirA = Cross(a->vertex->normal, e.tangentA);
    if (b->vertex->kind == kSharpVertex)
        e.dirB = flag == 1 ? b->vertex->normal : -d;
    else
        e.dirB = Cross(b->vertex->normal, prevB->vertex->position - nextB->vertex->position);

    e.chordSq = chordSq;
    e.chordLen = chordLen;
    if (boundArcs) {
        if (quick.Holds(e.dirA, d, chordSq) && quick.Holds(e.dirB, -d, chordSq)) {
            e.arcA = quick.Limit();
            e.arcB = quick.Limit();
        } else {
            e.arcA = ArcBound(e.dirA, d, chordSq, chordLen);
            e.arcB = ArcBound(e.dirB, -d, chordSq, chordLen);
        }
    } else {
        e.FindArcs();
    }
    e.arcsBounded = boundArcs;
    return e;
}

// The chord's inner vertices w_1 .. w_(count-1), from b (u = 0) towards a (u = 1),
// put at the head of `vertices` and listed in `row` (row[i - 1] is w_i); the tangent
// curve carries the boundary direction across so that the normals turn smoothly.
void ChordVertices(const ChordEnds& e, const Vertex* a, const Vertex* b, int count,
                   Vertex*& vertices, std::vector<Vertex*>& row) {
    const Vec3 p1 = e.B + e.handleB;
    const Vec3 p2 = e.A + e.handleA;
    const Vec3 t1 = e.tangentB + e.twist * e.handleB;
    const Vec3 t2 = e.tangentA + e.twist * e.handleA;
    row.clear();
    for (int i = 1; i < count; ++i) {
        const double u = static_cast<double>(i) / count;
        Vec3 along;
        Vec3 unused;
        const Vec3 point = EvalCubic(e.B, p1, p2, e.A, u, along);
        const Vec3 tangent = EvalCubic(e.tangentB, t1, t2, e.tangentA, u, unused);
        Vec3 normal = Cross(along, tangent);
        if (!Normalise(normal)) {
            normal = Lerp(b->normal, a->normal, u);
            if (!Normalise(normal)) normal = {0.0, 0.0, 1.0};
        }
        auto* w = new Vertex;
        w->kind = kSurfaceVertex;
        w->position = IsFinite(point) ? point : Lerp(e.B, e.A, u);
        w->normal = normal;
        w->next = vertices;
        vertices = w;
        row.push_back(w);
    }
}

// What one SplitRing call carries from each ring it splits to the next.
struct RingSplitter {
    RingSplitter(SplitOutput& output, RingNode* ring, const EarlierTriangles& earlier)
        : out(output),
          rings(RingEntries(ring)),
          perimeter(Perimeter(rings)),
          joined(ExpectedPairs(rings.size())) {
        JoinedAtStart(rings, earlier, boundary, joined);
        used = rings.size();
        if (used > 0) starts.push_back(0);
    }

    bool JoinedChordNeedsRow(const RingEntry* ring, int n, int& a, int& b) const;
    // A chord cut into fewer than two segments is laid bare, and then its arcs go no
    // further than the count: a bound on them that puts it below two does as well and
    // spares the arc cosines (a sixth of the splitting's work). A chord that must have
    // a row keeps its arcs with the row, and the first sets the budget by them.
    bool MayBoundArcs(bool needsRow) const { return !needsRow && budget >= 0.0; }
    bool BelowTwoSegments(const ChordEnds& e) const {
        return (e.arcA + e.arcB) * 0.5 / out.step + kSegmentOffset < 2.0;
    }
    int GuardedCount(const ChordEnds& e, bool needsRow, const Vertex* a, const Vertex* b);
    void LayChord(int a, int b);
    void CloseFour(int a, int b);

    SplitOutput& out;
    // Arcs surely under this keep a chord below two segments; see BelowTwoSegments.
    const QuickArcLimit quickBare{(2.0 - kSegmentOffset) * out.step};
    // Rings still to be split, one after another, and where each starts; the last is
    // the one worked on. Splitting a ring yields ring 1 at a (worked on next) and ring
    // 2 at b (left below it), so rings are taken in the same order as a recursion on
    // ring 1 would take them, and vertices and triangles are made in that order, but
    // the depth no longer grows with the outline.
    // `rings` only grows; its entries from `used` on are room for the next halves.
    std::vector<RingEntry> rings;
    size_t used = 0;
    std::vector<size_t> starts;
    const double perimeter;
    // The vertices of the chord being laid (see ChordVertices).
    std::vector<Vertex*> row;
    // Rows of chord vertices laid so far between each vertex pair. A chord can
    // rightly be chosen again after its first row: that row lies on the chord's
    // diametral sphere, so in a smaller ring the same two ends pass the clearance test
    // at once, and a second row beside the first is what a star's arms need. But a
    // ring can also keep choosing the same pair and lay the same row again, each
    // one a copy of the last (a star's arm tip once stacked eight nearly on one
    // another, and the two faces crossed there). A row whose arcs match the pair's
    // last row within kSameRow, or one past kMaxRowsPerPair rows (sound outlines never
    // need more than five), is therefore laid as a single edge, which ends it.
    RowCounts rows;
    // Vertex pairs joined by an edge: those of JoinedAtStart and every chord laid here.
    JoinedPairs joined;
    // The ring's vertices.
    PointerSet boundary;
    double budget = -1.0;  // set at the first chord
    double made = 0.0;     // chord vertices made so far
};

// A chord between two vertices that an edge already joins - here, or on the other
// side of the boundary (the other face of the first surface, the kept mesh around a
// cap) - must not be laid as a bare edge: that edge would lie in four triangles. The
// two faces of the first surface split alike and met in fins of coincident triangles
// so. Such a chord gets a vertex of its own (true); if it already has a row, the
// repetition guard allows it only bare, so the shortest chord still free is taken
// instead. Past twice the budget a joined pair gets no row either (see GuardedCount).
bool RingSplitter::JoinedChordNeedsRow(const RingEntry* ring, int n, int& a, int& b) const {
    if (!joined.Contains(Unordered(ring[a].vertex, ring[b].vertex))) {
        if (out.takenAsFree != nullptr)
            out.takenAsFree->push_back(Unordered(ring[a].vertex, ring[b].vertex));
        return false;
    }
    const bool spent = budget >= 0.0 && made >= 2.0 * budget;
    if (rows.Count(ring[a].vertex, ring[b].vertex) == 0 && !spent) return true;
    // Of the pairs not joined, only the one chosen can have been taken as free
    // wrongly: with more pairs joined, the shortest of those left is still this one.
    if (ShortestFreeChord(ring, n, joined, a, b) && out.takenAsFree != nullptr)
        out.takenAsFree->push_back(Unordered(ring[a].vertex, ring[b].vertex));
    return false;
}

// The number of segments the chord from a to b is cut into, once the row-count and
// budget guards have had their say; the row is counted against both.
int RingSplitter::GuardedCount(const ChordEnds& e, bool needsRow, const Vertex* a,
                               const Vertex* b) {
    const double step = out.step;
    double segments = (e.arcA + e.arcB) * 0.5 / step + kSegmentOffset;
    if (!std::isfinite(segments)) segments = 0.0;
    int count = static_cast<int>(std::clamp(segments, 0.0, kMaxSegments));
    if (budget < 0.0) {
        const double scale = std::max(perimeter, std::max(e.arcA, e.arcB)) / step;
        budget = kBudgetFloor + kBudgetFactor * (perimeter / step) * scale;
        if (!(budget < kBudgetCeiling)) budget = kBudgetCeiling;
    }
    if (needsRow) {
        // One vertex at least, and only one past the budget. Past twice the budget
        // even that stops and the shortest free chord is laid bare instead, so that
        // from there on every split shrinks its rings and the work ends.
        if (count < 2 || made + count - 1 > budget) count = 2;
    } else if (count > 1) {
        if (!rows.Allows(a, b, e.arcA, e.arcB) || made + count - 1 > budget) count = 1;
    }
    if (count > 1) rows.Add(a, b, e.arcA, e.arcB);
    made += count > 1 ? count - 1 : 0;
    return count;
}

// Copies the entries of the ring (n of them) after `from` round to before `to` to
// `out`.
void CopyBetween(const RingEntry* ring, int n, int from, int to, RingEntry* out) {
    if (from < to) {
        std::copy(ring + from + 1, ring + to, out);
    } else {
        std::copy(ring, ring + to, std::copy(ring + from + 1, ring + n, out));
    }
}

// The number of entries CopyBetween copies.
int CountBetween(int n, int from, int to) { return from < to ? to - from - 1 : n - from - 1 + to; }

// Lays the chord from a to b through `row` and puts the two halves of the ring in its
// place: ring 2 (b, the row from first to last, a, then the nodes after a round to
// before b) and on top of it ring 1 (a, the row from last to first, b, then the nodes
// after b round to before a). The nodes of a and b start the chord's two sides; a's
// and b's own edges pass to new nodes at their vertices, with the twins they had.
// These are the rings and twins SpliceChord leaves, made without the whole chord ring
// and its twin ring that SpliceChord would free two nodes of.
void RingSplitter::LayChord(int ia, int ib) {
    const size_t start = starts.back();
    const int n = static_cast<int>(used - start);
    const int k = static_cast<int>(row.size());
    const size_t size2 = static_cast<size_t>(k + 2 + CountBetween(n, ia, ib));
    const size_t size1 = static_cast<size_t>(k + 2 + CountBetween(n, ib, ia));
    // The halves are written after the ring, then moved down over it.
    if (rings.size() < used + size2 + size1) rings.resize(2 * (used + size2 + size1));
    RingEntry* ring = rings.data() + start;
    RingEntry* ring2 = rings.data() + used;
    RingEntry* ring1 = ring2 + size2;

    const RingEntry a = ring[ia];
    const RingEntry b = ring[ib];
    RingNode* edgeAtA = NewNode(a.vertex);
    edgeAtA->twin = a.node->twin;
    if (a.node->twin != nullptr) a.node->twin->twin = edgeAtA;
    RingNode* edgeAtB = NewNode(b.vertex);
    edgeAtB->twin = b.node->twin;
    if (b.node->twin != nullptr) b.node->twin->twin = edgeAtB;

    // w_i's node on ring 1's side runs to w_(i-1) (w_1's to b), on ring 2's to w_(i+1)
    // (the last one's to a): each is the twin of the edge before it on the other side.
    ring2[0] = b;
    ring1[0] = a;
    RingNode* before = b.node;
    Vertex* from = b.vertex;
    for (int i = 1; i <= k; ++i) {
        Vertex* w = row[static_cast<size_t>(i - 1)];
        RingNode* back = NewNode(w);
        RingNode* on = NewNode(w);
        back->twin = before;
        before->twin = back;
        ring1[k + 1 - i] = {back, w};
        ring2[i] = {on, w};
        joined.Insert(Unordered(from, w));
        before = on;
        from = w;
    }
    a.node->twin = before;
    before->twin = a.node;
    joined.Insert(Unordered(from, a.vertex));
    ring2[k + 1] = {edgeAtA, a.vertex};
    CopyBetween(ring, n, ia, ib, ring2 + k + 2);
    ring1[k + 1] = {edgeAtB, b.vertex};
    CopyBetween(ring, n, ib, ia, ring1 + k + 2);

    if (out.bareChords != nullptr && k == 0 && boundary.Contains(a.vertex) &&
        boundary.Contains(b.vertex))
        out.bareChords->push_back(Unordered(a.vertex, b.vertex));
    std::copy(ring2, ring2 + size2 + size1, ring);
    used = start + size2 + size1;
    starts.push_back(start + size2);
}

// A ring of four nodes cut by a bare chord from a to b: the two triangles LayChord and
// CloseSmallRing would make, made at once, in the same order and stitched alike. The
// chord's two sides meet here, so it needs no nodes, and each end's node stays with
// its own edge instead of passing it to a new one.
void RingSplitter::CloseFour(int ia, int ib) {
    const size_t start = starts.back();
    const RingEntry* ring = rings.data() + start;
    const RingEntry a = ring[ia];
    const RingEntry b = ring[ib];
    const RingEntry afterA = ring[After(ia, 4)];
    const RingEntry afterB = ring[After(ib, 4)];
    joined.Insert(Unordered(b.vertex, a.vertex));
    if (out.bareChords != nullptr && boundary.Contains(a.vertex) && boundary.Contains(b.vertex))
        out.bareChords->push_back(Unordered(a.vertex, b.vertex));

    Triangle*& triangles = *out.triangles;
    const bool noTriangles = triangles == nullptr;
    // First the half beyond b (a, b and the node after b), which LayChord would stack
    // on top, then the half beyond a; each has the chord from corner 2 to corner 0.
    Triangle* first = PushTriangle(triangles, a.vertex, afterB.vertex, b.vertex);
    if (noTriangles) out.lastTriangle = first;
    LinkEdge(b.node, first, 1);
    LinkEdge(afterB.node, first, 0);
    Triangle* second = PushTriangle(triangles, b.vertex, afterA.vertex, a.vertex);
    first->neighbour[2] = second;
    second->neighbour[2] = first;
    LinkEdge(a.node, second, 1);
    LinkEdge(afterA.node, second, 0);
    used = start;
    starts.pop_back();
}

}  // namespace

RingNode* CMainFrame::RingFromCurve(Curve* curve) {
    if (curve == nullptr || curve->first == nullptr) return nullptr;
    RingNode* firstNode = nullptr;
    RingNode* previous = nullptr;
    // Stop at `last`, so a chain that is momentarily closed is still read once.
    for (CurveLink* link = curve->first; link != nullptr; link = link->next) {
        RingNode* node = NewNode(link->vertex);
        node->next = previous;
        if (firstNode == nullptr) firstNode = node;
        previous = node;
        if (link == curve->last) break;
    }
    firstNode->next = previous;
    return previous;
}

// A list that comes round to a node other than its first is no ring: it has no twin
// (null), rather than a walk that never ends.
RingNode* CMainFrame::TwinRing(RingNode* ring) {
    const std::vector<RingEntry> nodes = RingEntries(ring);
    if (nodes.empty()) return nullptr;
    RingNode* twinOfRing = NewNode(ring->vertex);
    RingNode* twinOfNode = twinOfRing;
    for (size_t i = 0; i < nodes.size(); ++i) {
        RingNode* node = nodes[i].node;
        RingNode* following = node->next;
        RingNode* twinOfFollowing = following == ring ? twinOfRing : NewNode(following->vertex);
        twinOfFollowing->next = twinOfNode;
        node->twin = twinOfFollowing;
        twinOfFollowing->twin = node;
        twinOfNode = twinOfFollowing;
    }
    return twinOfRing;
}

void SpliceChord(RingNode* a, RingNode* b, RingNode* chordAtA, RingNode* chordAtB,
                 RingNode* twinAtA) {
    chordAtB->twin = b->twin;
    if (b->twin != nullptr) b->twin->twin = chordAtB;
    chordAtB->next = b->next;

    RingNode* twinAtB = twinAtA->next;
    b->twin = twinAtB->twin;
    twinAtB->twin->twin = b;
    b->next = twinAtB->next;
    delete twinAtB;

    twinAtA->twin = a->twin;
    if (a->twin != nullptr) a->twin->twin = twinAtA;
    twinAtA->next = a->next;

    a->twin = chordAtA->twin;
    chordAtA->twin->twin = a;
    a->next = chordAtA->next;
    delete chordAtA;
}

// Each ring is cut along a curved chord: the halving chord, refined until its
// diametral sphere is nearly empty, given a row of vertices along a cubic unless the
// guards lay it bare, and spliced in so that the two halves are split in turn.
void ring_split::SplitRingWith(SplitOutput& out, RingNode* ring, int flag,
                               const EarlierTriangles& earlier) {
    RingSplitter split(out, ring, earlier);
    while (!split.starts.empty()) {
        const size_t start = split.starts.back();
        const RingEntry* p = split.rings.data() + start;
        const int n = static_cast<int>(split.used - start);
        if (n <= 3) {
            const bool noTriangles = *out.triangles == nullptr;
            CloseSmallRing(p, n, *out.triangles);
            if (noTriangles) out.lastTriangle = *out.triangles;
            if (n < 3) out.closedSmallRing = true;
            split.used = start;
            split.starts.pop_back();
            continue;
        }
        int a = 0;
        int b = 0;
        HalvingChord(p, n, a, b);
        RefineChord(p, n, a, b);
        const bool needsRow = split.JoinedChordNeedsRow(p, n, a, b);
        ChordEnds ends =
            EndGeometry(p, n, a, b, flag, split.MayBoundArcs(needsRow), split.quickBare);
        if (ends.arcsBounded && !split.BelowTwoSegments(ends)) ends.FindArcs();
        const int count = split.GuardedCount(ends, needsRow, p[a].vertex, p[b].vertex);
        const bool noVertices = *out.vertices == nullptr;
        ChordVertices(ends, p[a].vertex, p[b].vertex, count, *out.vertices, split.row);
        // The row's first vertex went in first.
        if (noVertices && !split.row.empty()) out.lastVertex = split.row.front();
        if (n == 4 && split.row.empty() && CountBetween(n, a, b) == 1)
            split.CloseFour(a, b);
        else
            split.LayChord(a, b);
    }
}

void CMainFrame::SplitRing(RingNode* ring, int flag) {
    SplitOutput out = OutputTo(*this);
    SplitRingWith(out, ring, flag, {m_pTriangles, nullptr, nullptr});
}

void SplitRingAmongFiled(CMainFrame& frame, RingNode* ring, int flag,
                         const TrianglesAtVertices& filed) {
    SplitOutput out = OutputTo(frame);
    SplitRingWith(out, ring, flag, {frame.m_pTriangles, &filed, nullptr});
}

