#include "model/Model.h"
#include "model/PointerMap.h"

namespace {

// Frees links up to `last` (or the end of the chain when `last` is null). `released`
// holds every link freed so far, so that a chain closed into a ring, or a link that a
// broken operation left in two chains, is never freed twice.
void ReleaseLinks(CurveLink* link, const CurveLink* last, ChainVertices vertices,
                  PointerSet& released) {
    while (link != nullptr && released.Insert(link)) {
        CurveLink* next = link == last ? nullptr : link->next;
        if (vertices == ChainVertices::Release) delete link->vertex;
        delete link;
        link = next;
    }
}

}  // namespace

Vertex* AppendCurvePoint(Model& model, Curve* curve, double x, double y) {
    auto* point = new Vertex;
    point->kind = kSmoothVertex;
    point->work = {x, y, 0.0};
    point->next = model.m_pVertices;
    model.m_pVertices = point;
    auto* link = new CurveLink;
    link->vertex = point;
    if (curve->last != nullptr)
        curve->last->next = link;
    else
        curve->first = link;
    curve->last = link;
    return point;
}

void ReleaseChain(CurveLink* link, ChainVertices vertices) {
    PointerSet released;
    ReleaseLinks(link, nullptr, vertices, released);
}

void ReleaseStroke(Model& model) {
    Curve* stroke = model.m_pCurves;
    if (stroke == nullptr) return;
    if (stroke->first != nullptr && stroke->first->vertex != nullptr)
        model.m_pVertices = stroke->first->vertex->next;
    model.m_pCurves = stroke->next;
    ReleaseChain(stroke->first, ChainVertices::Release);
    delete stroke;
}

void ReleaseModel(Model& model) {
    for (Vertex* v = model.m_pVertices; v != nullptr;) {
        Vertex* next = v->next;
        delete v;
        v = next;
    }
    PointerSet released;
    for (Curve* c = model.m_pCurves; c != nullptr;) {
        Curve* next = c->next;
        ReleaseLinks(c->first, c->last, ChainVertices::Keep, released);
        delete c;
        c = next;
    }
    for (Triangle* t = model.m_pTriangles; t != nullptr;) {
        Triangle* next = t->next;
        delete t;
        t = next;
    }
    model.m_pVertices = nullptr;
    model.m_pCurves = nullptr;
    model.m_pTriangles = nullptr;
    model.m_nModelState = kModelEmpty;
}
