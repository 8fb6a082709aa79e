#include <algorithm>

#include "app/MainFrame.h"

namespace {

constexpr int kFairingIterations = 300;

// Evens out the spacing of the vertices along one curve: each vertex moves along the
// chord of its two neighbours, half way to where its projection would fall at the
// chord's middle. The chain is read as a ring for every kind; an open curve keeps its
// two ends.
void CurveStep(Curve* curve) {
    CurveLink* first = curve->first;
    CurveLink* last = curve->last;
    if (first == nullptr || last == nullptr) return;
    // Two links: each vertex is the other's both neighbours; one link: its own. Either
    // way there is no chord to slide along.
    if (first == last || first->next == last) return;

    Vertex* previous = last->vertex;
    for (CurveLink* l = first; l != nullptr; l = l->next) {
        Vertex* c = l->vertex;
        Vertex* n = l->next != nullptr ? l->next->vertex : first->vertex;
        const Vec3 d = n->position - previous->position;
        const Vec3 m = 0.5 * (previous->position + n->position);
        const double dd = Dot(d, d);
        // Neighbours on the same spot give no direction; the vertex stays.
        c->work = dd > 0.0 ? (0.5 * Dot(m - c->position, d) / dd) * d : Vec3{};
        previous = c;
    }
    const bool fixedEnds = curve->kind == kOpenCurve;
    for (CurveLink* l = first; l != nullptr; l = l->next) {
        if (fixedEnds && (l == first || l == last)) continue;
        l->vertex->position += l->vertex->work;
    }
}

}  // namespace

void CMainFrame::FairModel() {
    for (int iteration = 0; iteration < kFairingIterations; ++iteration) {
        for (Curve* c = m_pCurves; c != nullptr; c = c->next) CurveStep(c);

        for (Vertex* v = m_pVertices; v != nullptr; v = v->next) {
            v->work = Vec3{};
            v->index = 0;
            v->meanSqEdge = 0.0;
        }
        // Around a vertex of a closed, consistently oriented mesh the next corners are
        // its one-ring, each once.
        for (Triangle* t = m_pTriangles; t != nullptr; t = t->next) {
            Vertex* a = t->corner[0];
            Vertex* b = t->corner[1];
            Vertex* c = t->corner[2];
            ++a->index;
            ++b->index;
            ++c->index;
            a->work += b->position;
            b->work += c->position;
            c->work += a->position;
            a->meanSqEdge += LengthSq(a->position - b->position);
            b->meanSqEdge += LengthSq(b->position - c->position);
            c->meanSqEdge += LengthSq(c->position - a->position);
        }
        for (Vertex* v = m_pVertices; v != nullptr; v = v->next) {
            v->curvature = 0.0;
            // A sharp vertex is a crease: its curvature counts as zero. A vertex on no
            // triangle has no ring to measure against.
            if (v->kind != kSharpVertex && v->index > 0) {
                v->work = v->work / v->index;
                v->meanSqEdge = v->meanSqEdge / v->index;
                // All ring edges of zero length: no scale to measure the offset by.
                if (v->meanSqEdge > 0.0)
                    v->curvature = Dot(v->position - v->work, v->normal) / v->meanSqEdge;
            }
            v->curvatureSum = v->curvature;
        }
        for (Triangle* t = m_pTriangles; t != nullptr; t = t->next) {
            Vertex* a = t->corner[0];
            Vertex* b = t->corner[1];
            Vertex* c = t->corner[2];
            a->curvatureSum += b->curvature;
            b->curvatureSum += c->curvature;
            c->curvatureSum += a->curvature;
        }
        // Surface vertices only; all of them read their neighbours' values from the
        // passes above, so they move together.
        for (Vertex* v = m_pVertices; v != nullptr; v = v->next) {
            if (v->kind != kSurfaceVertex || v->index == 0) continue;
            const double t = v->meanSqEdge * v->curvatureSum / (v->index + 1);
            v->position = v->work + t * v->normal;
        }
        ComputeVertexNormals();
    }

    if (m_bAutoCenter != 0 && m_nModelState != 0 && m_pVertices != nullptr) {
        Vec3 lo = m_pVertices->position;
        Vec3 hi = lo;
        for (Vertex* v = m_pVertices; v != nullptr; v = v->next) {
            lo = {std::min(lo.x, v->position.x), std::min(lo.y, v->position.y),
                  std::min(lo.z, v->position.z)};
            hi = {std::max(hi.x, v->position.x), std::max(hi.y, v->position.y),
                  std::max(hi.z, v->position.z)};
        }
        const Vec3 centre = 0.5 * (lo + hi);
        for (Vertex* v = m_pVertices; v != nullptr; v = v->next) v->position -= centre;
    }
}

void CMainFrame::ComputeVertexNormals() {
    for (Vertex* v = m_pVertices; v != nullptr; v = v->next) v->work = Vec3{};
    for (Triangle* t = m_pTriangles; t != nullptr; t = t->next) {
        const Vec3& a = t->corner[0]->position;
        const Vec3 n = Cross(t->corner[1]->position - a, t->corner[2]->position - a);
        const double length = Length(n);
        // A triangle of zero area has no direction to give.
        if (!(length > 0.0)) continue;
        const Vec3 unit = n / length;
        t->corner[0]->work += unit;
        t->corner[1]->work += unit;
        t->corner[2]->work += unit;
    }
    for (Vertex* v = m_pVertices; v != nullptr; v = v->next) {
        const double length = Length(v->work);
        // Face normals that cancel (or none at all) leave the last good normal.
        if (length > 0.0) v->normal = v->work / length;
    }
}

void CMainFrame::TransformToView() {
    if (m_pCurves == nullptr || m_pCurves->first == nullptr || m_pCurves->first->vertex == nullptr)
        return;
    const double* m = m_ViewMatrix;
    for (Vertex* v = m_pCurves->first->vertex->next; v != nullptr; v = v->next) {
        const Vec3& p = v->position;
        v->work = {m[3] * p.x + m[2] * p.z, m[4] * p.x + m[1] * p.y - m[5] * p.z,
                   -m[6] * p.x + m[0] * p.y + m[7] * p.z};
    }
}
