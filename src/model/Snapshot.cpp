#include "model/Snapshot.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>

#include "model/PointerMap.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

template <typename T>
T* At(const std::vector<T*>& records, int32_t position) {
    return position < 0 ? nullptr : records[static_cast<size_t>(position)];
}

// Makes a fresh record of each copy, linked in the same order from `head`. `made` sees
// each record (and its position) as soon as it exists, before the next one is made.
template <typename Copies, typename Record, typename Made>
std::vector<Record*> MakeList(const Copies& copies, Record*& head, Made made) {
    std::vector<Record*> records(copies.size());
    Record** tail = &head;
    for (size_t i = 0; i < copies.size(); ++i) {
        auto* copy = new Record(copies[i]);
        made(copy, i);
        records[i] = copy;
        *tail = copy;
        tail = &copy->next;
    }
    *tail = nullptr;
    return records;
}

// Every cache line of a record.
template <typename Record>
void Prefetch(const Record* r) {
#if defined(__GNUC__) || defined(__clang__)
    const char* bytes = reinterpret_cast<const char*>(r);
    for (size_t offset = 0; offset < sizeof(Record); offset += 64)
        __builtin_prefetch(bytes + offset);
    __builtin_prefetch(bytes + sizeof(Record) - 1);
#else
    (void)r;
#endif
}

bool Same(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

bool SameVertex(const Vertex& a, const Vertex& b) {
    return a.kind == b.kind && Same(a.normal, b.normal) && Same(a.position, b.position) &&
           a.curvature == b.curvature && a.curvatureSum == b.curvatureSum &&
           a.meanSqEdge == b.meanSqEdge;
}

// How many records ahead the copy asks for what it will read.
constexpr size_t kPrefetchAhead = 8;

// The block of copies starts on a cache line of its own.
constexpr size_t kBlockAlignment = 64;

// Copies one record to `out` past the cache where the processor can (the writes are
// ordered by FinishCopies), through it elsewhere.
template <typename Record>
void CopyPastCache(char* out, const Record* record) {
#if defined(__SSE2__)
    if constexpr (sizeof(Record) % 16 == 0) {
        const auto* in = reinterpret_cast<const __m128i*>(record);
        auto* to = reinterpret_cast<__m128i*>(out);
        for (size_t k = 0; k < sizeof(Record) / 16; ++k)
            _mm_stream_si128(to + k, _mm_loadu_si128(in + k));
        return;
    }
#endif
    std::memcpy(out, record, sizeof(Record));
}

void FinishCopies() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// Each copied record's list place, by the address it had when it was copied: the
// head's for the first, the `next` of the one before for the others.
template <typename Copies, typename Record>
PointerMap AddressPlaces(const Copies& copies, const Record* head) {
    PointerMap places(copies.size());
    for (size_t i = 0; i < copies.size(); ++i)
        places.Insert(i == 0 ? head : copies[i - 1].next, static_cast<int32_t>(i));
    return places;
}

// The place in `listed` (a list's records in order) of each of `vertices`, -1 for one
// that is not there. The curves hold a few hundred links against thousands of
// vertices, so the links' vertices go into a small table and the list is looked up in
// it, rather than all the vertices into a large one. The list's addresses are read,
// not the copies: those were written past the cache.
std::vector<int32_t> PlacesAmong(const std::vector<const Vertex*>& vertices,
                                 const std::vector<const Vertex*>& listed) {
    PointerMap wanted(vertices.size());
    int32_t distinct = 0;
    for (const Vertex* v : vertices)
        if (wanted.Insert(v, distinct)) ++distinct;
    std::vector<int32_t> placeOfWanted(static_cast<size_t>(distinct), -1);
    for (size_t i = 0; i < listed.size(); ++i) {
        const int32_t w = wanted.Find(listed[i]);
        if (w >= 0 && placeOfWanted[static_cast<size_t>(w)] < 0)
            placeOfWanted[static_cast<size_t>(w)] = static_cast<int32_t>(i);
    }
    std::vector<int32_t> places;
    places.reserve(vertices.size());
    for (const Vertex* v : vertices) {
        const int32_t w = wanted.Find(v);
        places.push_back(w < 0 ? -1 : placeOfWanted[static_cast<size_t>(w)]);
    }
    return places;
}

template <typename T>
size_t BytesOf(const std::vector<T>& v) {
    return v.capacity() * sizeof(T);
}

}  // namespace

