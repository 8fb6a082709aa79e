// The Eraser: takes control vertices out of their curves.
//
// EraseAt reads m_ptMouse, picks the nearest facing control vertex within the
// picking radius and cuts the first curve that holds it, then repaints. With
// nothing under the mouse it changes nothing and does not repaint.
//
// CutCurvesAtVertex(V) rewrites only curve records: a closed curve opens at V, an
// open curve loses V at its ends or splits in two there (the second piece becomes
// the head of the curve list), and a piece left with a single vertex is deleted.
// Vertices that leave a curve become surface vertices, except that a vertex
// marked for removal stays marked. No vertex or triangle is created, released or
// moved, and ModelState is untouched. A vertex that no curve holds changes nothing.

#include "app/MainFrame.h"

namespace {

// A vertex marked for removal must keep its mark: the cut that marked it is still
// running and releases it by that mark.
void SetFree(Vertex* vertex) {
    if (vertex->kind != kRemovedVertex) vertex->kind = kSurfaceVertex;
}

// Links are deleted one at a time; clearing both pointers first keeps a stray
// reader from following them into the rest of a chain that lives on.
void DeleteLink(CurveLink* link) {
    link->vertex = nullptr;
    link->next = nullptr;
    delete link;
}

// Deletes a curve left with one link (or none), setting that vertex free.
// `place` is the pointer that leads to the curve in the list.
void DeleteShortCurve(Curve** place, Curve* curve) {
    if (CurveLink* only = curve->first) {
        SetFree(only->vertex);
        DeleteLink(only);
    }
    *place = curve->next;
    curve->first = curve->last = nullptr;
    curve->next = nullptr;
    delete curve;
}

// V is the vertex of the first link: the curve, closed or not, now starts at the
// next vertex and is open.
void CutAtFirst(Curve** place, Curve* curve) {
    CurveLink* head = curve->first;
    curve->kind = kOpenCurve;
    curve->first = head->next;
    if (curve->first == nullptr) curve->last = nullptr;  // the curve had one link
    SetFree(head->vertex);
    DeleteLink(head);
    if (curve->first == curve->last) DeleteShortCurve(place, curve);
}

// V is the vertex of `cut`, which follows `before` in a closed curve: the curve
// opens there and runs from the vertex after V, across the old join, to the
// vertex before V.
void CutClosed(Curve** place, Curve* curve, CurveLink* before, CurveLink* cut) {
    curve->kind = kOpenCurve;
    curve->last->next = curve->first;
    curve->first = cut->next;  // the old first link when `cut` was the last
    curve->last = before;
    SetFree(cut->vertex);
    DeleteLink(cut);
    before->next = nullptr;
    // A closed curve of two vertices would be left with one.
    if (curve->first == curve->last) DeleteShortCurve(place, curve);
}

// V is the vertex of `cut`, which follows `before` in an open curve: whatever
// follows V becomes a curve of its own (or is set free if it is a single vertex),
// and this curve ends at the vertex before V.
void CutOpen(CMainFrame& frame, Curve** place, Curve* curve, CurveLink* before, CurveLink* cut) {
    CurveLink* after = cut->next;
    if (after != nullptr && after == curve->last) {
        SetFree(after->vertex);
        DeleteLink(after);
    } else if (after != nullptr) {
        auto* rest = new Curve;
        rest->kind = kOpenCurve;
        rest->first = after;
        rest->last = curve->last;
        rest->next = frame.m_pCurves;
        frame.m_pCurves = rest;
        // The cut curve now follows the new head.
        if (place == &frame.m_pCurves) place = &rest->next;
    }
    curve->last = before;
    SetFree(cut->vertex);
    DeleteLink(cut);
    before->next = nullptr;
    if (curve->first == before) DeleteShortCurve(place, curve);
}

}  // namespace

void CMainFrame::EraseAt() {
    Vertex* vertex = PickVertex(0);
    if (vertex == nullptr) return;
    CutCurvesAtVertex(vertex);
    m_pPlatform->RedrawWindow();
}

void CMainFrame::CutCurvesAtVertex(Vertex* vertex) {
    // `place` is the pointer that leads to the current curve, so that unlinking the
    // head and unlinking an inner curve are one case.
    Curve** place = &m_pCurves;
    for (Curve* curve = m_pCurves; curve != nullptr; place = &curve->next, curve = curve->next) {
        CurveLink* head = curve->first;
        if (head == nullptr) continue;
        if (head->vertex == vertex) {
            CutAtFirst(place, curve);
            return;
        }
        for (CurveLink* before = head; before->next != nullptr; before = before->next) {
            CurveLink* cut = before->next;
            if (cut->vertex != vertex) continue;
            if (curve->kind == kClosedCurve)
                CutClosed(place, curve, before, cut);
            else
                CutOpen(*this, place, curve, before, cut);
            return;
        }
    }
}
