#include <sstream>
#include <vector>

#include "model/Model.h"
#include "model/PointerMap.h"

namespace {

// A badly broken model can fail in thousands of places; the first few tell the story.
constexpr int kMaxReportedLines = 25;

// How many triangles ahead the triangle checks ask for what they will read: far
// enough for a miss to memory to arrive, near enough for it to stay in the cache.
constexpr size_t kPrefetchAhead = 8;

class Report {
public:
    template <typename... Parts>
    void Add(const Parts&... parts) {
        ++m_nCount;
        if (m_nCount > kMaxReportedLines) return;
        (m_text << ... << parts);
        m_text << '\n';
    }
    std::string Text() const {
        std::string text = m_text.str();
        if (m_nCount > kMaxReportedLines)
            text += "... and " + std::to_string(m_nCount - kMaxReportedLines) + " more\n";
        return text;
    }

private:
    std::ostringstream m_text;
    int m_nCount = 0;
};

// The corner after corner k.
constexpr int kNext[3] = {1, 2, 0};

// Index j of `u` whose edge runs from `from` to `to`, or -1.
int EdgeIndex(const Triangle* u, const Vertex* from, const Vertex* to) {
    for (int j = 0; j < 3; ++j)
        if (u->corner[j] == from && u->corner[kNext[j]] == to) return j;
    return -1;
}

// The records of one list, in order, each numbered with its place in a scratch field
// (`Field`) for the time of one check; every field is put back as found when the
// numbering goes. Whether a pointer is one of the list's records is then asked of the
// record itself: its number must be a place in the list that holds that very address.
// A table of addresses answered the same, but cost a hash and a probe into a table the
// size of the model per question; a neighbour's record is read anyway for its edge,
// and a corner's is shared by the half-dozen triangles around it.
//
// The field is read before the pointer is known to be one of the list's. A record
// outside the list fails the place check whatever its number, and so does the memory
// of a freed one (unless a list record now lives there, and then the pointer is that
// record's address); but the freed memory is read, which AddressSanitizer reports.
template <typename Record, int32_t Record::*Field>
class NumberedList {
public:
    // Fed the records of a list in order by one walk (pointer_table::ListWalk), then
    // closed. A list that loops is cut at the first place holding a record met before
    // (LoopsAt).
    NumberedList() = default;
    void Add(Record* r) {
        m_found.push_back(r->*Field);
        r->*Field = static_cast<int32_t>(m_order.size());
        m_order.push_back(r);
    }
    void Close(bool ended) {
        m_size = m_order.size();
        if (!ended) CutAtLoop();
    }
    NumberedList(const NumberedList&) = delete;
    NumberedList& operator=(const NumberedList&) = delete;

    // A record met twice was saved the second time with the number given the first
    // time; going back from the end leaves the first saving, the one found.
    ~NumberedList() {
        for (size_t i = m_order.size(); i-- > 0;) m_order[i]->*Field = m_found[i];
    }

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const Record* operator[](size_t place) const { return m_order[place]; }

    bool Contains(const Record* r) const {
        if (r == nullptr) return false;
        const int32_t place = r->*Field;
        return place >= 0 && static_cast<size_t>(place) < m_size &&
               m_order[static_cast<size_t>(place)] == r;
    }

    // The first place holding a record already met, or -1 when the list ends.
    long LoopsAt() const { return m_loopsAt; }

private:
    // Numbering again from the back leaves each record its first place; the first
    // place whose record carries an earlier number is where the list comes round.
    void CutAtLoop() {
        for (size_t i = m_order.size(); i-- > 0;) m_order[i]->*Field = static_cast<int32_t>(i);
        for (size_t i = 0; i < m_order.size(); ++i) {
            if (m_order[i]->*Field != static_cast<int32_t>(i)) {
                m_loopsAt = static_cast<long>(i);
                m_size = i;
                return;
            }
        }
    }

