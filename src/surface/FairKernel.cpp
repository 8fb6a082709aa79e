#include "surface/FairKernel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Square roots and divisions are the slowest steps of an iteration; done over a short
// array, two go through the vector unit at once. Both are correctly rounded, so the
// results are the same bits as one at a time.

// x = 1 / sqrt(x) where x > 0; x = 0 elsewhere (zero, NaN).
void InvertLengthsWherePositive(double* x, int32_t count) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128d zero = _mm_setzero_pd();
    const __m128d one = _mm_set1_pd(1.0);
    for (; i + 2 <= count; i += 2) {
        const __m128d v = _mm_loadu_pd(x + i);
        const __m128d inverse = _mm_div_pd(one, _mm_sqrt_pd(v));
        _mm_storeu_pd(x + i, _mm_and_pd(_mm_cmpgt_pd(v, zero), inverse));
    }
#endif
    for (; i < count; ++i) x[i] = x[i] > 0.0 ? 1.0 / std::sqrt(x[i]) : 0.0;
}

// num = num / den where den > 0; num = 0 elsewhere.
void DivideWherePositive(double* num, const double* den, int32_t count) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128d zero = _mm_setzero_pd();
    for (; i + 2 <= count; i += 2) {
        const __m128d d = _mm_loadu_pd(den + i);
        const __m128d q = _mm_div_pd(_mm_loadu_pd(num + i), d);
        _mm_storeu_pd(num + i, _mm_and_pd(_mm_cmpgt_pd(d, zero), q));
    }
#endif
    for (; i < count; ++i) num[i] = den[i] > 0.0 ? num[i] / den[i] : 0.0;
}

}  // namespace

int32_t FairKernel::Number(Vertex* v) {
    const int32_t i = v->index;
    if (i >= 0 && static_cast<size_t>(i) < m_records.size() && m_records[i] == v) return i;
    v->index = static_cast<int32_t>(m_records.size());
    m_records.push_back(v);
    return v->index;
}

void FairKernel::Load(Vertex* vertices, const Triangle* triangles, const Curve* curves) {
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

    const size_t n = m_records.size();
    const size_t triangleCount = m_corners.size() / 3;
    // One ring entry per corner occurrence, in triangle-list order, so that every sum
    // below adds its terms in the order the list walk adds them.
    m_ringStart.assign(n + 1, 0);
    for (int32_t v : m_corners) ++m_ringStart[v + 1];
    for (size_t v = 0; v < n; ++v) m_ringStart[v + 1] += m_ringStart[v];
    m_ring.resize(m_corners.size());
    std::vector<int32_t> fill(m_ringStart.begin(), m_ringStart.end() - 1);
    for (size_t t = 0; t < triangleCount; ++t)
        for (int k = 0; k < 3; ++k) {
            const int32_t v = m_corners[3 * t + k];
            m_ring[fill[v]++] = {m_corners[3 * t + (k + 1) % 3], static_cast<int32_t>(t)};
        }

    m_measures.resize(n);
    m_moves.resize(n);
    m_position.resize(n);
    m_normal.resize(n);
    m_centroid.assign(n, Vec3{});
    m_normalSum.assign(n, Vec3{});
    m_curveWork.assign(n, Vec3{});
    m_meanSqEdge.assign(n, 0.0);
    m_curvature.assign(n, 0.0);
    m_curvatureSum.assign(n, 0.0);
    m_reciprocalCount.resize(n);
    m_reciprocalCountPlus.resize(n);
    for (size_t v = 0; v < n; ++v) {
        const Vertex* record = m_records[v];
        const int32_t count = m_ringStart[v + 1] - m_ringStart[v];
        // A sharp vertex is a crease: its curvature counts as zero. A vertex on no
        // triangle has no ring to measure against and is not moved.
        m_measures[v] = record->kind != kSharpVertex && count > 0;
        m_moves[v] = record->kind == kSurfaceVertex && count > 0;
        m_position[v] = record->position;
        m_normal[v] = record->normal;
        m_reciprocalCount[v] = count > 0 ? 1.0 / count : 0.0;
        m_reciprocalCountPlus[v] = 1.0 / (count + 1);
    }
    m_faceNormal.assign(triangleCount, Vec3{});
}

