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

// Numbers the vertices breadth first over the mesh and the triangles in the order
// their first corner is reached, so that a ring's neighbours and triangles lie close
// together in the arrays. Each ring keeps its entries in triangle-list order: only the
// numbers change, never the order in which a sum adds its terms.
void FairKernel::Renumber() {
    const int32_t n = static_cast<int32_t>(m_records.size());
    const int32_t triangleCount = static_cast<int32_t>(m_corners.size() / 3);
    std::vector<int32_t> start(n + 1, 0);
    for (int32_t v : m_corners) ++start[v + 1];
    for (int32_t v = 0; v < n; ++v) start[v + 1] += start[v];
    std::vector<int32_t> ringNext(m_corners.size());
    std::vector<int32_t> ringTriangle(m_corners.size());
    {
        std::vector<int32_t> fill(start.begin(), start.end() - 1);
        for (int32_t t = 0; t < triangleCount; ++t)
            for (int k = 0; k < 3; ++k) {
                const int32_t v = m_corners[3 * t + k];
                ringNext[fill[v]] = m_corners[3 * t + (k + 1) % 3];
                ringTriangle[fill[v]++] = t;
            }
    }

    // Old number -> new number, and the new order of the old numbers.
    std::vector<int32_t> vertexNumber(n, -1);
    std::vector<int32_t> order;
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
    std::vector<int32_t> triangleNumber(triangleCount, -1);
    int32_t nextTriangle = 0;
    for (int32_t v : order)
        for (int32_t k = start[v]; k < start[v + 1]; ++k)
            if (triangleNumber[ringTriangle[k]] < 0) triangleNumber[ringTriangle[k]] = nextTriangle++;

    std::vector<Vertex*> records(n);
    for (int32_t v = 0; v < n; ++v) {
        records[vertexNumber[v]] = m_records[v];
        m_records[v]->index = vertexNumber[v];
    }
    m_records.swap(records);
    std::vector<int32_t> corners(m_corners.size());
    for (int32_t t = 0; t < triangleCount; ++t)
        for (int k = 0; k < 3; ++k)
            corners[3 * triangleNumber[t] + k] = vertexNumber[m_corners[3 * t + k]];
    m_corners.swap(corners);
    for (LinkStep& l : m_links) {
        l.previous = vertexNumber[l.previous];
        l.self = vertexNumber[l.self];
        l.next = vertexNumber[l.next];
    }

    m_ringStart.assign(n + 1, 0);
    m_ringNext.resize(ringNext.size());
    m_ringTriangle.resize(ringTriangle.size());
    int32_t at = 0;
    for (int32_t v = 0; v < n; ++v) {
        const int32_t old = order[v];
        for (int32_t k = start[old]; k < start[old + 1]; ++k, ++at) {
            m_ringNext[at] = vertexNumber[ringNext[k]];
            m_ringTriangle[at] = triangleNumber[ringTriangle[k]];
        }
        m_ringStart[v + 1] = at;
    }
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

    Renumber();

    const size_t n = m_records.size();
    const size_t triangleCount = m_corners.size() / 3;
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

// The passes below read and write the arrays through restrict pointers taken once:
// each writes only arrays it does not read, so the compiler may keep values in
// registers across the stores instead of reloading them.

// Centroid of the next corners, mean squared ring edge and the curvature: the signed
// offset from the centroid along the normal, relative to the mean squared edge.
void FairKernel::MeasureBlock(int32_t begin, int32_t count) {
    const Vec3* __restrict position = m_position.data();
    const Vec3* __restrict normal = m_normal.data();
    const int32_t* __restrict ringStart = m_ringStart.data();
    const int32_t* __restrict ringNext = m_ringNext.data();
    const uint8_t* __restrict measures = m_measures.data();
    const double* __restrict reciprocal = m_reciprocalCount.data();
    Vec3* __restrict centroid = m_centroid.data();
    double* __restrict meanSqEdge = m_meanSqEdge.data();
    double offset[kBlock];
    double scale[kBlock];
    for (int32_t i = 0; i < count; ++i) {
        const int32_t v = begin + i;
        const double px = position[v].x, py = position[v].y, pz = position[v].z;
        double sx, sy, sz, sumSq;
        const int32_t end = ringStart[v + 1];
#if defined(__SSE2__)
        // x and y go together through the vector unit, z alongside; the squared
        // edges are summed per component and added up at the end.
        {
            const __m128d pxy = _mm_loadu_pd(&position[v].x);
            const __m128d pzz = _mm_load_sd(&position[v].z);
            __m128d sxy = _mm_setzero_pd(), szz = _mm_setzero_pd();
            __m128d qxy = _mm_setzero_pd(), qzz = _mm_setzero_pd();
            for (int32_t k = ringStart[v]; k < end; ++k) {
                const Vec3* q = position + ringNext[k];
                const __m128d xy = _mm_loadu_pd(&q->x);
                const __m128d zz = _mm_load_sd(&q->z);
                sxy = _mm_add_pd(sxy, xy);
                szz = _mm_add_sd(szz, zz);
                const __m128d dxy = _mm_sub_pd(pxy, xy);
                const __m128d dzz = _mm_sub_sd(pzz, zz);
                qxy = _mm_add_pd(qxy, _mm_mul_pd(dxy, dxy));
                qzz = _mm_add_sd(qzz, _mm_mul_sd(dzz, dzz));
            }
            double lanes[2];
            _mm_storeu_pd(lanes, sxy);
            sx = lanes[0];
            sy = lanes[1];
            sz = _mm_cvtsd_f64(szz);
            _mm_storeu_pd(lanes, qxy);
            sumSq = lanes[0] + lanes[1] + _mm_cvtsd_f64(qzz);
        }
#else
        sx = sy = sz = sumSq = 0.0;
        for (int32_t k = ringStart[v]; k < end; ++k) {
            const Vec3& q = position[ringNext[k]];
            sx += q.x;
            sy += q.y;
            sz += q.z;
            const double dx = px - q.x, dy = py - q.y, dz = pz - q.z;
            sumSq += dx * dx + dy * dy + dz * dz;
        }
#endif
        double o = 0.0;
        double e = 0.0;
        if (measures[v] != 0) {
            const double r = reciprocal[v];
            sx *= r;
            sy *= r;
            sz *= r;
            sumSq *= r;
            o = (px - sx) * normal[v].x + (py - sy) * normal[v].y + (pz - sz) * normal[v].z;
            e = sumSq;
        }
        offset[i] = o;
        scale[i] = e;
        centroid[v] = {sx, sy, sz};
        meanSqEdge[v] = sumSq;
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
void FairKernel::MoveRange(int32_t begin, int32_t end, bool keepSums) {
    const double* __restrict curvature = m_curvature.data();
    const int32_t* __restrict ringStart = m_ringStart.data();
    const int32_t* __restrict ringNext = m_ringNext.data();
    const uint8_t* __restrict moves = m_moves.data();
    const double* __restrict meanSqEdge = m_meanSqEdge.data();
    const double* __restrict reciprocalPlus = m_reciprocalCountPlus.data();
    const Vec3* __restrict centroid = m_centroid.data();
    const Vec3* __restrict normal = m_normal.data();
    Vec3* __restrict position = m_position.data();
    double* __restrict curvatureSum = m_curvatureSum.data();
    for (int32_t v = begin; v < end; ++v) {
        double sum = curvature[v];
        const int32_t stop = ringStart[v + 1];
        for (int32_t k = ringStart[v]; k < stop; ++k) sum += curvature[ringNext[k]];
        if (keepSums) curvatureSum[v] = sum;
        if (moves[v] != 0) {
            const double t = meanSqEdge[v] * sum * reciprocalPlus[v];
            position[v] = {centroid[v].x + t * normal[v].x, centroid[v].y + t * normal[v].y,
                           centroid[v].z + t * normal[v].z};
        }
    }
}

void FairKernel::FaceNormalRange(int32_t begin, int32_t end) {
    const int32_t* __restrict c = m_corners.data();
    const Vec3* __restrict position = m_position.data();
    Vec3* __restrict faceNormal = m_faceNormal.data();
    double scale[kBlock];
    for (int32_t b = begin; b < end; b += kBlock) {
        const int32_t count = std::min(kBlock, end - b);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t t = b + i;
            const Vec3 a = position[c[3 * t]];
            const Vec3 n = Cross(position[c[3 * t + 1]] - a, position[c[3 * t + 2]] - a);
            faceNormal[t] = n;
            scale[i] = Dot(n, n);
        }
        InvertLengthsWherePositive(scale, count);
        // A triangle of zero area has no direction to give: it adds nothing.
        for (int32_t i = 0; i < count; ++i)
            faceNormal[b + i] = scale[i] > 0.0 ? scale[i] * faceNormal[b + i] : Vec3{};
    }
}

// The vertex normals from the face normals; with `measure`, the measuring of the next
// iteration follows block by block (it needs only each vertex's own new normal and the
// positions, which are final by then).
void FairKernel::NormalRange(int32_t begin, int32_t end, bool measure, bool keepSums) {
    const int32_t* __restrict ringStart = m_ringStart.data();
    const int32_t* __restrict ringTriangle = m_ringTriangle.data();
    const Vec3* __restrict faceNormal = m_faceNormal.data();
    Vec3 sums[kBlock];
    double scale[kBlock];
    for (int32_t b = begin; b < end; b += kBlock) {
        const int32_t count = std::min(kBlock, end - b);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t v = b + i;
            double sx, sy, sz;
            const int32_t stop = ringStart[v + 1];
#if defined(__SSE2__)
            {
                __m128d sxy = _mm_setzero_pd(), szz = _mm_setzero_pd();
                for (int32_t k = ringStart[v]; k < stop; ++k) {
                    const Vec3* f = faceNormal + ringTriangle[k];
                    sxy = _mm_add_pd(sxy, _mm_loadu_pd(&f->x));
                    szz = _mm_add_sd(szz, _mm_load_sd(&f->z));
                }
                double lanes[2];
                _mm_storeu_pd(lanes, sxy);
                sx = lanes[0];
                sy = lanes[1];
                sz = _mm_cvtsd_f64(szz);
            }
#else
            sx = sy = sz = 0.0;
            for (int32_t k = ringStart[v]; k < stop; ++k) {
                const Vec3& f = faceNormal[ringTriangle[k]];
                sx += f.x;
                sy += f.y;
                sz += f.z;
            }
#endif
            sums[i] = {sx, sy, sz};
            scale[i] = sx * sx + sy * sy + sz * sz;
        }
        InvertLengthsWherePositive(scale, count);
        Vec3* __restrict normal = m_normal.data();
        for (int32_t i = 0; i < count; ++i) {
            // Face normals that cancel (or none at all) leave the last good normal.
            if (scale[i] > 0.0) normal[b + i] = scale[i] * sums[i];
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
        MoveRange(share.vertexBegin, share.vertexEnd, iteration + 1 == iterations);
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
           m_ringStart.size() * sizeof(int32_t) + m_ringNext.size() * sizeof(int32_t) +
           m_ringTriangle.size() * sizeof(int32_t) +
           m_corners.size() * sizeof(int32_t) + m_faceNormal.size() * sizeof(Vec3) +
           m_links.size() * sizeof(LinkStep) + m_chains.size() * sizeof(Chain);
}
