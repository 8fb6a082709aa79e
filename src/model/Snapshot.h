#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/Model.h"

// A deep copy of the model (the three lists and ModelState). An operation that may
// fail half way takes one first; Restore() releases whatever the model holds now and
// puts back records equal in every field and list order to those of the snapshot.
//
// The copy is kept flat, records in list order, so that taking one (which every such
// operation does) costs a few array appends and no allocation per record; only Restore
// makes records again. Links are turned into list positions: a curve link's when the
// copy is taken, a triangle's only when Restore or Matches needs it, from the
// pointers its copy kept. A pointer to a record outside the lists has no position and
// comes back null.
class ModelSnapshot {
public:
    explicit ModelSnapshot(const Model& model);
    ~ModelSnapshot() = default;
    ModelSnapshot(const ModelSnapshot&) = delete;
    ModelSnapshot& operator=(const ModelSnapshot&) = delete;

    void Restore(Model& model);

    // Whether `model` holds records equal to the snapshot's in list order and links,
    // and the same ModelState, scratch fields (a vertex's `index` and `work`, a
    // triangle's `mark`) aside: whether an action changed the model at all.
    bool Matches(const Model& model) const;

    // The memory the copy holds, in bytes.
    size_t Bytes() const;

private:
    bool SameRecordsAsTaken(const Model& model) const;
    const Vertex* VertexAt(int32_t position) const;
    std::vector<int32_t> PlacesOf(const std::vector<const Vertex*>& vertices) const;
    std::vector<int32_t> TriangleLinks() const;

    // The copies keep the pointers their records held when the copy was taken; Restore
    // and the link comparison go by list positions: those of the links below, and the
    // triangles' from TriangleLinks. The pointers (and the heads) also let Matches see
    // at once that a model still holds the very same records.
    std::vector<Vertex> m_vertices;
    std::vector<Curve> m_curves;
    std::vector<Triangle> m_triangles;
    // Per curve, its number of links; per link, its vertex's list position.
    std::vector<int32_t> m_linkCounts;
    std::vector<int32_t> m_linkVertices;
    int32_t m_nModelState = kModelEmpty;
    const Vertex* m_pVertexHead = nullptr;
    const Curve* m_pCurveHead = nullptr;
    const Triangle* m_pTriangleHead = nullptr;
};
