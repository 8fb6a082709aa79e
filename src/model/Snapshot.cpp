#include "model/Snapshot.h"

#include <unordered_map>
#include <unordered_set>

#include "app/MainFrame.h"

namespace {

struct Lists {
    Vertex* vertices = nullptr;
    Curve* curves = nullptr;
    Triangle* triangles = nullptr;
};

template <typename T>
T* Remap(const std::unordered_map<const T*, T*>& map, const T* old) {
    if (old == nullptr) return nullptr;
    auto it = map.find(old);
    return it == map.end() ? nullptr : it->second;
}

// Copies the three lists in their order, every field included (scratch fields too),
// with every pointer moved over to the copies. A pointer to a record outside the
// lists has no copy and becomes null.
Lists Clone(const Vertex* vertices, const Curve* curves, const Triangle* triangles) {
    Lists out;
    std::unordered_map<const Vertex*, Vertex*> vertexMap;
    std::unordered_map<const Triangle*, Triangle*> triangleMap;

    Vertex** vertexTail = &out.vertices;
    for (const Vertex* v = vertices; v != nullptr; v = v->next) {
        auto* copy = new Vertex(*v);
        copy->next = nullptr;
        *vertexTail = copy;
        vertexTail = &copy->next;
        vertexMap.emplace(v, copy);
    }

    Curve** curveTail = &out.curves;
    for (const Curve* c = curves; c != nullptr; c = c->next) {
        auto* copy = new Curve(*c);
        copy->first = nullptr;
        copy->last = nullptr;
        copy->next = nullptr;
        *curveTail = copy;
        curveTail = &copy->next;
        CurveLink** linkTail = &copy->first;
        // A chain closed into a ring (an operation stopped half way) ends at `last`.
        std::unordered_set<const CurveLink*> seen;
        for (const CurveLink* l = c->first; l != nullptr && seen.insert(l).second; l = l->next) {
            auto* link = new CurveLink;
            link->vertex = Remap(vertexMap, l->vertex);
            *linkTail = link;
            linkTail = &link->next;
            copy->last = link;
            if (l == c->last) break;
        }
    }

    Triangle** triangleTail = &out.triangles;
    for (const Triangle* t = triangles; t != nullptr; t = t->next) {
        auto* copy = new Triangle(*t);
        copy->next = nullptr;
        for (Vertex*& corner : copy->corner) corner = Remap(vertexMap, corner);
        *triangleTail = copy;
        triangleTail = &copy->next;
        triangleMap.emplace(t, copy);
    }
    for (Triangle* t = out.triangles; t != nullptr; t = t->next)
        for (Triangle*& n : t->neighbour) n = Remap(triangleMap, n);
    return out;
}

// Frees every record of the lists. Vertices go with the vertex list only, never
// through curve links, and each chain is walked at most once around even if an
// operation left it closed into a ring.
void ReleaseLists(Vertex* vertices, Curve* curves, Triangle* triangles) {
    while (vertices != nullptr) {
        Vertex* next = vertices->next;
        delete vertices;
        vertices = next;
    }
    std::unordered_set<CurveLink*> released;
    while (curves != nullptr) {
        Curve* next = curves->next;
        for (CurveLink* l = curves->first; l != nullptr && released.insert(l).second;) {
            CurveLink* following = l == curves->last ? nullptr : l->next;
            delete l;
            l = following;
        }
        delete curves;
        curves = next;
    }
    while (triangles != nullptr) {
        Triangle* next = triangles->next;
        delete triangles;
        triangles = next;
    }
}

}  // namespace

ModelSnapshot::ModelSnapshot(const CMainFrame& frame) : m_nModelState(frame.m_nModelState) {
    Lists copy = Clone(frame.m_pVertices, frame.m_pCurves, frame.m_pTriangles);
    m_pVertices = copy.vertices;
    m_pCurves = copy.curves;
    m_pTriangles = copy.triangles;
}

ModelSnapshot::~ModelSnapshot() {
    if (m_bOwns) ReleaseLists(m_pVertices, m_pCurves, m_pTriangles);
}

// Installs a fresh copy each time, so the snapshot stays valid and can be restored
// again if a retry fails too.
void ModelSnapshot::Restore(CMainFrame& frame) {
    ReleaseLists(frame.m_pVertices, frame.m_pCurves, frame.m_pTriangles);
    Lists copy = Clone(m_pVertices, m_pCurves, m_pTriangles);
    frame.m_pVertices = copy.vertices;
    frame.m_pCurves = copy.curves;
    frame.m_pTriangles = copy.triangles;
    frame.m_nModelState = m_nModelState;
}
