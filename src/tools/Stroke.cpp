// Stroke capture and classification: the pen's samples, cut back whenever the pen
// returns near an earlier sample, and the four stroke classes the dispatcher uses.

#include <cmath>

#include "app/MainFrame.h"

namespace {

// The stroke being drawn, or null when the head of the curve list is not one (File
// New released it, or something else heads the list).
Curve* StrokeInProgress(Curve* head) {
    if (head == nullptr || head->kind != kStrokeCurve || head->first == nullptr ||
        head->last == nullptr || head->first->vertex == nullptr || head->last->vertex == nullptr)
        return nullptr;
    return head;
}

}  // namespace

void CMainFrame::BeginStroke() {
    auto* stroke = new Curve;
    stroke->kind = kStrokeCurve;
    stroke->next = m_pCurves;
    m_pCurves = stroke;
    AppendCurvePoint(*this, stroke, m_ptMouse.x, m_ptMouse.y);

    m_pPlatform->RedrawWindow();
}

void CMainFrame::ExtendStroke() {
    Curve* stroke = StrokeInProgress(m_pCurves);
    if (stroke == nullptr) return;

    for (;;) {
        const Vertex* tail = stroke->last->vertex;
        const double dx = m_ptMouse.x - tail->work.x;
        const double dy = m_ptMouse.y - tail->work.y;
        const double distSq = dx * dx + dy * dy;
        // Written as "not at least" so that a non-number also ends the walk.
        if (!(distSq >= m_dNearSq) || distSq <= 0.0) break;

        const double scale = m_dStrokeStep / std::sqrt(distSq);
        const double px = tail->work.x + scale * dx;
        const double py = tail->work.y + scale * dy;

        CurveLink* hit = nullptr;
        for (CurveLink* link = stroke->first; link != stroke->last; link = link->next) {
            const double ex = px - link->vertex->work.x;
            const double ey = py - link->vertex->work.y;
            if (ex * ex + ey * ey < m_dNearSq) {
                hit = link;
                break;
            }
        }

        if (hit != nullptr) {
            // The samples after `hit` are exactly the vertices in front of its vertex
            // in the vertex list, so unhooking them is one assignment.
            ReleaseChain(hit->next, ChainVertices::Release);
            hit->next = nullptr;
            stroke->last = hit;
            m_pVertices = hit->vertex;
            continue;
        }

        AppendCurvePoint(*this, stroke, px, py);
    }

    m_pPlatform->RedrawWindow();
}

void CMainFrame::ClassifyStroke() {
    const Curve* stroke = m_pCurves;
    if (stroke == nullptr || stroke->first == nullptr || stroke->last == nullptr) return;

    const CurveLink* first = stroke->first;
    if (first == stroke->last) {
        m_nStrokeClass = StrokeDot;
        return;
    }

    const Vec3& f = first->vertex->work;
    const Vec3& l = stroke->last->vertex->work;
    const double ex = f.x - l.x;
    const double ey = f.y - l.y;
    const double chordSq = ex * ex + ey * ey;
    const double nearLimit = chordSq * m_dNearSq;
    const double endMargin = 0.5 * std::sqrt(chordSq * m_dNearSq);
    const double farMargin = chordSq - endMargin;

    if (first->next == stroke->last) {
        m_nStrokeClass = StrokeLine;
        return;
    }

    // T is the foot of the sample on the chord and C its distance from the chord
    // line, both scaled by the chord length; a sample near the line away from both
    // ends makes the stroke a line.
    for (const CurveLink* link = first->next; link != stroke->last; link = link->next) {
        const double px = link->vertex->work.x - l.x;
        const double py = link->vertex->work.y - l.y;
        const double along = px * ex + py * ey;
        const double across = px * ey - py * ex;
        if (endMargin < along && along < farMargin && across * across < nearLimit) {
            m_nStrokeClass = StrokeLine;
            return;
        }
    }

    m_nStrokeClass = chordSq / m_dNearSq < 9.0 ? StrokeLoop : StrokeArc;
}

void CMainFrame::DropNewestStroke(int beep) {
    ReleaseStroke(*this);
    if (beep != 0)
        m_pPlatform->MessageBeep();
    else
        m_nModelState = kModelBody;
}