// The records are read from their addresses a few ahead asked for early: a walk along
// the list that copied as it went waited for each record's misses in turn before it
// could learn the next address; these overlap.
template <typename Record>
void RecordCopies<Record>::Assign(const std::vector<const Record*>& records) {
    static_assert(std::is_trivially_copyable_v<Record>);
    m_size = records.size();
    m_records.reset(static_cast<Record*>(::operator new(
        std::max<size_t>(m_size, 1) * sizeof(Record), std::align_val_t(kBlockAlignment))));
    char* out = reinterpret_cast<char*>(m_records.get());
    for (size_t i = 0; i < m_size; ++i, out += sizeof(Record)) {
        if (i + kPrefetchAhead < m_size) Prefetch(records[i + kPrefetchAhead]);
        CopyPastCache(out, records[i]);
    }
    FinishCopies();
}

template <typename Record>
void RecordCopies<Record>::Release::operator()(Record* records) const {
    ::operator delete(records, std::align_val_t(kBlockAlignment));
}

template class RecordCopies<Vertex>;
template class RecordCopies<Triangle>;

// Copies every field (scratch fields too) in list order. The triangles' corners and
// neighbours are left as the copies' pointers: turning 120 thousand of them into list
// places takes two address tables the size of the model, and only Restore and Matches,
// which a finished edit never reaches, need the places (TriangleLinks).
ModelSnapshot::ModelSnapshot(const Model& model)
    : m_nModelState(model.m_nModelState),
      m_pVertexHead(model.m_pVertices),
      m_pCurveHead(model.m_pCurves),
      m_pTriangleHead(model.m_pTriangles) {
    // The lists are walked side by side for their addresses alone, which also sizes
    // the copies. A list that comes round again is copied up to where its walk stopped.
    std::vector<const Vertex*> vertices;
    std::vector<const Triangle*> triangles;
    pointer_table::VisitTwoLists(
        model.m_pVertices, [&](const Vertex* v) { vertices.push_back(v); }, model.m_pTriangles,
        [&](const Triangle* t) { triangles.push_back(t); });
    m_vertices.Assign(vertices);
    m_triangles.Assign(triangles);

    std::vector<const Vertex*> linkVertices;
    for (const Curve* c = model.m_pCurves; c != nullptr; c = c->next) {
        m_curves.push_back(*c);
        int32_t links = 0;
        // A chain closed into a ring (an operation stopped half way) ends at `last`.
        PointerSet seen;
        for (const CurveLink* l = c->first; l != nullptr && seen.Insert(l); l = l->next) {
            linkVertices.push_back(l->vertex);
            ++links;
            if (l == c->last) break;
        }
        m_linkCounts.push_back(links);
    }
    m_linkVertices = PlacesAmong(linkVertices, vertices);
}

// Per triangle, three corner places then three neighbour places, from the pointers
// the copies kept and the addresses the records had when they were copied.
std::vector<int32_t> ModelSnapshot::TriangleLinks() const {
    const PointerMap vertexPlace = AddressPlaces(m_vertices, m_pVertexHead);
    const PointerMap trianglePlace = AddressPlaces(m_triangles, m_pTriangleHead);
    std::vector<int32_t> links;
    links.reserve(6 * m_triangles.size());
    for (const Triangle& t : m_triangles) {
        for (const Vertex* corner : t.corner) links.push_back(vertexPlace.Find(corner));
        for (const Triangle* n : t.neighbour) links.push_back(trianglePlace.Find(n));
    }
    return links;
}

// Makes fresh records each time, so the snapshot stays valid and can be restored
// again if a retry fails too. Records are made in the order vertices, curves with
// their links, triangles.
void ModelSnapshot::Restore(Model& model) {
    ReleaseModel(model);

    const std::vector<Vertex*> vertices =
        MakeList(m_vertices, model.m_pVertices, [](Vertex*, size_t) {});
    size_t link = 0;
    MakeList(m_curves, model.m_pCurves, [&](Curve* curve, size_t i) {
        curve->first = nullptr;
        curve->last = nullptr;
        CurveLink** linkTail = &curve->first;
        for (int32_t k = 0; k < m_linkCounts[i]; ++k, ++link) {
            auto* l = new CurveLink;
            l->vertex = At(vertices, m_linkVertices[link]);
            *linkTail = l;
            linkTail = &l->next;
            curve->last = l;
        }
    });
    const std::vector<int32_t> triangleLinks = TriangleLinks();
    const std::vector<Triangle*> triangles =
        MakeList(m_triangles, model.m_pTriangles, [](Triangle*, size_t) {});
    for (size_t i = 0; i < triangles.size(); ++i) {
        const int32_t* places = &triangleLinks[6 * i];
        for (int k = 0; k < 3; ++k) {
            triangles[i]->corner[k] = At(vertices, places[k]);
            triangles[i]->neighbour[k] = At(triangles, places[3 + k]);
        }
    }
    model.m_nModelState = m_nModelState;
}

