// Boundary rings and their triangulation by curved chords.
//
// A ring is a circular list of half-edges; its twin ring holds the same edges the
// other way. SplitRing cuts a ring along a curved chord into two smaller rings until
// every ring is a triangle, and stitches each triangle to whatever was built on the
// other side of its edges.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/MainFrame.h"
#include "model/PointerMap.h"
#include "surface/FairKernel.h"
#include "surface/KeptThread.h"
#include "surface/Ring.h"

namespace {

constexpr double kClearance = 0.99;  // accepted chord: diametral sphere nearly empty
constexpr double kStraightLimit = 0.00001;
constexpr double kHandleDivisor = 1.5;
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
// Cosine of the largest angle by which a row may leave its end turned back from the
// chord (about 134 degrees); see ArcAndHandle.
constexpr double kMaxTurnBackCos = -0.7;

RingNode* NewNode(Vertex* vertex) {
    auto* node = new RingNode;
    node->vertex = vertex;
    return node;
}

// Number of nodes of the ring, or 0 when following `next` runs into null.
int CountRing(const RingNode* ring) {
    int n = 0;
    const RingNode* node = ring;
    do {
        ++n;
        node = node->next;
    } while (node != ring && node != nullptr);
    return node == nullptr ? 0 : n;
}

// A ring while it is split: its nodes in ring order from the node it is worked from,
// each beside its vertex, so that the searches for a chord read one array instead of
// following `next` from node to node. Nodes made by the splitting have their order in
// these arrays alone and leave `next` null; no one reads it once a triangle holds them.
struct RingEntry {
    RingNode* node;
    Vertex* vertex;
};

// The nodes of the ring at `ring` in ring order; none for a null ring, for a list that
// runs into null, or for one that comes round to a node other than the first (a ring
// damaged so has nothing a split could close). The record kept at each power of two
// steps finds such a loop within twice its length (Brent's cycle finding).
std::vector<RingEntry> RingEntries(RingNode* ring) {
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

// Length of the circular arc from a chord end along `dir` to the other end, and the
// handle of the cubic that approximates it. `toward` is the chord vector from this
// end to the other (d at a, -d at b).
//
// An end direction that turns back from the chord asks for more than a half circle,
// which sound outlines do need (an L's inner corner turns back past 90 degrees), but
// the handle grows without bound as the turn nears 180 degrees: the row then loops far
// outside the ring and every chord after it inherits the tangle (a hand outline ran to
// the vertex budget so). The turn is therefore held at about 134 degrees, well past
// what the rows of the outlines we test with need.
void ArcAndHandle(const Vec3& dir, const Vec3& toward, double chordSq, double chordLen, double& arc,
                  Vec3& handle) {
    const double dirLen = Length(dir);
    const double q = dirLen * chordLen;
    const double c = std::max(kMaxTurnBackCos * q, Dot(dir, toward));
    const double s = std::sqrt(q * q - c * c);
    arc = chordLen;
    if (s > kStraightLimit) {
        // Rounding can carry the cosine a hair past +-1.
        const double cosine = std::clamp(c / q, -1.0, 1.0);
        const double a = std::acos(cosine) * dirLen * chordSq / s;
        if (std::isfinite(a)) arc = a;
    }
    handle = (chordSq / (q + c) / kHandleDivisor) * dir;
    // No direction, no chord, or a direction straight back along the chord (no arc
    // leaves that way): fall back to the straight chord's third.
    if (!(q + c > 0.0) || !IsFinite(handle)) handle = (1.0 / 3.0) * toward;
}

using VertexPair = std::pair<const Vertex*, const Vertex*>;

VertexPair Unordered(const Vertex* x, const Vertex* y) {
    return x < y ? VertexPair{x, y} : VertexPair{y, x};
}

// A bit for each hash of a vertex pair, set for every pair a table holds. A clear bit
// says, without touching the table, that a pair is not there: the tables of a big
// patch are far larger than the cache, and nearly every chord asked about is in
// neither, so most asks end in these 32 KB instead of a cache miss.
class PairFilter {
public:
    void Add(const VertexPair& pair) { m_words[Bit(pair) >> 6] |= Mask(pair); }
    bool MayHold(const VertexPair& pair) const { return (m_words[Bit(pair) >> 6] & Mask(pair)) != 0; }

private:
    static constexpr int kLogBits = 18;
    static size_t Bit(const VertexPair& pair) {
        const uint64_t x = reinterpret_cast<uintptr_t>(pair.first) >> 4;
        const uint64_t y = reinterpret_cast<uintptr_t>(pair.second) >> 4;
        const uint64_t mixed = (x * 0x9E3779B97F4A7C15ull) ^ (y * 0xC2B2AE3D27D4EB4Full);
        return static_cast<size_t>((mixed * 0x9E3779B97F4A7C15ull) >> (64 - kLogBits));
    }
    static uint64_t Mask(const VertexPair& pair) { return uint64_t{1} << (Bit(pair) & 63); }

    std::vector<uint64_t> m_words = std::vector<uint64_t>(size_t{1} << (kLogBits - 6), 0);
};

// Vertex pairs joined by an edge, behind a PairFilter.
class JoinedPairs {
public:
    explicit JoinedPairs(size_t expected) : m_pairs(expected) {}
    void Insert(const VertexPair& pair) {
        m_filter.Add(pair);
        m_pairs.Insert(pair);
    }
    bool Contains(const VertexPair& pair) const {
        return m_filter.MayHold(pair) && m_pairs.Contains(pair);
    }

private:
    PairFilter m_filter;
    PointerPairSet m_pairs;
};

// How many rows of chord vertices join each vertex pair, and the arc lengths of the
// last of them.
class RowCounts {
public:
    int Count(const Vertex* x, const Vertex* y) const {
        if (!m_filter.MayHold(Unordered(x, y))) return 0;
        const auto it = m_counts.find(Unordered(x, y));
        return it == m_counts.end() ? 0 : it->second.rows;
    }
    // True when one more row of arcs `arcX` (at x) and `arcY` (at y) may join the pair.
    bool Allows(const Vertex* x, const Vertex* y, double arcX, double arcY) const {
        if (!m_filter.MayHold(Unordered(x, y))) return true;
        const auto it = m_counts.find(Unordered(x, y));
        if (it == m_counts.end()) return true;
        const Entry& e = it->second;
        if (x > y) std::swap(arcX, arcY);
        const bool same = std::abs(arcX - e.arcFirst) <= kSameRow * e.arcFirst &&
                          std::abs(arcY - e.arcSecond) <= kSameRow * e.arcSecond;
        return e.rows < kMaxRowsPerPair && !same;
    }
    void Add(const Vertex* x, const Vertex* y, double arcX, double arcY) {
        if (x > y) std::swap(arcX, arcY);
        m_filter.Add(Unordered(x, y));
        Entry& e = m_counts[Unordered(x, y)];
        ++e.rows;
        e.arcFirst = arcX;
        e.arcSecond = arcY;
    }

private:
    struct Hash {
        size_t operator()(const VertexPair& pair) const {
            const auto x = reinterpret_cast<uintptr_t>(pair.first);
            const auto y = reinterpret_cast<uintptr_t>(pair.second);
            return std::hash<uintptr_t>()(x * 0x9E3779B97F4A7C15ull ^ y);
        }
    };
    struct Entry {
        int rows = 0;
        double arcFirst = 0.0;  // at the pair's first vertex
        double arcSecond = 0.0;
    };
    std::unordered_map<VertexPair, Entry, Hash> m_counts;
    PairFilter m_filter;
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

// Where a triangulation learns which of its ring's vertex pairs triangles made before
// it already join.
struct EarlierTriangles {
    // The triangles to look at, from here to the end of the list (or to the filing's
    // head).
    const Triangle* walkFrom = nullptr;
    // Triangles at the ring's vertices filed by an earlier walk; see JoinedAtStart.
    const TrianglesAtVertices* filed = nullptr;
    // Pairs known to be joined by triangles not walked; see SplitRingAndTwin.
    const std::vector<VertexPair>* joinedElsewhere = nullptr;
};

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
};

// The directions in which the chord leaves its two ends, and the arcs and cubic
// handles they give. A sharp end leaves along its normal when `flag` is 1 (a patch
// bulging out of a loop) and along the chord otherwise.
ChordEnds EndGeometry(const RingEntry* ring, int n, int ia, int ib, int flag) {
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

    Vec3 dirA;
    if (a->vertex->kind == kSharpVertex)
        dirA = flag == 1 ? a->vertex->normal : d;
    else
        dirA = Cross(a->vertex->normal, e.tangentA);
    Vec3 dirB;
    if (b->vertex->kind == kSharpVertex)
        dirB = flag == 1 ? b->vertex->normal : -d;
    else
        dirB = Cross(b->vertex->normal, prevB->vertex->position - nextB->vertex->position);

    e.twist = Dot(e.tangentB - e.tangentA, d) / chordSq;
    if (!std::isfinite(e.twist)) e.twist = 0.0;

    ArcAndHandle(dirA, d, chordSq, chordLen, e.arcA, e.handleA);
    ArcAndHandle(dirB, -d, chordSq, chordLen, e.arcB, e.handleB);
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

// Where a splitting puts what it makes, and what it tells about its choices.
struct SplitOutput {
    // New vertices and triangles go to the front of these lists.
    Vertex** vertices;
    Triangle** triangles;
    double step;  // the stroke step the rows are spaced by
    // When given, gets every chord laid as a bare edge between two of the ring's
    // vertices.
    std::vector<VertexPair>* bareChords = nullptr;
    // When given, gets every vertex pair whose chord was taken as joined by no edge yet
    // (see SplitRingAndTwin).
    std::vector<VertexPair>* takenAsFree = nullptr;
    // Set when a ring of fewer than three nodes was closed.
    bool closedSmallRing = false;
};

SplitOutput OutputTo(CMainFrame& frame) {
    return {&frame.m_pVertices, &frame.m_pTriangles, frame.m_dStrokeStep};
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
    int GuardedCount(const ChordEnds& e, bool needsRow, const Vertex* a, const Vertex* b);
    void LayChord(int a, int b);

    SplitOutput& out;
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

RingNode* CMainFrame::TwinRing(RingNode* ring) {
    if (ring == nullptr) return nullptr;
    RingNode* twinOfRing = NewNode(ring->vertex);
    RingNode* node = ring;
    RingNode* twinOfNode = twinOfRing;
    do {
        RingNode* following = node->next;
        RingNode* twinOfFollowing = following == ring ? twinOfRing : NewNode(following->vertex);
        twinOfFollowing->next = twinOfNode;
        node->twin = twinOfFollowing;
        twinOfFollowing->twin = node;
        node = following;
        twinOfNode = twinOfFollowing;
    } while (node != ring);
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

namespace {

// Each ring is cut along a curved chord: the halving chord, refined until its
// diametral sphere is nearly empty, given a row of vertices along a cubic unless the
// guards lay it bare, and spliced in so that the two halves are split in turn.
void SplitRingWith(SplitOutput& out, RingNode* ring, int flag, const EarlierTriangles& earlier) {
    RingSplitter split(out, ring, earlier);
    while (!split.starts.empty()) {
        const size_t start = split.starts.back();
        const RingEntry* p = split.rings.data() + start;
        const int n = static_cast<int>(split.used - start);
        if (n <= 3) {
            CloseSmallRing(p, n, *out.triangles);
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
        const ChordEnds ends = EndGeometry(p, n, a, b, flag);
        const int count = split.GuardedCount(ends, needsRow, p[a].vertex, p[b].vertex);
        ChordVertices(ends, p[a].vertex, p[b].vertex, count, *out.vertices, split.row);
        split.LayChord(a, b);
    }
}

}  // namespace

void CMainFrame::SplitRing(RingNode* ring, int flag) {
    SplitOutput out = OutputTo(*this);
    SplitRingWith(out, ring, flag, {m_pTriangles, nullptr, nullptr});
}

void SplitRingAmongFiled(CMainFrame& frame, RingNode* ring, int flag,
                         const TrianglesAtVertices& filed) {
    SplitOutput out = OutputTo(frame);
    SplitRingWith(out, ring, flag, {frame.m_pTriangles, &filed, nullptr});
}

namespace {

// A ring of fewer nodes is split with its twin on one thread: its patches are too
// small to pay for starting a second.
constexpr size_t kNodesForTwoThreads = 64;

// A stand-in for whatever lies across a ring's edge while the two faces are split
// apart: it has no vertex, never gets a triangle, and follows the edge from node to
// node as a twin does, so that afterwards its twin is the node that holds the edge.
RingNode* NewStandIn() { return NewNode(nullptr); }
bool IsStandIn(const RingNode* node) { return node->vertex == nullptr; }

// The twin ring of the ring whose nodes are `ring`, made as TwinRing makes it: a node
// at each vertex, running the other way from the node at the first vertex. The
// twin's node for the ring's edge i (from ring[i] to ring[i + 1]) is edges[i]; its
// twin is left null. Returns the node at the first vertex.
RingNode* TwinRingOf(const std::vector<RingEntry>& ring, std::vector<RingNode*>& edges) {
    const size_t n = ring.size();
    edges.resize(n);
    // edges[j - 1] is the node at ring[j].
    for (size_t j = 0; j < n; ++j) edges[j == 0 ? n - 1 : j - 1] = NewNode(ring[j].vertex);
    for (size_t i = 0; i < n; ++i) edges[i]->next = edges[i == 0 ? n - 1 : i - 1];
    return edges[n - 1];
}

// The twin face, split on the kept thread into lists of its own while the calling
// thread splits the ring's face. Every node it makes is freed on that thread.
class TwinFace {
public:
    TwinFace(const std::vector<RingEntry>& ring, int flag, double step)
        : m_ring(ring), m_flag(flag), m_step(step) {}
    TwinFace(const TwinFace&) = delete;
    TwinFace& operator=(const TwinFace&) = delete;
    ~TwinFace() {
        if (!m_started) return;
        WaitUntilSplit();
        m_stage.store(kDone, std::memory_order_release);
        m_stage.notify_all();
        KeptThread::Get().Wait();
    }

    // False when the kept thread is not to be had.
    bool Start() {
        m_started = KeptThread::Get().TryStart([this] { Work(); });
        return m_started;
    }

    void WaitUntilSplit() {
        for (int now = m_stage.load(std::memory_order_acquire); now < kSplit;
             now = m_stage.load(std::memory_order_acquire))
            m_stage.wait(now, std::memory_order_acquire);
    }

    // After WaitUntilSplit: whether the split went as it would have gone after the
    // ring's face, whose bare chords between ring vertices are `bareChords`.
    bool SameAsAfter(const std::vector<VertexPair>& bareChords) const {
        if (m_failed || m_closedSmallRing) return false;
        if (!bareChords.empty()) {
            PointerPairSet bare(bareChords.size());
            for (const VertexPair& pair : bareChords) bare.Insert(pair);
            for (const VertexPair& pair : m_takenAsFree)
                if (bare.Contains(pair)) return false;
        }
        return true;
    }

    // The node holding the twin face's side of the ring's edge i, waiting in its
    // triangle; null when there is none such.
    RingNode* EdgeNode(size_t i) const {
        RingNode* node = m_across[i]->twin;
        if (node == nullptr || IsStandIn(node) || node->twin != m_across[i] ||
            node->triangle == nullptr)
            return nullptr;
        return node;
    }

    // The lists made, newest first, and the last record of each.
    Vertex* vertices = nullptr;
    Triangle* triangles = nullptr;
    Vertex* lastVertex = nullptr;
    Triangle* lastTriangle = nullptr;

private:
    static constexpr int kSplitting = 0;
    static constexpr int kSplit = 1;
    static constexpr int kDone = 2;

    void Work() {
        try {
            std::vector<RingNode*> edges;
            RingNode* twin = TwinRingOf(m_ring, edges);
            m_across.resize(edges.size());
            for (size_t i = 0; i < edges.size(); ++i) {
                m_across[i] = NewStandIn();
                m_across[i]->twin = edges[i];
                edges[i]->twin = m_across[i];
            }
            SplitOutput out{&vertices, &triangles, m_step};
            out.takenAsFree = &m_takenAsFree;
            SplitRingWith(out, twin, m_flag, {nullptr, nullptr, nullptr});
            m_closedSmallRing = out.closedSmallRing;
            // Found here, while the calling thread is still busy with its face.
            for (Vertex* v = vertices; v != nullptr; v = v->next) lastVertex = v;
            for (Triangle* t = triangles; t != nullptr; t = t->next) lastTriangle = t;
        } catch (...) {
            m_failed = true;
        }
        m_stage.store(kSplit, std::memory_order_release);
        m_stage.notify_all();
        // The nodes left are those at the ring's edges, which the calling thread reads
        // until it is done.
        for (int now = m_stage.load(std::memory_order_acquire); now < kDone;
             now = m_stage.load(std::memory_order_acquire))
            m_stage.wait(now, std::memory_order_acquire);
        for (RingNode* standIn : m_across) {
            if (standIn == nullptr) continue;
            RingNode* node = standIn->twin;
            if (node != nullptr && !IsStandIn(node) && node->twin == standIn) delete node;
            delete standIn;
        }
    }

    const std::vector<RingEntry>& m_ring;
    const int m_flag;
    const double m_step;
    bool m_started = false;
    std::vector<RingNode*> m_across;
    std::vector<VertexPair> m_takenAsFree;
    bool m_closedSmallRing = false;
    bool m_failed = false;
    std::atomic<int> m_stage{kSplitting};
};

// Frees the vertices and triangles of two lists made by a split that is not kept.
void FreeLists(Vertex* vertices, Triangle* triangles) {
    while (vertices != nullptr) delete std::exchange(vertices, vertices->next);
    while (triangles != nullptr) delete std::exchange(triangles, triangles->next);
}

// Puts the list from `head` to `last` in front of `list`.
template <typename Record>
void PutInFront(Record* head, Record* last, Record*& list) {
    if (head == nullptr) return;
    last->next = list;
    list = head;
}

// The two faces of a first body split side by side: the ring's face on this thread,
// the twin's on a second. The twin's face is the same as when split after the ring's
// unless it took as free a pair that the ring's face joined by a bare chord (the
// only thing it learns from the ring's face), or closed a ring of fewer than three
// nodes (where the ring's face would have been met); then it is split again here.
// The faces meet along the ring's edges only: each is split against stand-ins, and
// their triangles are made neighbours across the edges at the end, as they would
// have been when the twin's face closed its triangles there. False, with nothing
// done, when the ring is small or the kept thread is not to be had.
bool SplitFacesSideBySide(CMainFrame& frame, RingNode* ring, int flag, TwinSplit& how) {
    const std::vector<RingEntry> entries = RingEntries(ring);
    const size_t n = entries.size();
    if (n < kNodesForTwoThreads) return false;
    auto twinFace = std::make_unique<TwinFace>(entries, flag, frame.m_dStrokeStep);
    if (!twinFace->Start()) return false;
    std::vector<RingNode*> across(n);
    for (size_t i = 0; i < n; ++i) {
        across[i] = NewStandIn();
        across[i]->twin = entries[i].node;
        entries[i].node->twin = across[i];
    }
    std::vector<VertexPair> bareChords;
    SplitOutput out = OutputTo(frame);
    out.bareChords = &bareChords;
    SplitRingWith(out, ring, flag, {nullptr, nullptr, nullptr});

    twinFace->WaitUntilSplit();
    bool kept = twinFace->SameAsAfter(bareChords);
    for (size_t i = 0; kept && i < n; ++i) {
        const RingNode* node = across[i]->twin;
        kept = node != nullptr && !IsStandIn(node) && node->twin == across[i] &&
               node->triangle != nullptr && twinFace->EdgeNode(i) != nullptr;
    }
    if (kept) {
        for (size_t i = 0; i < n; ++i) {
            RingNode* mine = across[i]->twin;
            const RingNode* theirs = twinFace->EdgeNode(i);
            *theirs->slot = mine->triangle;
            *mine->slot = theirs->triangle;
            delete mine;
            delete across[i];
        }
        PutInFront(twinFace->vertices, twinFace->lastVertex, frame.m_pVertices);
        PutInFront(twinFace->triangles, twinFace->lastTriangle, frame.m_pTriangles);
        how = TwinSplit::SideBySide;
        return true;
    }

    FreeLists(twinFace->vertices, twinFace->triangles);
    twinFace.reset();
    // The twin's face again, after the ring's, across from what holds each edge now:
    // a node of the ring's face, or the stand-in of another edge where the ring's face
    // joined the two across a ring of two nodes.
    std::vector<RingNode*> edges;
    RingNode* twin = TwinRingOf(entries, edges);
    for (size_t i = 0; i < n; ++i) {
        RingNode* holder = across[i]->twin;
        if (holder != nullptr && IsStandIn(holder)) {
            const auto j = std::find(across.begin(), across.end(), holder) - across.begin();
            edges[i]->twin = edges[static_cast<size_t>(j)];
        } else {
            edges[i]->twin = holder;
            if (holder != nullptr) holder->twin = edges[i];
        }
    }
    for (RingNode* standIn : across) delete standIn;
    out.bareChords = nullptr;
    SplitRingWith(out, twin, flag, {nullptr, nullptr, &bareChords});
    how = TwinSplit::SplitAgain;
    return true;
}

}  // namespace

// The twin's vertices are the ring's, so the triangles made before the ring's patch
// join the same pairs of them for both and are walked again, but the ring's patch is
// not walked for the twin. Its triangles have three kinds of edge: the ring's own
// (the twin's own too), those of chords with a row (each with a new vertex at one
// end) and those of bare chords. A ring of three nodes or more splits only along
// chords between nodes that are not neighbours, so every ring it splits into has
// three nodes or more too and ends as a triangle: every edge, and so every bare
// chord, lies in a triangle of the patch. The pairs that patch joins among the
// twin's vertices are therefore the twin's own edges and the bare chords between
// two of the ring's vertices, which the ring's splitting lists.
TwinSplit SplitRingAndTwin(CMainFrame& frame, RingNode* ring, int flag) {
    // With no triangles before them the two faces share nothing but the ring.
    TwinSplit how = TwinSplit::OneThread;
    if (frame.m_pTriangles == nullptr && FairKernel::Processors() > 1 &&
        SplitFacesSideBySide(frame, ring, flag, how))
        return how;
    RingNode* twin = frame.TwinRing(ring);
    if (ring == nullptr || CountRing(ring) < 3) {
        frame.SplitRing(ring, flag);
        frame.SplitRing(twin, flag);
        return how;
    }
    const Triangle* before = frame.m_pTriangles;
    std::vector<VertexPair> bareChords;
    SplitOutput out = OutputTo(frame);
    out.bareChords = &bareChords;
    SplitRingWith(out, ring, flag, {before, nullptr, nullptr});
    out.bareChords = nullptr;
    SplitRingWith(out, twin, flag, {before, nullptr, &bareChords});
    return how;
}
