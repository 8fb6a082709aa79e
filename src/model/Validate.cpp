#include <sstream>
#include <vector>

#include "model/Model.h"
#include "model/PointerMap.h"

namespace {

// A badly broken model can fail in thousands of places; the first few tell the story.
constexpr int kMaxReportedLines = 25;

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

// Index j of `u` whose edge runs from `from` to `to`, or -1.
int EdgeIndex(const Triangle* u, const Vertex* from, const Vertex* to) {
    for (int j = 0; j < 3; ++j)
        if (u->corner[j] == from && u->corner[(j + 1) % 3] == to) return j;
    return -1;
}

}  // namespace

std::string ValidateModel(const Model& model) {
    Report report;

    // Vertex list: each record once, no cycle, sane kinds and positions.
    PointerSet vertices(pointer_table::ListLength(model.m_pVertices));
    std::vector<const Vertex*> vertexOrder;
    int position = 0;
    for (const Vertex* v = model.m_pVertices; v != nullptr; v = v->next, ++position) {
        if (!vertices.Insert(v)) {
            report.Add("vertex list: vertex #", position, " appears twice (the list loops)");
            break;
        }
        vertexOrder.push_back(v);
        if (v->kind < 0 || v->kind > 2)
            report.Add("vertex #", position, ": kind ", v->kind, " outside 0..2");
        if (!IsFinite(v->position)) report.Add("vertex #", position, ": position is not finite");
    }

    // Triangle list.
    PointerSet triangles(pointer_table::ListLength(model.m_pTriangles));
    std::vector<const Triangle*> triangleOrder;
    position = 0;
    for (const Triangle* t = model.m_pTriangles; t != nullptr; t = t->next, ++position) {
        if (!triangles.Insert(t)) {
            report.Add("triangle list: triangle #", position, " appears twice (the list loops)");
            break;
        }
        triangleOrder.push_back(t);
    }
    for (size_t i = 0; i < triangleOrder.size(); ++i) {
        const Triangle* t = triangleOrder[i];
        bool cornersKnown = true;
        for (int k = 0; k < 3; ++k) {
            if (t->corner[k] == nullptr || !vertices.Contains(t->corner[k])) {
                report.Add("triangle #", i, ": corner ", k, " is not in the vertex list");
                cornersKnown = false;
            }
        }
        if (!cornersKnown) continue;
        if (t->corner[0] == t->corner[1] || t->corner[1] == t->corner[2] ||
            t->corner[2] == t->corner[0])
            report.Add("triangle #", i, ": repeats a corner");
        for (int k = 0; k < 3; ++k) {
            const Triangle* u = t->neighbour[k];
            if (u == nullptr) {
                report.Add("triangle #", i, ": neighbour ", k, " is null (surface not closed)");
                continue;
            }
            if (!triangles.Contains(u)) {
                report.Add("triangle #", i, ": neighbour ", k, " is not in the triangle list");
                continue;
            }
            const Vertex* a = t->corner[k];
            const Vertex* b = t->corner[(k + 1) % 3];
            int j = EdgeIndex(u, b, a);
            if (j < 0)
                report.Add("triangle #", i, ": neighbour ", k,
                           " does not share the edge in the opposite direction");
            else if (u->neighbour[j] != t)
                report.Add("triangle #", i, ": neighbour ", k, " does not point back");
        }
    }

    // Curve list and chains.
    PointerSet curves;
    PointerSet links;
    const Curve* newestModelCurve = nullptr;
    const Curve* stroke = nullptr;
    position = 0;
    for (const Curve* c = model.m_pCurves; c != nullptr; c = c->next, ++position) {
        if (!curves.Insert(c)) {
            report.Add("curve list: curve #", position, " appears twice (the list loops)");
            break;
        }
        if (c->kind == kStrokeCurve) {
            if (position == 0)
                stroke = c;
            else
                report.Add("curve #", position, ": a stroke (kind 0) that is not the newest curve");
        } else if (c->kind == kClosedCurve || c->kind == kOpenCurve) {
            if (newestModelCurve == nullptr) newestModelCurve = c;
        } else {
            report.Add("curve #", position, ": kind ", c->kind, " outside 0..2");
        }
        if (c->first == nullptr || c->last == nullptr) {
            report.Add("curve #", position, ": missing first or last link");
            continue;
        }
        const CurveLink* l = c->first;
        const CurveLink* previous = nullptr;
        int linkNumber = 0;
        for (; l != nullptr; previous = l, l = l->next, ++linkNumber) {
            if (!links.Insert(l)) {
                report.Add("curve #", position, ": link #", linkNumber,
                           " is visited twice (chain loops or is shared)");
                break;
            }
            if (l->vertex == nullptr || !vertices.Contains(l->vertex))
                report.Add("curve #", position, ": link #", linkNumber,
                           " holds a vertex that is not in the vertex list");
        }
        if (l == nullptr && previous != c->last)
            report.Add("curve #", position, ": chain does not end at its last link");
    }

    // A stroke being drawn sits with its vertices, newest first, at the front of the
    // vertex list: dropping it cuts the list back to where it was.
    if (stroke != nullptr && stroke->first != nullptr) {
        std::vector<const Vertex*> strokeVertices;
        PointerSet seen;
        for (const CurveLink* l = stroke->first; l != nullptr && seen.Insert(l); l = l->next)
            strokeVertices.push_back(l->vertex);
        bool front = strokeVertices.size() <= vertexOrder.size();
        for (size_t i = 0; front && i < strokeVertices.size(); ++i)
            front = vertexOrder[i] == strokeVertices[strokeVertices.size() - 1 - i];
        if (!front)
            report.Add("stroke: its vertices are not the front of the vertex list, newest first");
    }

    switch (model.m_nModelState) {
    case kModelEmpty:
        if (!triangleOrder.empty()) report.Add("model state 0 but triangles exist");
        if (newestModelCurve != nullptr) report.Add("model state 0 but model curves exist");
        break;
    case kModelCurveWaiting:
        if (newestModelCurve == nullptr || newestModelCurve->kind != kClosedCurve)
            report.Add("model state 1 but the newest model curve is not closed");
        if (triangleOrder.empty()) report.Add("model state 1 but no triangles");
        break;
    case kModelBody:
        if (triangleOrder.empty()) report.Add("model state 2 but no triangles");
        break;
    default:
        report.Add("model state ", model.m_nModelState, " outside 0..2");
        break;
    }

    return report.Text();
}