    std::vector<Record*> m_order;
    std::vector<int32_t> m_found;
    size_t m_size = 0;
    long m_loopsAt = -1;
};

// One pass of the checker over a model. The steps run in order, each reading what the
// earlier ones gathered: the lists' records in order, and which curve is the stroke.
class ModelCheck {
public:
    // The model is only read; the scratch fields the lists are numbered in are put back
    // when the check goes. Both lists are walked side by side (VisitTwoLists): after
    // the fairing most of the records have left the cache, and the walks are most of
    // the checker's time.
    explicit ModelCheck(const Model& model) : m_model(model) {
        const auto [verticesEnd, trianglesEnd] = pointer_table::VisitTwoLists(
            model.m_pVertices, [this](Vertex* v) { m_vertices.Add(v); }, model.m_pTriangles,
            [this](Triangle* t) { m_triangles.Add(t); });
        m_vertices.Close(verticesEnd);
        m_triangles.Close(trianglesEnd);
    }

    std::string Run() {
        CheckVertexList();
        CheckTriangleList();
        // The triangles' corners and neighbours are scattered over the heap; those of
        // a triangle a few places ahead are asked for early, and that triangle itself
        // earlier still, so that their misses overlap (most of the checker's time went
        // in waiting for them).
        const size_t count = m_triangles.size();
        for (size_t i = 0; i < count; ++i) {
            if (i + 2 * kPrefetchAhead < count) PrefetchRecord(m_triangles[i + 2 * kPrefetchAhead]);
            if (i + kPrefetchAhead < count) Prefetch(m_triangles[i + kPrefetchAhead]);
            CheckTriangle(i);
        }
        CheckCurves();
        CheckStrokeAtFront();
        CheckModelState();
        return m_report.Text();
    }

private:
    // Each record once, no cycle, sane kinds and positions.
    void CheckVertexList() {
        for (size_t position = 0; position < m_vertices.size(); ++position) {
            const Vertex* v = m_vertices[position];
            if (v->kind < 0 || v->kind > 2)
                m_report.Add("vertex #", position, ": kind ", v->kind, " outside 0..2");
            if (!IsFinite(v->position))
                m_report.Add("vertex #", position, ": position is not finite");
        }
        if (m_vertices.LoopsAt() >= 0)
            m_report.Add("vertex list: vertex #", m_vertices.LoopsAt(),
                         " appears twice (the list loops)");
    }

    void CheckTriangleList() {
        if (m_triangles.LoopsAt() >= 0)
            m_report.Add("triangle list: triangle #", m_triangles.LoopsAt(),
                         " appears twice (the list loops)");
    }

    static void PrefetchRecord(const void* record) {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(record);
#else
        (void)record;
#endif
    }

    // The records CheckTriangle will read for `t`: its corners' and neighbours'.
    static void Prefetch(const Triangle* t) {
        for (int k = 0; k < 3; ++k) {
            PrefetchRecord(t->corner[k]);
            PrefetchRecord(t->neighbour[k]);
        }
    }

    // Corners in the vertex list and distinct; every neighbour in the triangle list,
    // across the same edge the other way, and pointing back.
    void CheckTriangle(size_t i) {
        const Triangle* t = m_triangles[i];
        bool cornersKnown = true;
        for (int k = 0; k < 3; ++k) {
            if (!m_vertices.Contains(t->corner[k])) {
                m_report.Add("triangle #", i, ": corner ", k, " is not in the vertex list");
                cornersKnown = false;
            }
        }
        if (!cornersKnown) return;
        if (t->corner[0] == t->corner[1] || t->corner[1] == t->corner[2] ||
            t->corner[2] == t->corner[0])
            m_report.Add("triangle #", i, ": repeats a corner");
        for (int k = 0; k < 3; ++k) {
            const Triangle* u = t->neighbour[k];
            if (u == nullptr) {
                m_report.Add("triangle #", i, ": neighbour ", k, " is null (surface not closed)");
                continue;
            }
            if (!m_triangles.Contains(u)) {
                m_report.Add("triangle #", i, ": neighbour ", k, " is not in the triangle list");
                continue;
            }
            const int j = EdgeIndex(u, t->corner[kNext[k]], t->corner[k]);
            if (j < 0)
                m_report.Add("triangle #", i, ": neighbour ", k,
                             " does not share the edge in the opposite direction");
            else if (u->neighbour[j] != t)
                m_report.Add("triangle #", i, ": neighbour ", k, " does not point back");
        }
    }

