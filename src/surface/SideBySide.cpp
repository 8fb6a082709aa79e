// Two rings that meet only along edges of their own, split on two threads: the
// first on the calling thread, the second on the kept thread (KeptThread), each into
// lists of its own.
//
// Splitting the second after the first, as one thread does, it learns from the first's
// patch only which pairs of its vertices that patch joins. Every edge of the patch is
// an edge of the first ring, an edge with a new vertex at one end, or a chord the
// first laid bare between two of its ring's vertices. An edge of the first ring
// between two vertices of the second is the second's own edge across (the rings meet
// along it) or lies in a triangle made before both, which both read. So the bare
// chords are all the second can learn, and a split of the second beside the first
// differs from the split after it only where it took a pair the first laid bare as
// free. The second is split beside the first, notes the pairs it took as free, and is
// split again after the first when one of them is a bare chord of the first's.
//
// Neither split may touch what the other reads or writes. The second works on a copy
// of its ring made on its thread, whose edges all face stand-ins, and the first's
// edges that face the second face stand-ins too. A stand-in has no vertex and never
// gets a triangle, so the triangles at those edges wait in their nodes; at the end
// they are made neighbours across the edges, as when the second closed them after the
// first, and every node made on the kept thread is freed there.

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/MainFrame.h"
#include "model/PointerMap.h"
#include "surface/FairKernel.h"
#include "surface/KeptThread.h"
#include "surface/PairTable.h"
#include "surface/RingSplit.h"

using namespace ring_split;

namespace {

// Rings of fewer nodes are split on one thread: their patches are too small to pay
// for handing one to another thread.
constexpr size_t kNodesForTwoThreads = 64;

std::atomic<bool> g_allowed{true};
std::atomic<long> g_kept{0};
std::atomic<long> g_splitAgain{0};

RingNode* NewStandIn() { return NewNode(nullptr); }
bool IsStandIn(const RingNode* node) { return node->vertex == nullptr; }

// The node that ended up holding the edge whose other side is the stand-in
// `standIn`, waiting in its triangle for the other side; null when there is none
// such.
RingNode* WaitingAt(const RingNode* standIn) {
    RingNode* node = standIn->twin;
    if (node == nullptr || IsStandIn(node) || node->twin != standIn || node->triangle == nullptr)
        return nullptr;
    return node;
}

// The second ring's split on the kept thread.
class SecondRing {
public:
    SecondRing(const std::vector<RingEntry>& ring, int flag, double step,
               const EarlierTriangles& earlier)
        : m_ring(ring), m_flag(flag), m_step(step), m_earlier(earlier) {}
    SecondRing(const SecondRing&) = delete;
    SecondRing& operator=(const SecondRing&) = delete;
    // Lets the kept thread free its nodes, which it does on its own time.
    ~SecondRing() {
        if (!m_started) return;
        WaitUntilSplit();
        m_edges->stage.store(kDone, std::memory_order_release);
        m_edges->stage.notify_all();
        KeptThread::Get().Release();
    }

    // False when the kept thread is not to be had.
    bool Start() {
        m_started = KeptThread::Get().TryStart([this, edges = m_edges] { Work(*edges); });
        return m_started;
    }

    void WaitUntilSplit() {
        std::atomic<int>& stage = m_edges->stage;
        for (int now = stage.load(std::memory_order_acquire); now < kSplit;
             now = stage.load(std::memory_order_acquire))
            stage.wait(now, std::memory_order_acquire);
    }

    // After WaitUntilSplit: whether the split went as it would have gone after the
    // first ring's, whose bare chords are `bareChords`.
    bool SameAsAfter(const std::vector<VertexPair>& bareChords) const {
        if (m_failed || m_closedSmallRing) return false;
        if (!bareChords.empty()) {
            PairSet bare(bareChords.size());
            for (const VertexPair& pair : bareChords) bare.Insert(pair);
            for (const VertexPair& pair : m_takenAsFree)
                if (bare.Contains(pair)) return false;
        }
        return true;
    }

    // The node at the ring's edge i (from ring[i] to ring[i + 1]) waiting in its
    // triangle; null when there is none such.
    RingNode* EdgeNode(size_t i) const { return WaitingAt(m_edges->across[i]); }

    // The lists made, newest first, and the last record of each.
    Vertex* vertices = nullptr;
    Triangle* triangles = nullptr;
    Vertex* lastVertex = nullptr;
    Triangle* lastTriangle = nullptr;

private:
    static constexpr int kSplitting = 0;
    static constexpr int kSplit = 1;
    static constexpr int kDone = 2;

