#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/Records.h"

// The fairing iterations of CMainFrame::FairModel on flat arrays. The mesh does not
// change while the model is faired, so the one-rings, the triangle corners and the
// curve chains are read from the lists once, and the iterations then run over
// contiguous arrays instead of chasing pointers through the records.
//
// The arrays number the vertices breadth first over the mesh (see Renumber), but every
// vertex sums its ring in the order the triangle list gives it, as the list walk does;
// the results differ from the list walk only by rounding: a multiplication by a
// reciprocal where the walk divides, and squared edges summed per component (a few
// units in the last place per step).
//
// A point is kept as four doubles (x, y, z and an unused fourth) so that one vector
// instruction moves or adds a whole point. The passes exist twice, for plain SSE2 and
// for AVX2, and the wider is used where the processor has it; both add and multiply
// the same numbers in the same order (no fused multiply-add), so they give the same
// bits. (Two points to an AVX-512 vector was measured slower than AVX2.)
class FairKernel {
public:
    // Which build of the passes Run uses: the wider one where the processor has it, or one of
    // them by name (for tests and benchmarks that compare them).
    enum class Unit { Best, Portable, Avx2 };

    // True where the processor and this build can run the passes of `unit`.
    static bool UnitAvailable(Unit unit);

    // The number of processors this process may run on.
    static int Processors();

    // The number of workers worth using for a model of `vertexCount` vertices: one per
    // processor this process may run on, but no more than leaves each worker enough
    // vertices to pay for its start and for the meetings between the passes.
    static int WorkersFor(size_t vertexCount);

    // The number of shares Run cuts each pass into for `workers` workers on a model of
    // `vertices` vertices and `triangles` triangles; one means Run stays on the calling
    // thread.
    static int32_t SharesFor(int workers, size_t vertices, size_t triangles);

    // Reads the vertex list (kind, position, normal), the triangle corners and the
    // curve chains. Uses each listed vertex's `index` as its array number until Store.
    // A corner or curve vertex missing from the vertex list is taken in as well.
    void Load(Vertex* vertices, const Triangle* triangles, const Curve* curves);

    // Runs `iterations` fairing iterations (curve step, mesh step, normals) on the
    // arrays. With `workers` above one the passes are split over this thread and
    // `workers` - 1 more; the result is the same to the last bit whatever the number.
    // On a machine too busy for them to run side by side, the calling thread finishes
    // the run alone. A unit the processor lacks runs as Portable.
    //
    // `alongside`, when given, is a job that has no part in the fairing and reads
    // nothing the run writes (the records' fields other than `index`, which it must
    // leave as it found it): the last helper runs it before it joins the others, who
    // meanwhile take its shares; with no helper the calling thread runs it first. It
    // has finished when Run returns; whatever it throws, Run throws then.
    void Run(int iterations, int workers = 1, Unit unit = Unit::Best,
             const std::function<void()>& alongside = {});

    // Writes back `position` and `normal` of every vertex and leaves the scratch fields
    // as the list walk leaves them: `work` the un-normalised normal sums, `index` the
    // incident-triangle count, `curvature`, `curvatureSum` and `meanSqEdge` of the
    // last iteration. Call only after Run with at least one iteration.
    void Store() const;

    // True when every position and normal after Run is finite.
    bool ResultFinite() const;

    // Writes back only `index` (the incident-triangle count), for a result that is
    // not to be kept: Load used the field as the array number.
    void StoreCounts() const;

    // The number of vertices loaded.
    size_t VertexCount() const { return m_records.size(); }

    // Bytes held by the arrays (for the memory report).
    size_t Footprint() const;

    // The wall time from each Load to the Store or StoreCounts after it, added up over
    // the kernel's life: what the benchmarks take off an operation's time to see the
    // time spent around its fairing.
    double BusySeconds() const { return m_busySeconds; }

    // A point or direction: x, y, z, and a fourth lane that no result reads.
    struct alignas(32) Quad {
        double x;
        double y;
        double z;
        double w;
    };
    // The arrays as the passes see them.
    struct Arrays {
        Quad* position;
        Quad* normal;
        Quad* centroid;
        Quad* normalSum;
        Quad* faceNormal;
        double* meanSqEdge;
        double* curvature;
        double* curvatureSum;
        const double* reciprocalCount;
        const double* reciprocalCountPlus;
        const uint8_t* measures;
        const uint8_t* moves;
        const int32_t* ringStart;
        const int32_t* ringNext;
        const int32_t* ringNextLane;      // ringNext times four
        const int32_t* ringTriangleLane;  // the triangle's number times four
        const int32_t* cornerLanes;       // the corner's number times four
        const int32_t* quartetRingStart;
        const int32_t* quartetRing;
    };
    // Vertices go through the curvature sums four at a time, one to a lane.
    static constexpr int32_t kLanes = 4;
    // Vertices and triangles go through the passes in blocks of this many, so that
    // the square roots and divisions of a block can be done together.
    static constexpr int32_t kBlock = 32;

private:
    // One link of a curve step: the vertex, its neighbours along the chain read as a
    // ring, and whether the step may move it (the ends of an open curve stay).
    struct LinkStep {
        int32_t previous;
        int32_t self;
        int32_t next;
        int32_t moves;
    };
    struct Chain {
        int32_t begin;
        int32_t end;
    };

