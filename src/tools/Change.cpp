// The Change tool: switches control vertices between smooth (kind 1) and sharp
// (kind 2).
//
// BeginChange reads m_ptMouse and picks the nearest facing control vertex. It sets
// m_nChangeKind, the kind painted for the whole stroke: 2 when that vertex is
// smooth, 1 for any other kind, kChangeNothing when nothing was picked. A picked vertex takes
// that kind at once and the frame repaints; with nothing picked nothing changes
// and nothing is repainted.
//
// ChangeAt gives the vertex under the mouse the stroke's kind and repaints; with
// m_nChangeKind kChangeNothing or nothing under the mouse it changes nothing. Only vertex kinds
// change; the surface follows at the release, through the fairing.

#include "app/MainFrame.h"

void CMainFrame::BeginChange() {
    Vertex* picked = PickVertex(0);
    if (picked == nullptr) {
        m_nChangeKind = kChangeNothing;
        return;
    }
    // Anything that is not smooth, also a vertex an erase has set free while a
    // later curve still holds it, is painted smooth.
    m_nChangeKind = picked->kind == kSmoothVertex ? kSharpVertex : kSmoothVertex;
    picked->kind = m_nChangeKind;
    m_pPlatform->RedrawWindow();
}

void CMainFrame::ChangeAt() {
    // A press on nothing makes the whole stroke do nothing.
    if (m_nChangeKind == kChangeNothing) return;
    Vertex* picked = PickVertex(0);
    if (picked == nullptr) return;
    // Painting, not toggling: passing over a vertex twice leaves the stroke's kind.
    picked->kind = m_nChangeKind;
    m_pPlatform->RedrawWindow();
}
