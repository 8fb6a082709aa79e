#include <vector>

#include "app/MainFrame.h"
#include "edit/CutSupport.h"
#include "model/Snapshot.h"

// FloodCut(T): marks T and every triangle reachable from it without crossing an
// edge whose two ends carry CUT_MARK, and gives kind 3 to every corner of those
// triangles that does not carry it. The caller has cleared all marks and marked the
// cutting curve. A missing neighbour is not crossed.
//
// The region can hold every triangle of the model, so the walk keeps its own stack
// instead of recursing; the marked set and the kind-3 set do not depend on the
// order of the visit.
void CMainFrame::FloodCut(Triangle* triangle) {
    if (!triangle || triangle->mark) return;
    std::vector<Triangle*> pending;
    triangle->mark = 1;
    pending.push_back(triangle);
    while (!pending.empty()) {
        Triangle* t = pending.back();
        pending.pop_back();
        for (int k = 0; k < 3; ++k) {
            Vertex* a = t->corner[k];
            Vertex* b = t->corner[(k + 1) % 3];
            if (a->work.x != CUT_MARK) a->kind = kRemovedVertex;
            if (a->work.x == CUT_MARK && b->work.x == CUT_MARK) continue;
            Triangle* n = t->neighbour[k];
            if (n && !n->mark) {
                n->mark = 1;
                pending.push_back(n);
            }
        }
    }
}

// CutModel: in ModelState 1, with the stroke at the head of the curve list and the
// waiting closed curve after it, removes the part of the model on the side of the
// curve where the stroke starts, caps the hole with a patch spanned by the curve
// (now all sharp), drops the stroke and fairs. Leaves ModelState 2.
//
// When the curve does not cut the model into two parts along its own edges (the
// flood reaches everything, or the hole's border is not the curve), the model is
// put back exactly as it was, the stroke is dropped with a beep and the curve keeps
// waiting in ModelState 1. The same happens if the finished model fails the model
// checker (degenerate geometry driving the patch or the fairing to non-finite
// positions).
void CMainFrame::CutModel() {
    Curve* stroke = m_pCurves;
    if (!stroke) return;
    if (!stroke->next) {
        DropNewestStroke(1);
        return;
    }
    ModelSnapshot before(*this);
    auto refuse = [&]() {
        before.Restore(*this);
        DropNewestStroke(1);
    };

    edit::ClearTriangleMarks(*this);
    Triangle* start = PickTriangle(stroke->first);
    if (!start) {
        DropNewestStroke(1);
        return;
    }

    m_pVertices = stroke->first->vertex->next;
    m_pCurves = stroke->next;
    ReleaseChain(stroke->first);
    delete stroke;
    m_nModelState = 2;

    Curve* curve = m_pCurves;
    edit::MarkCuttingCurve(curve);
    FloodCut(start);
    if (!edit::FloodFitsCurve(*this, curve)) return refuse();
    edit::RemoveMarkedTriangles(*this);

    Triangle* seam = nullptr;
    int k = 0;
    if (!edit::FindRimEdge(*this, curve, seam, k)) return refuse();
    const bool alongLinks = edit::FollowsInCurve(curve, seam->corner[k], seam->corner[(k + 1) % 3]);

    RingNode* against = RingFromCurve(curve);
    RingNode* along = TwinRing(against);
    // The attach ring runs against the kept triangles' rim edges; the fill ring
    // runs with them, so the cap's triangles run against the kept ones.
    RingNode* attach = alongLinks ? against : along;
    RingNode* fill = alongLinks ? along : against;

    bool ok = edit::CutRemovedVerticesFromCurves(*this);
    if (ok) {
        edit::RemoveMarkedVertices(*this);
        ok = edit::AttachRing(*this, attach);
    }
    if (!ok) {
        edit::FreeRing(against);
        edit::FreeRing(along);
        return refuse();
    }
    SplitRing(fill, 0);
    if (!FairModel() || !ValidateModel(*this).empty()) return refuse();
}
