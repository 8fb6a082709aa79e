#include "app/MainFrame.h"

// Walked iteratively: a curve may hold thousands of links and the natural recursion
// would be as deep as the chain.
void CMainFrame::ReleaseChain(CurveLink* link) {
    while (link != nullptr) {
        CurveLink* next = link->next;
        delete link->vertex;
        delete link;
        link = next;
    }
}

void CMainFrame::ReleaseModel() {
    for (Vertex* v = m_pVertices; v != nullptr;) {
        Vertex* next = v->next;
        delete v;
        v = next;
    }
    for (Curve* c = m_pCurves; c != nullptr;) {
        Curve* next = c->next;
        // The vertices went with the vertex list; the chain must not free them again.
        for (CurveLink* l = c->first; l != nullptr; l = l->next) l->vertex = nullptr;
        ReleaseChain(c->first);
        delete c;
        c = next;
    }
    for (Triangle* t = m_pTriangles; t != nullptr;) {
        Triangle* next = t->next;
        delete t;
        t = next;
    }
    m_pVertices = nullptr;
    m_pCurves = nullptr;
    m_pTriangles = nullptr;
    m_nModelState = kModelEmpty;
}