    // The steps of a run, in order: one pass over all vertices or all triangles, or
    // the curve step.
    enum class Step : uint8_t {
        Curve,
        Measure,
        Move,
        MoveLast,
        FaceNormals,
        NormalsAndMeasure,
        NormalsLast
    };
    // How a pass is cut into shares: share k is the vertices [vertex[k], vertex[k + 1])
    // (cut where the ring lengths, which are most of a vertex's work, add up to equal
    // parts) and the triangles [triangle[k], triangle[k + 1]).
    struct Shares {
        std::vector<int32_t> vertex;
        std::vector<int32_t> triangle;
        int32_t Count() const { return static_cast<int32_t>(vertex.size()) - 1; }
    };
    struct Passes;

    static std::vector<Step> Schedule(int iterations);
    Shares CutShares(int32_t count) const;
    void RunShare(Step step, int32_t share, const Shares& shares, const Passes& passes,
                  const Arrays& a);
    void RunCrew(const std::vector<Step>& steps, const Shares& shares, int workers,
                 const std::function<void()>& alongside,
                 const Passes& passes);
    int32_t Number(Vertex* v);
    void Renumber();
    void InterleaveRings();
    void CurveStep();
    Arrays View();

    void AddBusyTime() const;

    std::chrono::steady_clock::time_point m_loadStart;
    mutable double m_busySeconds = 0.0;
    std::vector<Vertex*> m_records;
    // Per vertex.
    std::vector<uint8_t> m_measures;  // not sharp and on a triangle: has a curvature
    std::vector<uint8_t> m_moves;     // surface vertex on a triangle: the mesh step moves it
    std::vector<Quad> m_position;
    std::vector<Quad> m_normal;
    std::vector<Quad> m_centroid;
    std::vector<Quad> m_normalSum;
    std::vector<Vec3> m_curveWork;
    std::vector<double> m_meanSqEdge;
    std::vector<double> m_curvature;
    std::vector<double> m_curvatureSum;
    std::vector<double> m_reciprocalCount;      // 1 / incident triangles
    std::vector<double> m_reciprocalCountPlus;  // 1 / (incident triangles + 1)
    std::vector<int32_t> m_ringStart;           // ring of v: [m_ringStart[v], m_ringStart[v + 1])
    // The rings of each four vertices 4q to 4q + 3 (a quartet), interleaved: entry k of
    // lane j at m_quartetRing[m_quartetRingStart[q] + 4 k + j], every ring padded to
    // the longest of the four with the vertex count, whose curvature is -0 (which,
    // added to any sum, leaves its bits as they are).
    std::vector<int32_t> m_quartetRingStart;
    std::vector<int32_t> m_quartetRing;
    // Per corner occurrence: the next corner in its triangle, and the triangle.
    std::vector<int32_t> m_ringNext;
    std::vector<int32_t> m_ringNextLane;      // the same times four (see Arrays)
    std::vector<int32_t> m_ringTriangleLane;  // the triangle's number times four
    // Per vertex: the number of the first triangle whose first corner it is (the
    // triangles are numbered in the order of their first corners).
    std::vector<int32_t> m_firstTriangle;
    // Per triangle.
    std::vector<int32_t> m_corners;  // three a triangle; times four after Renumber
    std::vector<Quad> m_faceNormal;  // unit, or zero for a triangle without area
    // Curves.
    std::vector<LinkStep> m_links;
    std::vector<Chain> m_chains;
    // Renumber's working arrays.
    struct Scratch {
        std::vector<int32_t> start;
        std::vector<int32_t> ringNext;
        std::vector<int32_t> ringTriangle;
        std::vector<int32_t> fill;
        std::vector<int32_t> vertexNumber;
        std::vector<int32_t> order;
        std::vector<int32_t> triangleNumber;
        std::vector<int32_t> corners;
        std::vector<Vertex*> records;
    } m_scratch;
};
