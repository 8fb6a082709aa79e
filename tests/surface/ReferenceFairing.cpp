#include "ReferenceFairing.h"

#include <algorithm>

namespace {

constexpr int kFairingIterations = 300;

void CurveStep(Curve* curve) {
    CurveLink* first = curve->first;
    CurveLink* last = curve->last;
    if (first == nullptr || last == nullptr) return;
    if (first == last || first->next == last) return;

    Vertex* previous = last->vertex;
    for (CurveLink* l = first; l != nullptr; l = l->next) {
        Vertex* c = l->vertex;
        Vertex* n = l->next != nullptr ? l->next->vertex : first->vertex;
        const Vec3 d = n->position - previous->position;
        const Vec3 m = 0.5 * (previous->position + n->position);
        const double dd = Dot(d, d);
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

void ReferenceFairModel(CMainFrame& frame) {
    for (int iteration = 0; iteration < kFairingIterations; ++iteration) {
        for (Curve* c = frame.m_pCurves; c != nullptr; c = c->next) CurveStep(c);

        for (Vertex* v = frame.m_pVertices; v != nullptr; v = v->next) {
            v->work = Vec3{};
            v->index = 0;
            v->meanSqEdge = 0.0;
        }
        for (Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) {
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
        for (Vertex* v = frame.m_pVertices; v != nullptr; v = v->next) {
            v->curvature = 0.0;
            if (v->kind != kSharpVertex && v->index > 0) {
                v->work = v->work / v->index;
                v->meanSqEdge = v->meanSqEdge / v->index;
                if (v->meanSqEdge > 0.0)
                    v->curvature = Dot(v->position - v->work, v->normal) / v->meanSqEdge;
            }
            v->curvatureSum = v->curvature;
        }
        for (Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) {
            Vertex* a = t->corner[0];
            Vertex* b = t->corner[1];
            Vertex* c = t->corner[2];
            a->curvatureSum += b->curvature;
            b->curvatureSum += c->curvature;
            c->curvatureSum += a->curvature;
        }
        for (Vertex* v = frame.m_pVertices; v != nullptr; v = v->next) {
            if (v->kind != kSurfaceVertex || v->index == 0) continue;
            const double t = v->meanSqEdge * v->curvatureSum / (v->index + 1);
            v->position = v->work + t * v->normal;
        }
        frame.ComputeVertexNormals();
    }

    if (frame.m_bAutoCenter != 0 && frame.m_nModelState != 0 && frame.m_pVertices != nullptr) {
        Vec3 lo = frame.m_pVertices->position;
        Vec3 hi = lo;
        for (Vertex* v = frame.m_pVertices; v != nullptr; v = v->next) {
            lo = {std::min(lo.x, v->position.x), std::min(lo.y, v->position.y),
                  std::min(lo.z, v->position.z)};
            hi = {std::max(hi.x, v->position.x), std::max(hi.y, v->position.y),
                  std::max(hi.z, v->position.z)};
        }
        const Vec3 centre = 0.5 * (lo + hi);
        for (Vertex* v = frame.m_pVertices; v != nullptr; v = v->next) v->position -= centre;
    }
}
