#include "app/MainFrame.h"
#include "app/RefusableEdit.h"
#include "edit/CutSupport.h"
#include "model/TriangleFlood.h"
#include "surface/Ring.h"

// FloodCut(T): marks T and every triangle reachable from it without crossing an
// edge whose two ends carry CUT_MARK, and gives kind 3 to every corner of those
// triangles that does not carry it. The caller has cleared all marks and marked the
// cutting curve. A missing neighbour is not crossed.
void CMainFrame::FloodCut(Triangle* triangle) {
    FloodTriangles(
        triangle,
        [](Triangle* t) {
            for (Vertex* corner : t->corner)
                if (corner->work.x != CUT_MARK) corner->kind = kRemovedVertex;
        },
        [](const Triangle* t, int k) {
            return t->corner[k]->work.x != CUT_MARK || t->corner[(k + 1) % 3]->work.x != CUT_MARK;
        });
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
//
// CutModelFrom(start) is the same with the triangle under the stroke's first point
// already picked (null when there is none), as the pen's dispatch has it.
void CMainFrame::CutModel() { CutModelFrom(m_pCurves ? PickTriangle(m_pCurves->first) : nullptr); }

void CMainFrame::CutModelFrom(Triangle* start) {
    Curve* stroke = m_pCurves;
    if (!stroke) return;
    if (!stroke->next || !start) {
        DropNewestStroke(1);
        return;
    }
    RefusableEdit attempt(*this);

    ReleaseStroke(*this);
    m_nModelState = kModelBody;

    edit::HoleRings hole;
    if (!edit::CutOutRegion(*this, m_pCurves, start, hole)) return attempt.Refuse();
    SplitRingAmongFiled(*this, hole.inner, 0, hole.filed);
    if (!FairAndValidate()) attempt.Refuse();
}