// Evens out the spacing of the vertices along each curve: each vertex moves along the
// chord of its two neighbours, half way to where its projection would fall at the
// chord's middle. All moves of a curve are computed before any is applied; curves go
// one after another, so a vertex on two curves is moved by both in turn.
void FairKernel::CurveStep() {
    for (const Chain& chain : m_chains) {
        for (int32_t k = chain.begin; k < chain.end; ++k) {
            const LinkStep& l = m_links[k];
            const Vec3& p = m_position[l.previous];
            const Vec3& q = m_position[l.next];
            const Vec3 d = q - p;
            const Vec3 m = 0.5 * (p + q);
            const double dd = Dot(d, d);
            // Neighbours on the same spot give no direction; the vertex stays.
            m_curveWork[l.self] =
                dd > 0.0 ? (0.5 * Dot(m - m_position[l.self], d) / dd) * d : Vec3{};
        }
        // A vertex twice in one chain gets its last computed move twice, as it would
        // from a vector kept in the vertex.
        for (int32_t k = chain.begin; k < chain.end; ++k) {
            const LinkStep& l = m_links[k];
            if (l.moves != 0) m_position[l.self] += m_curveWork[l.self];
        }
    }
}

// Centroid of the next corners, mean squared ring edge and the curvature: the signed
// offset from the centroid along the normal, relative to the mean squared edge.
void FairKernel::MeasureBlock(int32_t begin, int32_t count) {
    double offset[kBlock];
    double scale[kBlock];
    for (int32_t i = 0; i < count; ++i) {
        const int32_t v = begin + i;
        const Vec3 p = m_position[v];
        Vec3 sum{};
        double sumSq = 0.0;
        for (int32_t k = m_ringStart[v]; k < m_ringStart[v + 1]; ++k) {
            const Vec3& q = m_position[m_ring[k].next];
            sum += q;
            sumSq += LengthSq(p - q);
        }
        offset[i] = 0.0;
        scale[i] = 0.0;
        if (m_measures[v] != 0) {
            const double r = m_reciprocalCount[v];
            sum = r * sum;
            sumSq *= r;
            offset[i] = Dot(p - sum, m_normal[v]);
            scale[i] = sumSq;
        }
        m_centroid[v] = sum;
        m_meanSqEdge[v] = sumSq;
    }
    // All ring edges of zero length: no scale to measure the offset by, curvature 0.
    DivideWherePositive(offset, scale, count);
    std::copy(offset, offset + count, m_curvature.begin() + begin);
}

void FairKernel::MeasureRange(int32_t begin, int32_t end) {
    for (int32_t b = begin; b < end; b += kBlock) MeasureBlock(b, std::min(kBlock, end - b));
}

// Places every surface vertex over its ring's centroid at the height that gives it
// the mean curvature of itself and its ring. Reads only curvatures, so the positions
// can be overwritten in place.
void FairKernel::MoveRange(int32_t begin, int32_t end) {
    for (int32_t v = begin; v < end; ++v) {
        double sum = m_curvature[v];
        for (int32_t k = m_ringStart[v]; k < m_ringStart[v + 1]; ++k)
            sum += m_curvature[m_ring[k].next];
        m_curvatureSum[v] = sum;
        if (m_moves[v] != 0) {
            const double t = m_meanSqEdge[v] * sum * m_reciprocalCountPlus[v];
            m_position[v] = m_centroid[v] + t * m_normal[v];
        }
    }
}

void FairKernel::FaceNormalRange(int32_t begin, int32_t end) {
    const int32_t* c = m_corners.data();
    double scale[kBlock];
    for (int32_t b = begin; b < end; b += kBlock) {
        const int32_t count = std::min(kBlock, end - b);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t t = b + i;
            const Vec3& a = m_position[c[3 * t]];
            const Vec3 n = Cross(m_position[c[3 * t + 1]] - a, m_position[c[3 * t + 2]] - a);
            m_faceNormal[t] = n;
            scale[i] = Dot(n, n);
        }
        InvertLengthsWherePositive(scale, count);
        // A triangle of zero area has no direction to give: it adds nothing.
        for (int32_t i = 0; i < count; ++i)
            m_faceNormal[b + i] = scale[i] > 0.0 ? scale[i] * m_faceNormal[b + i] : Vec3{};
    }
}