    // What the kept thread holds on to after the split: the stand-ins at the ring's
    // edges, read by the calling thread until it says it is done with them, and then
    // freed with the nodes at their edges.
    struct Edges {
        std::vector<RingNode*> across;
        std::atomic<int> stage{kSplitting};
    };

    // The split, and after it only `edges`: this object may be gone by then.
    void Work(Edges& edges) {
        std::vector<RingNode*>& across = edges.across;
        try {
            const size_t n = m_ring.size();
            std::vector<RingNode*> copy(n);
            across.assign(n, nullptr);
            for (size_t i = 0; i < n; ++i) {
                copy[i] = NewNode(m_ring[i].vertex);
                across[i] = NewStandIn();
                across[i]->twin = copy[i];
                copy[i]->twin = across[i];
            }
            for (size_t i = 0; i < n; ++i) copy[i]->next = copy[i + 1 == n ? 0 : i + 1];
            SplitOutput out{&vertices, &triangles, m_step};
            out.takenAsFree = &m_takenAsFree;
            SplitRingWith(out, copy[0], m_flag, m_earlier);
            m_closedSmallRing = out.closedSmallRing;
            lastVertex = out.lastVertex;
            lastTriangle = out.lastTriangle;
        } catch (...) {
            m_failed = true;
        }
        edges.stage.store(kSplit, std::memory_order_release);
        edges.stage.notify_all();
        for (int now = edges.stage.load(std::memory_order_acquire); now < kDone;
             now = edges.stage.load(std::memory_order_acquire))
            edges.stage.wait(now, std::memory_order_acquire);
        for (RingNode* standIn : across) {
            if (standIn == nullptr) continue;
            RingNode* node = standIn->twin;
            if (node != nullptr && !IsStandIn(node) && node->twin == standIn) delete node;
            delete standIn;
        }
    }

