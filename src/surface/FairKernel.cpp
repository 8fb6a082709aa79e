#include "surface/FairKernel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

// Vector extensions and per-function targets are GCC and Clang features; the AVX2
// build of the passes exists only there, on x86.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define PLIFORM_HAS_WIDE_UNIT 1
#else
#define PLIFORM_HAS_WIDE_UNIT 0
#endif

// The four-lane vectors never cross a call: every function taking or returning one is
// inlined, and all of them are local to this file, so the warning that such calls
// would pass them differently without AVX does not apply. (GCC reports it at the end
// of the file, so it stays off for the whole file.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace {
namespace portable_passes {
#define PLIFORM_PASS
#define PLIFORM_PASS_AVX 0
#include "surface/FairPasses.inc"
#undef PLIFORM_PASS
#undef PLIFORM_PASS_AVX
}  // namespace portable_passes

#if PLIFORM_HAS_WIDE_UNIT
namespace wide_passes {
#define PLIFORM_PASS __attribute__((target("avx2")))
#define PLIFORM_PASS_AVX 1
#include "surface/FairPasses.inc"
#undef PLIFORM_PASS
#undef PLIFORM_PASS_AVX
}  // namespace wide_passes
#endif
}  // namespace

// The four passes of one build, chosen once per Run.
struct FairKernel::Passes {
    void (*measure)(const Arrays&, int32_t, int32_t);
    void (*move)(const Arrays&, int32_t, int32_t, bool);
    void (*faceNormals)(const Arrays&, int32_t, int32_t);
    void (*normals)(const Arrays&, int32_t, int32_t, bool, bool);
};