// The vertex normals from the face normals; with `measure`, the measuring of the next
// iteration follows block by block (it needs only each vertex's own new normal and the
// positions, which are final by then).
void FairKernel::NormalRange(int32_t begin, int32_t end, bool measure, bool keepSums) {
    Vec3 sums[kBlock];
    double scale[kBlock];
    for (int32_t b = begin; b < end; b += kBlock) {
        const int32_t count = std::min(kBlock, end - b);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t v = b + i;
            Vec3 sum{};
            for (int32_t k = m_ringStart[v]; k < m_ringStart[v + 1]; ++k)
                sum += m_faceNormal[m_ring[k].triangle];
            sums[i] = sum;
            scale[i] = Dot(sum, sum);
        }
        InvertLengthsWherePositive(scale, count);
        for (int32_t i = 0; i < count; ++i) {
            // Face normals that cancel (or none at all) leave the last good normal.
            if (scale[i] > 0.0) m_normal[b + i] = scale[i] * sums[i];
        }
        if (keepSums) std::copy(sums, sums + count, m_normalSum.begin() + b);
        if (measure) MeasureBlock(b, count);
    }
}

// Two workers meet here between passes. A waiting worker spins briefly, then yields:
// on a busy machine the other one may be off the processor for a while.
class FairKernel::PairBarrier {
public:
    void Wait() {
        const uint32_t generation = m_generation.load(std::memory_order_acquire);
        if (m_arrived.fetch_add(1, std::memory_order_acq_rel) == 1) {
            m_arrived.store(0, std::memory_order_relaxed);
            m_generation.store(generation + 1, std::memory_order_release);
            return;
        }
        for (int spin = 0; m_generation.load(std::memory_order_acquire) == generation; ++spin)
            if (spin > 64) std::this_thread::yield();
    }

private:
    std::atomic<uint32_t> m_arrived{0};
    std::atomic<uint32_t> m_generation{0};
};

// Every worker runs this with its own share of the vertices and triangles. Each
// vertex and triangle is computed by the same code whichever worker has it, so the
// result does not depend on the number of workers.
void FairKernel::Iterate(int iterations, const Share& share, bool leader, PairBarrier* barrier) {
    auto meet = [barrier] {
        if (barrier != nullptr) barrier->Wait();
    };
    if (leader) CurveStep();
    meet();
    MeasureRange(share.vertexBegin, share.vertexEnd);
    meet();
    for (int iteration = 0; iteration < iterations; ++iteration) {
        MoveRange(share.vertexBegin, share.vertexEnd);
        meet();
        FaceNormalRange(share.triangleBegin, share.triangleEnd);
        meet();
        const bool last = iteration + 1 == iterations;
        // The next curve step reads positions only, so it may run before the normals
        // are gathered; the next measuring then rides along with the gathering.
        if (!last) {
            if (leader) CurveStep();
            meet();
        }
        NormalRange(share.vertexBegin, share.vertexEnd, !last, last);
        meet();
    }
}

void FairKernel::Run(int iterations, int workers) {
    const int32_t n = static_cast<int32_t>(m_records.size());
    const int32_t triangles = static_cast<int32_t>(m_faceNormal.size());
    if (iterations <= 0) return;
    if (workers < 2 || n < 2 || triangles < 2) {
        Iterate(iterations, {0, n, 0, triangles}, true, nullptr);
        return;
    }
    // Halves of equal ring length (the gathers are most of the work of a vertex).
    const int32_t half = static_cast<int32_t>(
        std::lower_bound(m_ringStart.begin(), m_ringStart.end(), m_ringStart[n] / 2) -
        m_ringStart.begin());
    const int32_t split = std::clamp(half, int32_t{1}, n - 1);
    PairBarrier barrier;
    std::thread helper([&] {
        Iterate(iterations, {split, n, triangles / 2, triangles}, false, &barrier);
    });
    Iterate(iterations, {0, split, 0, triangles / 2}, true, &barrier);
    helper.join();
}

void FairKernel::Store() const {
    for (size_t v = 0; v < m_records.size(); ++v) {
        Vertex* record = m_records[v];
        record->position = m_position[v];
        record->normal = m_normal[v];
        record->work = m_normalSum[v];
        record->index = m_ringStart[v + 1] - m_ringStart[v];
        record->curvature = m_curvature[v];
        record->curvatureSum = m_curvatureSum[v];
        record->meanSqEdge = m_meanSqEdge[v];
    }
}

size_t FairKernel::Footprint() const {
    const size_t n = m_records.size();
    return n * (sizeof(Vertex*) + 2 * sizeof(uint8_t) + 5 * sizeof(Vec3) + 5 * sizeof(double)) +
           m_ringStart.size() * sizeof(int32_t) + m_ring.size() * sizeof(RingEntry) +
           m_corners.size() * sizeof(int32_t) + m_faceNormal.size() * sizeof(Vec3) +
           m_links.size() * sizeof(LinkStep) + m_chains.size() * sizeof(Chain);
}
