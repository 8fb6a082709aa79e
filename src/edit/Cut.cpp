#include <vector>

#include "app/MainFrame.h"
#include "app/RefusableEdit.h"
#include "edit/CutSupport.h"

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
    RefusableEdit attempt(*this);

    Triangle* start = PickTriangle(stroke->first);
    if (!start) {
        DropNewestStroke(1);
        return;
    }

    ReleaseStroke(*this);
    m_nModelState = kModelBody;

    edit::HoleRings hole;
    if (!edit::CutOutRegion(*this, m_pCurves, start, hole)) return attempt.Refuse();
    SplitRing(hole.inner, 0);
    FairModel();
    if (!ValidateModel(*this).empty()) attempt.Refuse();
}