    const std::vector<RingEntry>& m_ring;
    const int m_flag;
    const double m_step;
    const EarlierTriangles m_earlier;
    bool m_started = false;
    std::shared_ptr<Edges> m_edges = std::make_shared<Edges>();
    std::vector<VertexPair> m_takenAsFree;
    bool m_closedSmallRing = false;
    bool m_failed = false;
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

// Splits `first` with `earlier` and `second` likewise, side by side. `after` splits the
// second ring after the first, given the first's bare chords: it runs when the split
// beside is not kept. False, with nothing done, when the rings are small, malformed,
// or the kept thread is not to be had.
bool SplitSideBySide(CMainFrame& frame, RingNode* first, RingNode* second, int flag,
                     const EarlierTriangles& earlier, TwinSplit& how,
                     const std::function<void(RingNode*, const std::vector<VertexPair>&)>& after) {
    const std::vector<RingEntry> ringA = RingEntries(first);
    const std::vector<RingEntry> ringB = RingEntries(second);
    if (!g_allowed.load(std::memory_order_relaxed) || FairKernel::Processors() < 2 ||
        std::min(ringA.size(), ringB.size()) < kNodesForTwoThreads)
        return false;
    // What lies across each of the second's edges: a node of the first ring, or the
    // node of a triangle made before, waiting for this side.
    PointerSet nodesA(ringA.size());
    for (const RingEntry& e : ringA) nodesA.Insert(e.node);
    std::vector<RingNode*> acrossB(ringB.size());
    for (size_t i = 0; i < ringB.size(); ++i) {
        acrossB[i] = ringB[i].node->twin;
        if (acrossB[i] == nullptr || acrossB[i]->twin != ringB[i].node) return false;
    }

    auto secondRing = std::make_unique<SecondRing>(ringB, flag, frame.m_dStrokeStep, earlier);
    if (!secondRing->Start()) return false;
    // The first ring's edges across from the second face stand-ins while it is split.
    std::vector<RingNode*> standIns(ringB.size(), nullptr);
    for (size_t i = 0; i < ringB.size(); ++i) {
        if (!nodesA.Contains(acrossB[i])) continue;
        standIns[i] = NewStandIn();
        standIns[i]->twin = acrossB[i];
        acrossB[i]->twin = standIns[i];
    }
    std::vector<VertexPair> bareChords;
    SplitOutput out = OutputTo(frame);
    out.bareChords = &bareChords;
    SplitRingWith(out, first, flag, earlier);

    secondRing->WaitUntilSplit();
    // What now holds each edge across from the second: the first's node there, or the
    // earlier triangle's.
    const auto holder = [&](size_t i) {
        return standIns[i] != nullptr ? WaitingAt(standIns[i]) : acrossB[i];
    };
    bool kept = secondRing->SameAsAfter(bareChords);
    for (size_t i = 0; kept && i < ringB.size(); ++i) {
        const RingNode* there = holder(i);
        kept = there != nullptr && there->triangle != nullptr &&
               secondRing->EdgeNode(i) != nullptr;
    }
    if (kept) {
        for (size_t i = 0; i < ringB.size(); ++i) {
            RingNode* there = holder(i);
            const RingNode* here = secondRing->EdgeNode(i);
            *here->slot = there->triangle;
            *there->slot = here->triangle;
            delete there;
            delete standIns[i];
            delete ringB[i].node;
        }
        PutInFront(secondRing->vertices, secondRing->lastVertex, frame.m_pVertices);
        PutInFront(secondRing->triangles, secondRing->lastTriangle, frame.m_pTriangles);
        how = TwinSplit::SideBySide;
        g_kept.fetch_add(1, std::memory_order_relaxed);
        return true;
    }

    FreeLists(secondRing->vertices, secondRing->triangles);
    secondRing.reset();
    // The second ring, untouched so far, across from what now holds each edge: a node
    // of the first's, or the stand-in of another of its edges where the first joined
    // the two across a ring of two nodes.
    for (size_t i = 0; i < ringB.size(); ++i) {
        if (standIns[i] == nullptr) continue;
        RingNode* there = standIns[i]->twin;
        if (there != nullptr && IsStandIn(there)) {
            const auto j = std::find(standIns.begin(), standIns.end(), there) - standIns.begin();
            ringB[i].node->twin = ringB[static_cast<size_t>(j)].node;
        } else {
            ringB[i].node->twin = there;
            if (there != nullptr) there->twin = ringB[i].node;
        }
    }
    for (RingNode* standIn : standIns) delete standIn;
    after(second, bareChords);
    how = TwinSplit::SplitAgain;
    g_splitAgain.fetch_add(1, std::memory_order_relaxed);
    return true;
}

}  // namespace

void AllowSideBySide(bool allowed) { g_allowed.store(allowed, std::memory_order_relaxed); }

SideBySideCounts SideBySideSoFar() {
    return {g_kept.load(std::memory_order_relaxed), g_splitAgain.load(std::memory_order_relaxed)};
}

// The twin's vertices are the ring's, so the triangles made before the ring's patch
// join the same pairs of them for both and are walked again, but the ring's patch is
// not walked for the twin: the pairs it joins among the twin's vertices are the
// twin's own edges and the bare chords between two of the ring's vertices (see the
// top of this file), which the ring's splitting lists.
TwinSplit SplitRingAndTwin(CMainFrame& frame, RingNode* ring, int flag) {
    RingNode* twin = frame.TwinRing(ring);
    TwinSplit how = TwinSplit::OneThread;
    const Triangle* before = frame.m_pTriangles;
    const auto twinAfter = [&](RingNode* t, const std::vector<VertexPair>& bareChords) {
        SplitOutput out = OutputTo(frame);
        SplitRingWith(out, t, flag, {before, nullptr, &bareChords});
    };
    if (SplitSideBySide(frame, ring, twin, flag, {before, nullptr, nullptr}, how, twinAfter))
        return how;
    if (RingEntries(ring).size() < 3) {
        frame.SplitRing(ring, flag);
        frame.SplitRing(twin, flag);
        return how;
    }
    std::vector<VertexPair> bareChords;
    SplitOutput out = OutputTo(frame);
    out.bareChords = &bareChords;
    SplitRingWith(out, ring, flag, {before, nullptr, nullptr});
    twinAfter(twin, bareChords);
    return how;
}

TwinSplit SplitTwoAmongFiled(CMainFrame& frame, RingNode* first, RingNode* second, int flag,
                             const TrianglesAtVertices& filed) {
    TwinSplit how = TwinSplit::OneThread;
    const auto secondAfter = [&](RingNode* ring, const std::vector<VertexPair>&) {
        SplitRingAmongFiled(frame, ring, flag, filed);
    };
    if (SplitSideBySide(frame, first, second, flag, {frame.m_pTriangles, &filed, nullptr}, how,
                        secondAfter))
        return how;
    SplitRingAmongFiled(frame, first, flag, filed);
    SplitRingAmongFiled(frame, second, flag, filed);
    return how;
}