namespace {

// The processors this process may run on (a container or `taskset` may allow fewer
// than the machine has).
size_t ProcessorsAvailable() {
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

FairKernel::Quad ToQuad(const Vec3& v) { return {v.x, v.y, v.z, 0.0}; }
Vec3 ToVec3(const FairKernel::Quad& q) { return {q.x, q.y, q.z}; }

}  // namespace

FairKernel::Arrays FairKernel::View() {
    return {m_position.data(),        m_normal.data(),
            m_centroid.data(),        m_normalSum.data(),
            m_faceNormal.data(),      m_meanSqEdge.data(),
            m_curvature.data(),       m_curvatureSum.data(),
            m_reciprocalCount.data(), m_reciprocalCountPlus.data(),
            m_measures.data(),        m_moves.data(),
            m_ringStart.data(),       m_ringNext.data(),
            m_ringNextLane.data(),    m_ringTriangleLane.data(),
            m_corners.data(),         m_quartetRingStart.data(),
            m_quartetRing.data()};
}

bool FairKernel::UnitAvailable(Unit unit) {
    switch (unit) {
    case Unit::Best:
    case Unit::Portable:
        return true;
#if PLIFORM_HAS_WIDE_UNIT
    case Unit::Avx2:
        return __builtin_cpu_supports("avx2") != 0;
#else
    case Unit::Avx2:
        return false;
#endif
    }
    return false;
}

int FairKernel::Processors() { return static_cast<int>(ProcessorsAvailable()); }

int FairKernel::WorkersFor(size_t vertexCount) {
    // Measured on two cores: a second worker loses at 162 vertices (0.8 ms alone, 2.1
    // ms with its start and the meetings), wins a little at 642 and pays nearly double
    // from 2562 up. Each further worker adds the same start and the same meetings, so
    // each is given at least as many vertices as the second needs to pay.
    constexpr size_t kVerticesPerWorker = 1000;
    const size_t paying = std::max<size_t>(1, vertexCount / kVerticesPerWorker);
    return static_cast<int>(std::min<size_t>(paying, ProcessorsAvailable()));
}

int32_t FairKernel::Number(Vertex* v) {
    const int32_t i = v->index;
    if (i >= 0 && static_cast<size_t>(i) < m_records.size() && m_records[i] == v) return i;
    v->index = static_cast<int32_t>(m_records.size());
    m_records.push_back(v);
    return v->index;
}

// Numbers the vertices breadth first over the mesh and the triangles in the order
// their first corner is reached, so that a ring's neighbours and triangles lie close
// together in the arrays. Each ring keeps its entries in triangle-list order: only the
// numbers change, never the order in which a sum adds its terms.
void FairKernel::Renumber() {
    const int32_t n = static_cast<int32_t>(m_records.size());
    const int32_t triangleCount = static_cast<int32_t>(m_corners.size() / 3);
    // The working arrays are the kernel's own, kept between loads like the others.
    std::vector<int32_t>& start = m_scratch.start;
    start.assign(n + 1, 0);
    for (int32_t v : m_corners) ++start[v + 1];
    for (int32_t v = 0; v < n; ++v) start[v + 1] += start[v];
    std::vector<int32_t>& ringNext = m_scratch.ringNext;
    std::vector<int32_t>& ringTriangle = m_scratch.ringTriangle;
    ringNext.resize(m_corners.size());
    ringTriangle.resize(m_corners.size());
    {
        std::vector<int32_t>& fill = m_scratch.fill;
        fill.assign(start.begin(), start.end() - 1);
        for (int32_t t = 0; t < triangleCount; ++t)
            for (int k = 0; k < 3; ++k) {
                const int32_t v = m_corners[3 * t + k];
                ringNext[fill[v]] = m_corners[3 * t + (k + 1) % 3];
                ringTriangle[fill[v]++] = t;
            }
    }

    // Old number -> new number, and the new order of the old numbers.
    std::vector<int32_t>& vertexNumber = m_scratch.vertexNumber;
    std::vector<int32_t>& order = m_scratch.order;
    vertexNumber.assign(n, -1);
    order.clear();
    order.reserve(n);
    for (int32_t seed = 0; seed < n; ++seed) {
        if (vertexNumber[seed] >= 0) continue;
        vertexNumber[seed] = static_cast<int32_t>(order.size());
        order.push_back(seed);
        for (size_t head = order.size() - 1; head < order.size(); ++head) {
            const int32_t v = order[head];
            for (int32_t k = start[v]; k < start[v + 1]; ++k) {
                const int32_t w = ringNext[k];
                if (vertexNumber[w] >= 0) continue;
                vertexNumber[w] = static_cast<int32_t>(order.size());
                order.push_back(w);
            }
        }
    }
    std::vector<int32_t>& triangleNumber = m_scratch.triangleNumber;
    triangleNumber.assign(triangleCount, -1);
    // A triangle is numbered at its corner that comes first, so the triangles of a run
    // of vertices come in a run of their own.
    m_firstTriangle.resize(n + 1);
    int32_t nextTriangle = 0;
    for (int32_t v = 0; v < n; ++v) {
        m_firstTriangle[v] = nextTriangle;
        const int32_t old = order[v];
        for (int32_t k = start[old]; k < start[old + 1]; ++k)
            if (triangleNumber[ringTriangle[k]] < 0)
                triangleNumber[ringTriangle[k]] = nextTriangle++;
    }
    m_firstTriangle[n] = nextTriangle;

    std::vector<Vertex*>& records = m_scratch.records;
    records.resize(n);
    for (int32_t v = 0; v < n; ++v) {
        records[vertexNumber[v]] = m_records[v];
        m_records[v]->index = vertexNumber[v];
    }
    m_records.swap(records);
    std::vector<int32_t>& corners = m_scratch.corners;
    corners.resize(m_corners.size());
    for (int32_t t = 0; t < triangleCount; ++t)
        for (int k = 0; k < 3; ++k)
            corners[3 * triangleNumber[t] + k] = vertexNumber[m_corners[3 * t + k]];
    // From here on the passes read the corners only as lanes of the position array.
    for (int32_t& c : corners) c *= 4;
    m_corners.swap(corners);
    for (LinkStep& l : m_links) {
        l.previous = vertexNumber[l.previous];
        l.self = vertexNumber[l.self];
        l.next = vertexNumber[l.next];
    }

    m_ringStart.assign(n + 1, 0);
    m_ringNext.resize(ringNext.size());
    m_ringNextLane.resize(ringNext.size());
    m_ringTriangleLane.resize(ringTriangle.size());
    int32_t at = 0;
    for (int32_t v = 0; v < n; ++v) {
        const int32_t old = order[v];
        for (int32_t k = start[old]; k < start[old + 1]; ++k, ++at) {
            m_ringNext[at] = vertexNumber[ringNext[k]];
            m_ringNextLane[at] = 4 * m_ringNext[at];
            m_ringTriangleLane[at] = 4 * triangleNumber[ringTriangle[k]];
        }
        m_ringStart[v + 1] = at;
    }
}

void FairKernel::InterleaveRings() {
    const int32_t n = static_cast<int32_t>(m_records.size());
    const int32_t quartets = n / kLanes;
    m_quartetRingStart.assign(quartets + 1, 0);
    for (int32_t q = 0; q < quartets; ++q) {
        int32_t longest = 0;
        for (int32_t v = kLanes * q; v < kLanes * (q + 1); ++v)
            longest = std::max(longest, m_ringStart[v + 1] - m_ringStart[v]);
        m_quartetRingStart[q + 1] = m_quartetRingStart[q] + kLanes * longest;
    }
    m_quartetRing.assign(m_quartetRingStart[quartets], n);
    for (int32_t q = 0; q < quartets; ++q)
        for (int32_t j = 0; j < kLanes; ++j) {
            const int32_t v = kLanes * q + j;
            for (int32_t k = 0; k < m_ringStart[v + 1] - m_ringStart[v]; ++k)
                m_quartetRing[m_quartetRingStart[q] + kLanes * k + j] =
                    m_ringNext[m_ringStart[v] + k];
        }
}

void FairKernel::Load(Vertex* vertices, const Triangle* triangles, const Curve* curves) {
    m_loadStart = std::chrono::steady_clock::now();
    m_records.clear();
    m_corners.clear();
    m_links.clear();
    m_chains.clear();
    for (Vertex* v = vertices; v != nullptr; v = v->next) {
        v->index = static_cast<int32_t>(m_records.size());
        m_records.push_back(v);
    }
    for (const Triangle* t = triangles; t != nullptr; t = t->next)
        for (Vertex* corner : t->corner) m_corners.push_back(Number(corner));

    for (const Curve* c = curves; c != nullptr; c = c->next) {
        const CurveLink* first = c->first;
        const CurveLink* last = c->last;
        if (first == nullptr || last == nullptr) continue;
        // Two links: each vertex is the other's both neighbours; one link: its own.
        // Either way there is no chord to slide along.
        if (first == last || first->next == last) continue;
        bool whole = true;
        for (const CurveLink* l = first; l != nullptr && whole; l = l->next) {
            whole = l->vertex != nullptr;
            if (l == last) break;
        }
        if (!whole) continue;
        const bool fixedEnds = c->kind == kOpenCurve;
        const int32_t begin = static_cast<int32_t>(m_links.size());
        int32_t previous = Number(last->vertex);
        // The chain is read as a ring: the link after the last is the first. It ends at
        // `last` even if an operation left it closed.
        for (const CurveLink* l = first; l != nullptr; l = l->next) {
            const bool atLast = l == last || l->next == nullptr;
            const int32_t self = Number(l->vertex);
            const int32_t next = Number(atLast ? first->vertex : l->next->vertex);
            const bool fixed = fixedEnds && (l == first || l == last);
            m_links.push_back({previous, self, next, fixed ? 0 : 1});
            previous = self;
            if (atLast) break;
        }
        m_chains.push_back({begin, static_cast<int32_t>(m_links.size())});
    }

    Renumber();
    InterleaveRings();

    const size_t n = m_records.size();
    const size_t triangleCount = m_corners.size() / 3;
    m_measures.resize(n);
    m_moves.resize(n);
    m_position.resize(n);
    m_normal.resize(n);
    // Run writes every entry of these before it reads it: they need no clearing.
    m_centroid.resize(n);
    m_normalSum.resize(n);
    m_curveWork.resize(n);
    m_meanSqEdge.resize(n);
    m_curvatureSum.resize(n);
    // One more: the curvature the padding of the interleaved rings reads.
    m_curvature.resize(n + 1);
    m_curvature[n] = -0.0;
    m_reciprocalCount.resize(n);
    m_reciprocalCountPlus.resize(n);
    for (size_t v = 0; v < n; ++v) {
        const Vertex* record = m_records[v];
        const int32_t count = m_ringStart[v + 1] - m_ringStart[v];
        // A sharp vertex is a crease: its curvature counts as zero. A vertex on no
        // triangle has no ring to measure against and is not moved.
        m_measures[v] = record->kind != kSharpVertex && count > 0;
        m_moves[v] = record->kind == kSurfaceVertex && count > 0;
        m_position[v] = ToQuad(record->position);
        m_normal[v] = ToQuad(record->normal);
        m_reciprocalCount[v] = count > 0 ? 1.0 / count : 0.0;
        m_reciprocalCountPlus[v] = 1.0 / (count + 1);
    }
    m_faceNormal.resize(triangleCount);
}

// Evens out the spacing of the vertices along each curve: each vertex moves along the
// chord of its two neighbours, half way to where its projection would fall at the
// chord's middle. All moves of a curve are computed before any is applied; curves go
// one after another, so a vertex on two curves is moved by both in turn.
void FairKernel::CurveStep() {
    for (const Chain& chain : m_chains) {
        for (int32_t k = chain.begin; k < chain.end; ++k) {
            const LinkStep& l = m_links[k];
            const Vec3 p = ToVec3(m_position[l.previous]);
            const Vec3 q = ToVec3(m_position[l.next]);
            const Vec3 d = q - p;
            const Vec3 m = 0.5 * (p + q);
            const double dd = Dot(d, d);
            // Neighbours on the same spot give no direction; the vertex stays.
            m_curveWork[l.self] =
                dd > 0.0 ? (0.5 * Dot(m - ToVec3(m_position[l.self]), d) / dd) * d : Vec3{};
        }
        // A vertex twice in one chain gets its last computed move twice, as it would
        // from a vector kept in the vertex.
        for (int32_t k = chain.begin; k < chain.end; ++k) {
            const LinkStep& l = m_links[k];
            if (l.moves == 0) continue;
            Quad& q = m_position[l.self];
            const Vec3& work = m_curveWork[l.self];
            q.x += work.x;
            q.y += work.y;
            q.z += work.z;
        }
    }
}

std::vector<FairKernel::Step> FairKernel::Schedule(int iterations) {
    std::vector<Step> steps{Step::Curve, Step::Measure};
    for (int iteration = 0; iteration < iterations; ++iteration) {
        const bool last = iteration + 1 == iterations;
        steps.push_back(last ? Step::MoveLast : Step::Move);
        steps.push_back(Step::FaceNormals);
        // The next curve step reads positions only, so it may run before the normals
        // are gathered; the next measuring then rides along with the gathering.
        if (!last) steps.push_back(Step::Curve);
        steps.push_back(last ? Step::NormalsLast : Step::NormalsAndMeasure);
    }
    return steps;
}

int32_t FairKernel::SharesFor(int workers, size_t vertices, size_t triangles) {
    // Every worker gets a few shares of each pass, so that one kept waiting by the
    // machine holds up little, but no share is so small that taking it costs more than
    // computing it (a few microseconds).
    constexpr size_t kSharesPerWorker = 4;
    constexpr size_t kLeastShare = 64;
    if (workers < 2) return 1;
    const size_t most = static_cast<size_t>(workers) * kSharesPerWorker;
    return static_cast<int32_t>(
        std::clamp(std::min(vertices, triangles) / kLeastShare, size_t{1}, most));
}

FairKernel::Shares FairKernel::CutShares(int32_t count) const {
    const int32_t n = static_cast<int32_t>(m_records.size());
    const int64_t ringTotal = m_ringStart[n];
    Shares shares;
    shares.vertex.resize(count + 1);
    shares.triangle.resize(count + 1);
    for (int32_t k = 0; k <= count; ++k) {
        const int64_t ring = ringTotal * k / count;
        shares.vertex[k] = static_cast<int32_t>(
            std::lower_bound(m_ringStart.begin(), m_ringStart.end() - 1, ring) -
            m_ringStart.begin());
    }
    shares.vertex[0] = 0;
    shares.vertex[count] = n;
    // Each share takes the triangles whose first corner is among its vertices: most of
    // those its vertices' rings gather, and those are written in its own cache.
    for (int32_t k = 0; k <= count; ++k) shares.triangle[k] = m_firstTriangle[shares.vertex[k]];
    return shares;
}

// The curve step is small and touches vertices anywhere: it is one share of its own.
void FairKernel::RunShare(Step step, int32_t share, const Shares& shares, const Passes& passes,
                          const Arrays& a) {
    const int32_t vertexBegin = shares.vertex[share];
    const int32_t vertexEnd = shares.vertex[share + 1];
    const int32_t triangleBegin = shares.triangle[share];
    const int32_t triangleEnd = shares.triangle[share + 1];
    switch (step) {
    case Step::Curve:
        CurveStep();
        break;
    case Step::Measure:
        passes.measure(a, vertexBegin, vertexEnd);
        break;
    case Step::Move:
    case Step::MoveLast:
        passes.move(a, vertexBegin, vertexEnd, step == Step::MoveLast);
        break;
    case Step::FaceNormals:
        passes.faceNormals(a, triangleBegin, triangleEnd);
        break;
    case Step::NormalsAndMeasure:
    case Step::NormalsLast:
        passes.normals(a, vertexBegin, vertexEnd, step == Step::NormalsAndMeasure,
                       step == Step::NormalsLast);
        break;
    }
}

namespace {

void Relax() {
#if defined(__SSE2__)
    _mm_pause();
#endif
}

// Waits until `done` has reached `count`; true when it slept long. Spins a little
// first (on a free machine the others are usually a few microseconds away), then
// sleeps until a step is complete: on a busy machine, or with more workers than
// processors, the worker that holds the last share may be off the processor, and a
// waiter that kept spinning would only keep it off longer.
//
// A short sleep is no sign of that: on a big model a step takes a few hundred
// microseconds, and two workers finish it that far apart now and then. A worker taken
// off the processor is gone for a scheduler's slice, milliseconds. Counting the short
// sleeps too sent the helpers away in most runs of a 40k-vertex model on two free
// processors, and the calling thread finished them alone (at half the speed).
bool WaitFor(const std::atomic<int32_t>& done, int32_t count) {
    constexpr int kSpins = 1024;  // about 20 microseconds
    for (int spin = 0; spin < kSpins; ++spin) {
        if (done.load(std::memory_order_acquire) >= count) return false;
        Relax();
    }
    constexpr auto kLongSleep = std::chrono::microseconds(500);
    const auto asleep = std::chrono::steady_clock::now();
    for (int32_t now = done.load(std::memory_order_acquire); now < count;
         now = done.load(std::memory_order_acquire))
        done.wait(now, std::memory_order_acquire);
    return std::chrono::steady_clock::now() - asleep > kLongSleep;
}

// The counters every worker touches, each on a cache line of its own.
struct Counters {
    alignas(64) std::atomic<int32_t> done{0};
    alignas(64) std::atomic<int32_t> sleeps{0};

