#include "app/MainFrame.h"

namespace {

// Rotation snaps to the main axes when the angle comes within a few degrees of one.
int WrapAndSnapAzimuth(int a) {
    if (a < 0)
        a = (a % 360) + 360;
    else if (a >= 360)
        a = a % 360;
    if (a > 355 || a < 5) return 0;
    if (a > 85 && a < 95) return 90;
    if (a > 175 && a < 185) return 180;
    if (a > 265 && a < 275) return 270;
    return a;
}

// Everything beyond +-85 becomes +-90, which is also the only clamp.
int SnapElevation(int e) {
    if (e < -85) return -90;
    if (e > -5 && e < 5) return 0;
    if (e > 85) return 90;
    return e;
}

// The window sees the mouse only over its client area: it takes no capture, so a
// tool never gets a position beyond the edge. A platform that keeps sending moves
// while the button is held outside would otherwise let one stroke reach arbitrarily
// far (a tiny window makes every pixel hundreds of units), and the body built from it
// would take without bound to triangulate and fair.
bool InClientArea(const CMainFrame& f, CPoint point) {
    return point.x >= 0 && point.y >= 0 && point.x < f.m_nClientWidth &&
           point.y < f.m_nClientHeight;
}

void MapMouse(CMainFrame& f, CPoint point) {
    f.m_ptMouse.x = (point.x - (f.m_nClientWidth - 1) * 0.5) * f.m_dPixelSize;
    f.m_ptMouse.y = ((f.m_nClientHeight - 1) * 0.5 - point.y) * f.m_dPixelSize;
}

// The name of the undo step a stroke of this tool makes; a pen stroke that cuts or
// extrudes names its own.
const char* StepName(int tool) {
    switch (tool) {
    case ID_TOOL_ERASER:
        return "Erase";
    case ID_TOOL_DRAG:
        return "Drag";
    case ID_TOOL_CHANGE:
        return "Change";
    default:
        return "Stroke";
    }
}

int CursorOf(const CMainFrame& f) {
    switch (f.m_nTool) {
    case ID_TOOL_ERASER:
        return f.m_hCursorEraser;
    case ID_TOOL_DRAG:
        return f.m_hCursorDrag;
    case ID_TOOL_CHANGE:
        return f.m_hCursorChange;
    default:
        return f.m_hCursorPen;
    }
}

}  // namespace

void CMainFrame::OnLButtonDown(unsigned, CPoint point) {
    if (m_nDragState != kDragNone || !InClientArea(*this, point)) return;
    // Eraser and Change may not touch a closed curve that waits for its cut or
    // extrusion; choosing them then is refused, but one chosen during the pen stroke
    // that left the curve waiting is still current. Its press is refused the same way.
    if (m_nModelState == kModelCurveWaiting &&
        (m_nTool == ID_TOOL_ERASER || m_nTool == ID_TOOL_CHANGE)) {
        m_pPlatform->MessageBeep();
        return;
    }
    BeginUndoStep();
    m_nDragState = kDragTool;
    MapMouse(*this, point);
    // The stroke belongs to the tool that began it: a tool chosen while the button is
    // held takes effect with the next stroke, so a pen stroke is never left half made
    // and a curve is never extended as if it were a stroke.
    m_nStrokeTool = m_nTool;
    switch (m_nStrokeTool) {
    case ID_TOOL_PEN:
        BeginStroke();
        break;
    case ID_TOOL_ERASER:
        EraseAt();
        break;
    case ID_TOOL_DRAG:
        BeginDrag();
        break;
    case ID_TOOL_CHANGE:
        BeginChange();
        break;
    default:
        break;
    }
    // A drag that found nothing to pull has ended already, and with it the action.
    if (m_nDragState == kDragNone) EndUndoStep(StepName(m_nStrokeTool));
}

void CMainFrame::OnMouseMove(unsigned, CPoint point) {
    m_pPlatform->SetCursor(CursorOf(*this));
    if (m_nDragState == kDragRotate) {
        m_nAzimuth = WrapAndSnapAzimuth(m_nRotateAnchorAz + point.x);
        m_nElevation = SnapElevation(m_nRotateAnchorEl + point.y);
        ComputeViewMatrix();
        m_pPlatform->RedrawWindow();
    } else if (m_nDragState == kDragTool) {
        if (!InClientArea(*this, point)) return;
        MapMouse(*this, point);
        switch (m_nStrokeTool) {
        case ID_TOOL_PEN:
            ExtendStroke();
            break;
        case ID_TOOL_ERASER:
            EraseAt();
            break;
        case ID_TOOL_DRAG:
            DragTo();
            break;
        case ID_TOOL_CHANGE:
            ChangeAt();
            break;
        default:
            break;
        }
    }
}

void CMainFrame::OnLButtonUp(unsigned, CPoint) {
    if (m_nDragState != kDragTool) return;
    switch (m_nStrokeTool) {
    case ID_TOOL_PEN:
        FinishPenStroke();
        break;
    case ID_TOOL_ERASER:
    case ID_TOOL_CHANGE:
        // A fairing that ran away left the positions of the gesture; say so.
        if (!FairModel()) m_pPlatform->MessageBeep();
        m_pPlatform->RedrawWindow();
        break;
    case ID_TOOL_DRAG:
        ComputeVertexNormals();
        if (!FairModel()) m_pPlatform->MessageBeep();
        m_pPlatform->RedrawWindow();
        break;
    default:
        break;
    }
    m_nDragState = kDragNone;
    EndUndoStep(StepName(m_nStrokeTool));
}

void CMainFrame::OnRButtonDown(unsigned, CPoint point) {
    if (m_nDragState != kDragNone || m_nModelState == kModelEmpty) return;
    m_nRotateAnchorAz = m_nAzimuth - point.x;
    m_nRotateAnchorEl = m_nElevation - point.y;
    m_nDragState = kDragRotate;
}

void CMainFrame::OnRButtonUp(unsigned, CPoint) {
    if (m_nDragState == kDragRotate) m_nDragState = kDragNone;
}

bool CMainFrame::OnMouseWheel(unsigned, short zDelta, CPoint) {
    if (m_nDragState != kDragNone) return true;
    m_nZoom -= zDelta;
    if (m_nZoom < kMinZoom) m_nZoom = kMinZoom;
    if (m_nZoom > kMaxZoom) m_nZoom = kMaxZoom;
    UpdateProjection();
    return true;
}
