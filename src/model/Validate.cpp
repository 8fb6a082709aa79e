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

// One pass of the checker over a model. The steps run in order, each reading what the
// earlier ones gathered: the lists' records in order, and which curve is the stroke.
class ModelCheck {
public:
    explicit ModelCheck(const Model& model) : m_model(model) {}

    std::string Run() {
        CheckVertexList();
        CheckTriangleList();
        // The triangles' corners and neighbours are scattered over the heap and the
        // tables; the ones a few triangles ahead are asked for early, so that their
        // misses overlap (most of the checker's time went in waiting for them).
        const size_t count = m_triangleOrder.size();
        for (size_t i = 0; i < count; ++i) {
            if (i + kPrefetchAhead < count) Prefetch(m_triangleOrder[i + kPrefetchAhead]);
            CheckTriangle(i);
        }
        CheckCurves();
        CheckStrokeAtFront();
        CheckModelState();
        return m_report.Text();
    }

private:
    // Each record once, no cycle, sane kinds and positions. The list is walked once
    // into the order, which then sizes the table.
    void CheckVertexList() {
        pointer_table::AppendList(m_model.m_pVertices, m_vertexOrder);
        m_vertices = PointerSet(m_vertexOrder.size());
        for (size_t position = 0; position < m_vertexOrder.size(); ++position) {
            const Vertex* v = m_vertexOrder[position];
            if (!m_vertices.Insert(v)) {
                m_report.Add("vertex list: vertex #", position, " appears twice (the list loops)");
                m_vertexOrder.resize(position);
                break;
            }
            if (v->kind < 0 || v->kind > 2)
                m_report.Add("vertex #", position, ": kind ", v->kind, " outside 0..2");
            if (!IsFinite(v->position))
                m_report.Add("vertex #", position, ": position is not finite");
        }
    }

    void CheckTriangleList() {
        pointer_table::AppendList(m_model.m_pTriangles, m_triangleOrder);
        m_triangles = PointerSet(m_triangleOrder.size());
        for (size_t position = 0; position < m_triangleOrder.size(); ++position) {
            if (!m_triangles.Insert(m_triangleOrder[position])) {
                m_report.Add("triangle list: triangle #", position,
                             " appears twice (the list loops)");
                m_triangleOrder.resize(position);
                break;
            }
        }
    }

    // The table slots and the neighbours CheckTriangle will read for `t`.
    void Prefetch(const Triangle* t) const {
        for (int k = 0; k < 3; ++k) {
            m_vertices.Prefetch(t->corner[k]);
            m_triangles.Prefetch(t->neighbour[k]);
#if defined(__GNUC__) || defined(__clang__)
            __builtin_prefetch(t->neighbour[k]);
#endif
        }
    }

    // Corners in the vertex list and distinct; every neighbour in the triangle list,
    // across the same edge the other way, and pointing back.
    void CheckTriangle(size_t i) {
        const Triangle* t = m_triangleOrder[i];
        bool cornersKnown = true;
        for (int k = 0; k < 3; ++k) {
            if (t->corner[k] == nullptr || !m_vertices.Contains(t->corner[k])) {
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
            if (l->vertex == nullptr || !m_vertices.Contains(l->vertex))
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
        bool front = strokeVertices.size() <= m_vertexOrder.size();
        for (size_t i = 0; front && i < strokeVertices.size(); ++i)
            front = m_vertexOrder[i] == strokeVertices[strokeVertices.size() - 1 - i];
        if (!front)
            m_report.Add("stroke: its vertices are not the front of the vertex list, newest first");
    }

    void CheckModelState() {
        switch (m_model.m_nModelState) {
        case kModelEmpty:
            if (!m_triangleOrder.empty()) m_report.Add("model state 0 but triangles exist");
            if (m_newestModelCurve != nullptr) m_report.Add("model state 0 but model curves exist");
            break;
        case kModelCurveWaiting:
            if (m_newestModelCurve == nullptr || m_newestModelCurve->kind != kClosedCurve)
                m_report.Add("model state 1 but the newest model curve is not closed");
            if (m_triangleOrder.empty()) m_report.Add("model state 1 but no triangles");
            break;
        case kModelBody:
            if (m_triangleOrder.empty()) m_report.Add("model state 2 but no triangles");
            break;
        default:
            m_report.Add("model state ", m_model.m_nModelState, " outside 0..2");
            break;
        }
    }

    const Model& m_model;
    Report m_report;
    PointerSet m_vertices;
    std::vector<const Vertex*> m_vertexOrder;
    PointerSet m_triangles;
    std::vector<const Triangle*> m_triangleOrder;
    const Curve* m_newestModelCurve = nullptr;
    const Curve* m_stroke = nullptr;
};

}  // namespace

std::string ValidateModel(const Model& model) { return ModelCheck(model).Run(); }
