// Surface creation: the newest curve is closed or kept open, and either lifted onto
// the view plane (the outline of the first surface) or handed to the embedding.

#include <cmath>
#include <vector>

#include "app/MainFrame.h"
#include "surface/Ring.h"
#include "view/ViewRotation.h"

namespace {

// Scales (x, y) to unit length; a vector with no length, or none that is finite,
// becomes (fallbackX, 0) instead.
void Normalize2(double& x, double& y, double fallbackX) {
    const double len = std::sqrt(x * x + y * y);
    if (len > 0.0 && std::isfinite(len)) {
        x /= len;
        y /= len;
    } else {
        x = fallbackX;
        y = 0.0;
    }
}

// Unit in-plane normal of the chord from `before` to `after` that points away from
// the enclosed region; zero when the two points coincide.
void ChordNormal(const Vertex* before, const Vertex* after, int clockwise, double& nx, double& ny) {
    if (clockwise == 1) {
        nx = before->work.y - after->work.y;
        ny = after->work.x - before->work.x;
    } else {
        nx = after->work.y - before->work.y;
        ny = before->work.x - after->work.x;
    }
    Normalize2(nx, ny, 0.0);
}

}  // namespace

void CMainFrame::TriangulateOutline() {
    CloseAndPlace();
    SplitRingAndTwin(*this, RingFromCurve(m_pCurves), 0);
}

void CMainFrame::CloseAndPlace() {
    Curve* curve = m_pCurves;
    if (curve == nullptr || curve->first == nullptr || curve->last == nullptr ||
        curve->first == curve->last)
        return;

    const Vertex* startVertex = curve->first->vertex;
    const Vertex* endVertex = curve->last->vertex;
    const double dx = startVertex->work.x - endVertex->work.x;
    const double dy = startVertex->work.y - endVertex->work.y;
    const int gapSteps = static_cast<int>(
        std::sqrt((dx * dx + dy * dy) / m_dStrokeStep / m_dStrokeStep + 0.25) + 0.5);

    if (gapSteps > 1) {
        const double stepX = dx / gapSteps;
        const double stepY = dy / gapSteps;
        double x = endVertex->work.x;
        double y = endVertex->work.y;
        for (int j = 1; j < gapSteps; ++j) {
            x += stepX;
            y += stepY;
            AppendCurvePoint(*this, curve, x, y);
        }
    }

    // The leftmost point and its two loop neighbours decide the winding: at the
    // leftmost point the loop is locally convex.
    CurveLink* leftmost = curve->first;
    CurveLink* beforeLeftmost = curve->last;
    double minX = leftmost->vertex->work.x;
    for (CurveLink* prev = curve->first; prev != curve->last; prev = prev->next) {
        CurveLink* link = prev->next;
        if (link->vertex->work.x < minX) {
            minX = link->vertex->work.x;
            leftmost = link;
            beforeLeftmost = prev;
        }
    }

    curve->last->next = curve->first;
    curve->clockwise = leftmost->next->vertex->work.y > beforeLeftmost->vertex->work.y ? 1 : 0;
    curve->kind = kClosedCurve;

    if (m_nModelState == kModelEmpty)
        PlanarLifting();
    else if (m_nModelState == kModelBody)
        EmbedStroke();
    else
        curve->last->next = nullptr;  // no placing applies; never leave the chain closed

    m_nModelState = m_nModelState == kModelBody ? kModelCurveWaiting : kModelBody;
}

void CMainFrame::KeepOpenAndPlace() {
    Curve* curve = m_pCurves;
    if (curve == nullptr) return;
    curve->kind = kOpenCurve;
    if (m_nModelState == kModelBody) EmbedStroke();
    m_nModelState = m_nModelState == kModelBody ? kModelCurveWaiting : kModelBody;
}

void CMainFrame::PlanarLifting() {
    Curve* curve = m_pCurves;
    if (curve == nullptr || curve->first == nullptr || curve->last == nullptr) return;

    std::vector<Vertex*> loop;
    for (CurveLink* link = curve->first;; link = link->next) {
        loop.push_back(link->vertex);
        if (link == curve->last) break;
    }
    const int count = static_cast<int>(loop.size());

    double cx = 0.0;
    double cy = 0.0;
    for (const Vertex* v : loop) {
        cx += v->work.x;
        cy += v->work.y;
    }
    cx /= count;
    cy /= count;

    for (int i = 0; i < count; ++i) {
        Vertex* v = loop[i];
        double nx = 0.0;
        double ny = 0.0;
        // When the two loop neighbours coincide their chord has no direction; widen
        // the neighbourhood one step on each side until it has one.
        for (int reach = 1; reach <= count / 2 && nx == 0.0 && ny == 0.0; ++reach) {
            const Vertex* before = loop[((i - reach) % count + count) % count];
            const Vertex* after = loop[(i + reach) % count];
            ChordNormal(before, after, curve->clockwise, nx, ny);
        }
        if (nx == 0.0 && ny == 0.0) {
            // Every symmetric pair coincides: point away from the loop's centroid.
            nx = v->work.x - cx;
            ny = v->work.y - cy;
            Normalize2(nx, ny, 1.0);
        }
        v->normal = FromViewPlane(m_ViewMatrix, nx, ny);
        v->position = FromViewPlane(m_ViewMatrix, v->work.x, v->work.y);
    }

    curve->last->next = nullptr;
}
