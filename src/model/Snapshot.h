#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/Model.h"

// Copies of a list's records, in order, in one block. A snapshot's copies are written
// once and read again, if at all, well after (a refused edit, an undo, the end of a
// gesture), so they are written past the cache: written through it, the 2.5 MB of a
// 10k-vertex body's copies pushed out the records that the edit reads next, and each
// line was first read in to be written.
template <typename Record>
class RecordCopies {
public:
    // Copies the records at `records`, in order, over whatever was held.
    void Assign(const std::vector<const Record*>& records);

    size_t size() const { return m_size; }
    const Record& operator[](size_t i) const { return m_records.get()[i]; }
    const Record* begin() const { return m_records.get(); }
    const Record* end() const { return m_records.get() + m_size; }
    size_t Bytes() const { return m_size * sizeof(Record); }

private:
    struct Release {
        void operator()(Record* records) const;
    };
    std::unique_ptr<Record, Release> m_records;
    size_t m_size = 0;
};

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
    std::vector<int32_t> TriangleLinks() const;

    // The copies keep the pointers their records held when the copy was taken; Restore
    // and the link comparison go by list positions: those of the links below, and the
    // triangles' from TriangleLinks. The pointers (and the heads) also let Matches see
    // at once that a model still holds the very same records.
    RecordCopies<Vertex> m_vertices;
    std::vector<Curve> m_curves;
    RecordCopies<Triangle> m_triangles;
    // Per curve, its number of links; per link, its vertex's list position.
    std::vector<int32_t> m_linkCounts;
    std::vector<int32_t> m_linkVertices;
    int32_t m_nModelState = kModelEmpty;
    const Vertex* m_pVertexHead = nullptr;
    const Curve* m_pCurveHead = nullptr;
    const Triangle* m_pTriangleHead = nullptr;
};
