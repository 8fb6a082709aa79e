// What a finished pen stroke becomes, chosen from ModelState and the stroke class.

#include "app/MainFrame.h"
#include "app/RefusableEdit.h"

void CMainFrame::FinishPenStroke() {
    // Only a stroke of this tool may be finished; anything else at the head of the
    // curve list is a model curve that must not be consumed as a stroke.
    const Curve* stroke = m_pCurves;
    if (stroke == nullptr || stroke->kind != kStrokeCurve || stroke->first == nullptr ||
        stroke->last == nullptr || stroke->first->vertex == nullptr)
        return;

    ClassifyStroke();

    switch (m_nModelState) {
    case kModelEmpty:
        if (m_nStrokeClass == StrokeLoop || m_nStrokeClass == StrokeArc) {
            // Only the stroke exists yet, so the copy is small. A wildly wound
            // outline can make the triangulation pile rows on rows until fairing
            // runs to infinity; such a body is refused rather than kept.
            RefusableEdit attempt(*this);
            TriangulateOutline();
            if (!FairAndValidate()) attempt.Refuse();
        } else {
            DropNewestStroke(1);
        }
        break;
    case kModelCurveWaiting:
        if (m_nStrokeClass == StrokeDot) {
            // A click accepts the waiting curve as it is.
            DropNewestStroke(0);
        } else {
            TransformToView();
            CurveLink* first = m_pCurves->first;
            CurveLink* last = m_pCurves->last;
            Triangle* underFirst = PickTriangle(first);
            Triangle* underLast = underFirst != nullptr ? PickTriangle(last) : nullptr;
            if (underFirst != nullptr && underLast == nullptr) {
                m_history.Name("Cut");
                CutModelFrom(underFirst);
            } else {
                m_history.Name("Extrude");
                ExtrudeLoop();
            }
        }
        break;
    case kModelBody:
        if (m_nStrokeClass == StrokeDot)
            DropNewestStroke(1);
        else if (m_nStrokeClass == StrokeLoop)
            CloseAndPlace();
        else
            KeepOpenAndPlace();
        break;
    default:
        break;
    }

    m_pPlatform->RedrawWindow();
}