    // True when the waits between the steps have ended asleep so often that the
    // workers are not running side by side: the machine is busy with other work. On a
    // free machine a run of the 10242-vertex sphere on two workers sleeps about a
    // dozen times in 7500 shares; on the same machine with two other jobs running, at
    // nearly every step. Then one worker alone is faster than several that keep
    // waiting for each other.
    bool Crowded() const {
        constexpr int32_t kSleepsForgiven = 8;
        constexpr int32_t kSharesPerSleep = 64;
        return sleeps.load(std::memory_order_relaxed) >
               kSleepsForgiven + done.load(std::memory_order_relaxed) / kSharesPerSleep;
    }
};

}  // namespace

// How the workers share a run. Every step is cut into the same shares (the curve step
// is one share). Each worker has shares of its own, the same ones in every step, so
// that the part of the arrays it writes in one step is still in its own cache when it
// reads it in the next. A worker claims a share before computing it: first its own,
// then any left unclaimed by the others. So a worker that the machine keeps off the
// processor holds a step up for at most the one share it has claimed, and a run never
// waits for a worker that never starts: the others take what it would have taken. A
// step begins when every share of the step before is done. When the machine is too
// busy for the workers to run side by side, the helpers stop claiming and the calling
// thread finishes the run alone. Whoever computes a share computes it with the same
// code, and no vertex's sums depend on where a share begins, so the bits depend
// neither on who did what nor on how many there were.
void FairKernel::RunCrew(const std::vector<Step>& steps, const Shares& shares, int workers,
                         const std::function<void()>& alongside, const Passes& passes) {
    const Arrays a = View();
    // firstShare[s]: the number of shares in the steps before step s.
    std::vector<int32_t> firstShare(steps.size() + 1, 0);
    for (size_t s = 0; s < steps.size(); ++s)
        firstShare[s + 1] = firstShare[s] + (steps[s] == Step::Curve ? 1 : shares.Count());
    const int32_t total = firstShare.back();
    // claimed[j]: the last step whose share j has been claimed, each on a cache line of
    // its own (a worker touches only its own while there is no one to help).
    struct alignas(64) Claim {
        std::atomic<int32_t> step{-1};
    };
    std::vector<Claim> claimed(static_cast<size_t>(shares.Count()));
    const auto claim = [&](int32_t share, int32_t step) {
        std::atomic<int32_t>& c = claimed[share].step;
        int32_t last = c.load(std::memory_order_relaxed);
        while (last < step)
            if (c.compare_exchange_weak(last, step, std::memory_order_relaxed)) return true;
        return false;
    };
    Counters counters;
    // The job beside the run goes to the last helper, which then starts at the step
    // the others have reached.
    std::exception_ptr alongsideFailed;
    const auto runAlongside = [&] {
        try {
            alongside();
        } catch (...) {
            alongsideFailed = std::current_exception();
        }
    };
    auto work = [&](int worker) {
        const bool helper = worker > 0;
        size_t first = 0;
        if (helper && alongside && worker == workers - 1) {
            runAlongside();
            const int32_t reached = counters.done.load(std::memory_order_acquire);
            while (first < steps.size() && firstShare[first + 1] <= reached) ++first;
        }
        for (size_t s = first; s < steps.size(); ++s) {
            if (helper && counters.Crowded()) return;
            if (WaitFor(counters.done, firstShare[s]))
                counters.sleeps.fetch_add(1, std::memory_order_relaxed);
            const int32_t count = firstShare[s + 1] - firstShare[s];
            // Own shares first, then the others', each in turn from where this
            // worker's own begin.
            const int32_t own = static_cast<int32_t>(int64_t{count} * worker / workers);
            for (int32_t k = 0; k < count; ++k) {
                const int32_t share = (own + k) % count;
                if (!claim(share, static_cast<int32_t>(s))) continue;
                RunShare(steps[s], share, shares, passes, a);
                // Only a complete step lets anyone on; the last share of one wakes them.
                if (counters.done.fetch_add(1, std::memory_order_release) + 1 == firstShare[s + 1])
                    counters.done.notify_all();
            }
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(workers - 1);
    for (int w = 1; w < workers; ++w) {
        try {
            helpers.emplace_back(work, w);
        } catch (const std::system_error&) {
            // No more threads to be had: those there are take every share.
            break;
        }
    }
    // Without the helper that was to run it, the job runs here first.
    if (alongside && static_cast<int>(helpers.size()) < workers - 1) runAlongside();
    work(0);
    WaitFor(counters.done, total);
    for (std::thread& helper : helpers) helper.join();
    if (alongsideFailed) std::rethrow_exception(alongsideFailed);
}

void FairKernel::Run(int iterations, int workers, Unit unit,
                     const std::function<void()>& alongside) {
    if (unit == Unit::Best) unit = UnitAvailable(Unit::Avx2) ? Unit::Avx2 : Unit::Portable;
    if (!UnitAvailable(unit)) unit = Unit::Portable;
    Passes passes{portable_passes::MeasureRange, portable_passes::MoveRange,
                  portable_passes::FaceNormalRange, portable_passes::NormalRange};
#if PLIFORM_HAS_WIDE_UNIT
    if (unit == Unit::Avx2)
        passes = {wide_passes::MeasureRange, wide_passes::MoveRange, wide_passes::FaceNormalRange,
                  wide_passes::NormalRange};
#endif
    if (iterations <= 0) {
        if (alongside) alongside();
        return;
    }
    const std::vector<Step> steps = Schedule(iterations);
    const Shares shares = CutShares(SharesFor(workers, m_records.size(), m_faceNormal.size()));
    if (shares.Count() < 2) {
        if (alongside) alongside();
        const Arrays a = View();
        for (Step step : steps) RunShare(step, 0, shares, passes, a);
        return;
    }
    RunCrew(steps, shares, std::min(workers, shares.Count()), alongside, passes);
}

void FairKernel::Store() const {
    for (size_t v = 0; v < m_records.size(); ++v) {
        Vertex* record = m_records[v];
        record->position = ToVec3(m_position[v]);
        record->normal = ToVec3(m_normal[v]);
        record->work = ToVec3(m_normalSum[v]);
        record->index = m_ringStart[v + 1] - m_ringStart[v];
        record->curvature = m_curvature[v];
        record->curvatureSum = m_curvatureSum[v];
        record->meanSqEdge = m_meanSqEdge[v];
    }
    AddBusyTime();
}

void FairKernel::AddBusyTime() const {
    m_busySeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_loadStart).count();
}

bool FairKernel::ResultFinite() const {
    const auto finite = [](const Quad& q) {
        return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z);
    };
    for (size_t v = 0; v < m_records.size(); ++v)
        if (!finite(m_position[v]) || !finite(m_normal[v])) return false;
    return true;
}

void FairKernel::StoreCounts() const {
    for (size_t v = 0; v < m_records.size(); ++v)
        m_records[v]->index = m_ringStart[v + 1] - m_ringStart[v];
    AddBusyTime();
}

size_t FairKernel::Footprint() const {
    const size_t n = m_records.size();
    size_t bytes =
        n * (sizeof(Vertex*) + 2 * sizeof(uint8_t) + 4 * sizeof(Quad) + sizeof(Vec3) +
             5 * sizeof(double)) +
        (m_ringStart.size() + m_firstTriangle.size() + m_ringNext.size()) * sizeof(int32_t) +
        2 * m_ringTriangleLane.size() * sizeof(int32_t) + m_corners.size() * sizeof(int32_t) +
        m_faceNormal.size() * sizeof(Quad) + m_links.size() * sizeof(LinkStep) +
        m_chains.size() * sizeof(Chain) +
        (m_quartetRingStart.size() + m_quartetRing.size()) * sizeof(int32_t);
    // Renumber's working arrays stay with the kernel too.
    const Scratch& w = m_scratch;
    for (const std::vector<int32_t>* a : {&w.start, &w.ringNext, &w.ringTriangle, &w.fill,
                                          &w.vertexNumber, &w.order, &w.triangleNumber, &w.corners})
        bytes += a->capacity() * sizeof(int32_t);
    return bytes + w.records.capacity() * sizeof(Vertex*);
}
