#include "app/MainFrame.h"

// The command handlers; OnCommand shows their marks from the state they leave.

void CMainFrame::OnDisplayMode(int id) {
    m_nDisplayMode = id;
    // Surfaces are lit from the upper left in front; edges from straight behind, so
    // the wireframe reads as a silhouette against the white background.
    const float surfaces[4] = {-1, 1, 2, 0};
    const float edges[4] = {0, 0, -1, 0};
    const float* light = (id == ID_DISPLAY_SURFACES) ? surfaces : edges;
    for (int i = 0; i < 4; ++i) m_afLight0Position[i] = light[i];
    m_pPlatform->RedrawWindow();
}

void CMainFrame::OnShowControlVertices() {
    m_bShowControlVertices = m_bShowControlVertices == 0 ? 1 : 0;
    m_pPlatform->RedrawWindow();
}

void CMainFrame::OnTool(int id) {
    // A closed curve waiting for its cut or extrusion must not be erased or
    // re-kinded underneath it.
    if (m_nModelState == kModelCurveWaiting && (id == ID_TOOL_ERASER || id == ID_TOOL_CHANGE)) {
        m_pPlatform->MessageBeep();
        return;
    }
    m_nTool = id;
}

void CMainFrame::OnAutoCenter() {
    m_bAutoCenter = m_bAutoCenter == 0 ? 1 : 0;
    if (m_bAutoCenter == 1) {
        // Switched on, it moves the body: an undo step, or part of the gesture's step
        // when it comes in the middle of one. Undone, it is off again.
        const bool ownStep = !m_history.InAction();
        BeginUndoStep();
        m_history.KeepAutoCenter(0);
        if (!FairModel()) m_pPlatform->MessageBeep();
        m_pPlatform->RedrawWindow();
        if (ownStep) EndUndoStep("Auto Center");
    }
}

void CMainFrame::OnFileNew() {
    // An undo step that also gives back the orientation. A gesture New ends has begun
    // the step already: undone, the model is as the gesture found it.
    BeginUndoStep();
    m_history.KeepView(CurrentStepSettings());
    const double identityView[8] = {0, 1, 0, 1, 0, 0, 0, 1};
    for (int i = 0; i < 8; ++i) m_ViewMatrix[i] = identityView[i];
    m_nModelState = kModelEmpty;
    m_nElevation = 0;
    m_nAzimuth = 0;
    ReleaseModel(*this);
    // The new drawing has no file yet: Save Drawing must ask rather than write the
    // empty scene over the drawing that was open.
    m_strDrawingPath.clear();
    // A tool stroke whose release was never seen would otherwise go on with records
    // that are gone: end it here, so the later button-up finds nothing to finish.
    if (m_nDragState == kDragTool) m_nDragState = kDragNone;
    m_pPlatform->RedrawWindow();
    EndUndoStep("New");
}
