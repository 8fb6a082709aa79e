#include "app/MainFrame.h"

namespace {

// 1.001^zoom by repeated squaring, lowest bit first, so the scale of every zoom
// level is reproduced to the last bit.
double ZoomFactor(int zoom) {
    unsigned n = zoom < 0 ? 0u - static_cast<unsigned>(zoom) : static_cast<unsigned>(zoom);
    double result = 1.0;
    double square = 1.001;
    while (n != 0) {
        if (n & 1u) result *= square;
        square *= square;
        n >>= 1;
    }
    return zoom < 0 ? 1.0 / result : result;
}

}  // namespace

void CMainFrame::OnSize(int cx, int cy) {
    m_anViewport[0] = 0;
    m_anViewport[1] = 0;
    m_anViewport[2] = cx;
    m_anViewport[3] = cy;
    m_nClientWidth = cx;
    m_nClientHeight = cy;
    UpdateProjection();
}

void CMainFrame::UpdateProjection() {
    const int w = m_nClientWidth;
    const int h = m_nClientHeight;
    // A minimised window reports a zero-sized client area. Dividing by it would
    // leave an infinite pixel size behind for the first mouse event after restoring,
    // and a degenerate ortho volume; keep the last good projection until a real size
    // arrives.
    if (w > 0 && h > 0) {
        const int longer = w > h ? w : h;
        const double g = ZoomFactor(m_nZoom) / longer;
        m_dPixelSize = 2.0 * g;
        m_adOrtho[0] = -g * w;
        m_adOrtho[1] = g * w;
        m_adOrtho[2] = -g * h;
        m_adOrtho[3] = g * h;
        m_adOrtho[4] = -1000.0;
        m_adOrtho[5] = 1000.0;
    }
    m_pPlatform->RedrawWindow();
}

// The preset views set the elevation terms to exact values; the azimuth and its
// terms T3, T4 stay as they are.
void CMainFrame::OnViewTop() {
    m_nElevation = 90;
    m_ViewMatrix[0] = 1;
    m_ViewMatrix[1] = 0;
    m_ViewMatrix[4] = m_ViewMatrix[2];
    m_ViewMatrix[5] = m_ViewMatrix[3];
    m_ViewMatrix[6] = 0;
    m_ViewMatrix[7] = 0;
    m_pPlatform->RedrawWindow();
}

void CMainFrame::OnViewBottom() {
    m_nElevation = -90;
    m_ViewMatrix[0] = -1;
    m_ViewMatrix[1] = 0;
    m_ViewMatrix[4] = -m_ViewMatrix[2];
    m_ViewMatrix[5] = -m_ViewMatrix[3];
    m_ViewMatrix[6] = 0;
    m_ViewMatrix[7] = 0;
    m_pPlatform->RedrawWindow();
}

void CMainFrame::OnViewSide() {
    m_nElevation = 0;
    m_ViewMatrix[0] = 0;
    m_ViewMatrix[1] = 1;
    m_ViewMatrix[4] = 0;
    m_ViewMatrix[5] = 0;
    m_ViewMatrix[6] = m_ViewMatrix[2];
    m_ViewMatrix[7] = m_ViewMatrix[3];
    m_pPlatform->RedrawWindow();
}
