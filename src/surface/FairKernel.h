#pragma once

#include <cstdint>
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
class FairKernel {
public:
    // Reads the vertex list (kind, position, normal), the triangle corners and the
    // curve chains. Uses each listed vertex's `index` as its array number until Store.
    // A corner or curve vertex missing from the vertex list is taken in as well.
    void Load(Vertex* vertices, const Triangle* triangles, const Curve* curves);

    // Runs `iterations` fairing iterations (curve step, mesh step, normals) on the
    // arrays. With `workers` 2 the passes are split over this thread and one more; the
    // result is the same to the last bit as with one.
    void Run(int iterations, int workers = 1);

    // Writes back `position` and `normal` of every vertex and leaves the scratch fields
    // as the list walk leaves them: `work` the un-normalised normal sums, `index` the
    // incident-triangle count, `curvature`, `curvatureSum` and `meanSqEdge` of the
    // last iteration. Call only after Run with at least one iteration.
    void Store() const;

    // Bytes held by the arrays (for the memory report).
    size_t Footprint() const;

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
    struct Share {
        int32_t vertexBegin;
        int32_t vertexEnd;
        int32_t triangleBegin;
        int32_t triangleEnd;
    };

    // Vertices and triangles go through the passes in blocks of this many, so that
    // the square roots and divisions of a block can be done together.
    static constexpr int32_t kBlock = 128;

    class PairBarrier;

    void Iterate(int iterations, const Share& share, bool leader, PairBarrier* barrier);
    int32_t Number(Vertex* v);
    void Renumber();
    void CurveStep();
    void MeasureBlock(int32_t begin, int32_t count);
    void MeasureRange(int32_t begin, int32_t end);
    void MoveRange(int32_t begin, int32_t end, bool keepSums);
    void FaceNormalRange(int32_t begin, int32_t end);
    void NormalRange(int32_t begin, int32_t end, bool measure, bool keepSums);

    std::vector<Vertex*> m_records;
    // Per vertex.
    std::vector<uint8_t> m_measures;  // not sharp and on a triangle: has a curvature
    std::vector<uint8_t> m_moves;     // surface vertex on a triangle: the mesh step moves it
    std::vector<Vec3> m_position;
    std::vector<Vec3> m_normal;
    std::vector<Vec3> m_centroid;
    std::vector<Vec3> m_normalSum;
    std::vector<Vec3> m_curveWork;
    std::vector<double> m_meanSqEdge;
    std::vector<double> m_curvature;
    std::vector<double> m_curvatureSum;
    std::vector<double> m_reciprocalCount;      // 1 / incident triangles
    std::vector<double> m_reciprocalCountPlus;  // 1 / (incident triangles + 1)
    std::vector<int32_t> m_ringStart;           // ring of v: [m_ringStart[v], m_ringStart[v + 1])
    // Per corner occurrence: the next corner in its triangle, and the triangle.
    std::vector<int32_t> m_ringNext;
    std::vector<int32_t> m_ringTriangle;
    // Per triangle.
    std::vector<int32_t> m_corners;  // three a triangle
    std::vector<Vec3> m_faceNormal;  // unit, or zero for a triangle without area
    // Curves.
    std::vector<LinkStep> m_links;
    std::vector<Chain> m_chains;
};