    // Known kinds, a stroke only at the head, and chains that hold list vertices and
    // end at their last link, with no link in two places.
    void CheckCurves() {
        PointerSet curves;
        PointerSet links;
        int position = 0;
        for (const Curve* c = m_model.m_pCurves; c != nullptr; c = c->next, ++position) {
            if (!curves.Insert(c)) {
                m_report.Add("curve list: curve #", position, " appears twice (the list loops)");
                break;
            }
            if (c->kind == kStrokeCurve) {
                if (position == 0)
                    m_stroke = c;
                else
                    m_report.Add("curve #", position,
                                 ": a stroke (kind 0) that is not the newest curve");
            } else if (c->kind == kClosedCurve || c->kind == kOpenCurve) {
                if (m_newestModelCurve == nullptr) m_newestModelCurve = c;
            } else {
                m_report.Add("curve #", position, ": kind ", c->kind, " outside 0..2");
            }
            if (c->first == nullptr || c->last == nullptr) {
                m_report.Add("curve #", position, ": missing first or last link");
                continue;
            }
            CheckChain(c, position, links);
        }
    }

    void CheckChain(const Curve* c, int position, PointerSet& links) {
        const CurveLink* l = c->first;
        const CurveLink* previous = nullptr;
        int linkNumber = 0;
        for (; l != nullptr; previous = l, l = l->next, ++linkNumber) {
            if (!links.Insert(l)) {
                m_report.Add("curve #", position, ": link #", linkNumber,
                             " is visited twice (chain loops or is shared)");
                break;
            }
            if (!m_vertices.Contains(l->vertex))
                m_report.Add("curve #", position, ": link #", linkNumber,
                             " holds a vertex that is not in the vertex list");
        }
        if (l == nullptr && previous != c->last)
            m_report.Add("curve #", position, ": chain does not end at its last link");
    }

    // A stroke being drawn sits with its vertices, newest first, at the front of the
    // vertex list: dropping it cuts the list back to where it was.
    void CheckStrokeAtFront() {
        if (m_stroke == nullptr || m_stroke->first == nullptr) return;
        std::vector<const Vertex*> strokeVertices;
        PointerSet seen;
        for (const CurveLink* l = m_stroke->first; l != nullptr && seen.Insert(l); l = l->next)
            strokeVertices.push_back(l->vertex);
        bool front = strokeVertices.size() <= m_vertices.size();
        for (size_t i = 0; front && i < strokeVertices.size(); ++i)
            front = m_vertices[i] == strokeVertices[strokeVertices.size() - 1 - i];
        if (!front)
            m_report.Add("stroke: its vertices are not the front of the vertex list, newest first");
    }

    void CheckModelState() {
        switch (m_model.m_nModelState) {
        case kModelEmpty:
            if (!m_triangles.empty()) m_report.Add("model state 0 but triangles exist");
            if (m_newestModelCurve != nullptr) m_report.Add("model state 0 but model curves exist");
            break;
        case kModelCurveWaiting:
            if (m_newestModelCurve == nullptr || m_newestModelCurve->kind != kClosedCurve)
                m_report.Add("model state 1 but the newest model curve is not closed");
            if (m_triangles.empty()) m_report.Add("model state 1 but no triangles");
            break;
        case kModelBody:
            if (m_triangles.empty()) m_report.Add("model state 2 but no triangles");
            break;
        default:
            m_report.Add("model state ", m_model.m_nModelState, " outside 0..2");
            break;
        }
    }

    const Model& m_model;
    Report m_report;
    NumberedList<Vertex, &Vertex::index> m_vertices;
    NumberedList<Triangle, &Triangle::mark> m_triangles;
    const Curve* m_newestModelCurve = nullptr;
    const Curve* m_stroke = nullptr;
};

}  // namespace

std::string ValidateModel(const Model& model) { return ModelCheck(model).Run(); }
