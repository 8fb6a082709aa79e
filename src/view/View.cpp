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

// T5 ... T8 are T3 and T4 times sin el and cos el. At a preset elevation those are
// exactly 0, 1 or -1, and the terms are copies, negated copies or zero: a plain zero,
// never the -0 that a product with a negative term would give.
double TermTimes(double term, int unit) { return unit == 0 ? 0.0 : unit > 0 ? term : -term; }

// A preset view sets the elevation and its terms to exact values; the azimuth and its
// terms T3, T4 stay as they are.
void SetPresetElevation(CMainFrame& frame, int elevation, int sinEl, int cosEl) {
    double* t = frame.m_ViewMatrix;
    frame.m_nElevation = elevation;
    t[0] = sinEl;
    t[1] = cosEl;
    t[4] = TermTimes(t[2], sinEl);
    t[5] = TermTimes(t[3], sinEl);
    t[6] = TermTimes(t[2], cosEl);
    t[7] = TermTimes(t[3], cosEl);
    frame.m_pPlatform->RedrawWindow();
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

void CMainFrame::OnViewTop() { SetPresetElevation(*this, 90, 1, 0); }

void CMainFrame::OnViewBottom() { SetPresetElevation(*this, -90, -1, 0); }

void CMainFrame::OnViewSide() { SetPresetElevation(*this, 0, 0, 1); }