// Fields first, walking the live lists beside the copies: an action that changed the
// model nearly always moved or re-kinded a vertex, so this answers early and without
// tables. Only a model equal in every field is copied again to compare its links.
bool ModelSnapshot::Matches(const Model& model) const {
    if (model.m_nModelState != m_nModelState) return false;
    if (SameRecordsAsTaken(model)) return true;
    size_t i = 0;
    for (const Vertex* v = model.m_pVertices; v != nullptr; v = v->next, ++i)
        if (i == m_vertices.size() || !SameVertex(*v, m_vertices[i])) return false;
    if (i != m_vertices.size()) return false;
    i = 0;
    for (const Curve* c = model.m_pCurves; c != nullptr; c = c->next, ++i)
        if (i == m_curves.size() || c->kind != m_curves[i].kind ||
            c->clockwise != m_curves[i].clockwise)
            return false;
    if (i != m_curves.size()) return false;
    if (pointer_table::ListLength(model.m_pTriangles) != m_triangles.size()) return false;
    const ModelSnapshot now(model);
    return now.m_linkCounts == m_linkCounts && now.m_linkVertices == m_linkVertices &&
           now.TriangleLinks() == TriangleLinks();
}

size_t ModelSnapshot::Bytes() const {
    return sizeof(*this) + m_vertices.Bytes() + BytesOf(m_curves) + m_triangles.Bytes() +
           BytesOf(m_linkCounts) + BytesOf(m_linkVertices);
}

const Vertex* ModelSnapshot::VertexAt(int32_t position) const {
    if (position <= 0) return position == 0 ? m_pVertexHead : nullptr;
    return m_vertices[static_cast<size_t>(position - 1)].next;
}

// An action that changed nothing has usually not touched a record: the lists still
// hold the records the copy was taken from, at the same places, with the same links.
// Then the copies' own pointers say it in one walk, where comparing positions would
// take a second copy. Any pointer that differs leaves the answer to that comparison.
bool ModelSnapshot::SameRecordsAsTaken(const Model& model) const {
    // Each record's `next` as it was, from the same head, walks the same records.
    const Vertex* v = model.m_pVertices;
    if (v != m_pVertexHead) return false;
    for (const Vertex& copy : m_vertices) {
        if (v == nullptr || v->next != copy.next || !SameVertex(*v, copy)) return false;
        v = v->next;
    }
    const Triangle* t = model.m_pTriangles;
    if (t != m_pTriangleHead) return false;
    for (const Triangle& copy : m_triangles) {
        if (t == nullptr || t->next != copy.next) return false;
        for (int k = 0; k < 3; ++k)
            if (t->corner[k] != copy.corner[k] || t->neighbour[k] != copy.neighbour[k])
                return false;
        t = t->next;
    }
    const Curve* c = model.m_pCurves;
    if (c != m_pCurveHead) return false;
    size_t link = 0;
    for (size_t i = 0; i < m_curves.size(); ++i) {
        const Curve& copy = m_curves[i];
        if (c == nullptr || c->next != copy.next || c->kind != copy.kind ||
            c->clockwise != copy.clockwise || c->first != copy.first || c->last != copy.last)
            return false;
        // The chain must end where the copy's did: at `last` or at its end.
        const CurveLink* l = c->first;
        for (int32_t k = 0; k < m_linkCounts[i]; ++k, ++link) {
            if (l == nullptr || m_linkVertices[link] < 0 ||
                l->vertex != VertexAt(m_linkVertices[link]))
                return false;
            if (k + 1 < m_linkCounts[i]) l = l->next;
        }
        if (l != nullptr && l != c->last && l->next != nullptr) return false;
        c = c->next;
    }
    return true;
}
