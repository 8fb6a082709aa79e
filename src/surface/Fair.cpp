#include <algorithm>
#include <functional>
#include <string>

#include "app/MainFrame.h"
#include "surface/FairKernel.h"
#include "view/ViewRotation.h"

namespace {

constexpr int kFairingIterations = 300;

}  // namespace

void FairKernelDeleter::operator()(FairKernel* kernel) const { delete kernel; }

namespace {

// The mesh does not change while it is faired: the kernel reads the lists once and
// runs the iterations on flat arrays (see FairKernel.h for the order of the sums).
// `alongside` runs beside the iterations (see FairKernel::Run). `centred` tells
// whether the model was moved to the origin afterwards.
bool Fair(CMainFrame& frame, const std::function<void()>& alongside, bool& centred) {
    centred = false;
    if (!frame.m_pFairKernel) frame.m_pFairKernel.reset(new FairKernel);
    FairKernel& kernel = *frame.m_pFairKernel;
    kernel.Load(frame.m_pVertices, frame.m_pTriangles, frame.m_pCurves);
    kernel.Run(kFairingIterations, FairKernel::WorkersFor(kernel.VertexCount()),
               FairKernel::Unit::Best, alongside);
    // The iteration is explicit: on a badly folded mesh it can run away, one fold
    // feeding the next, until positions overflow (a 45k-vertex body went from a
    // radius of 430 to infinity within twenty iterations). Such a result is never
    // written into the model; the caller refuses its operation.
    if (!kernel.ResultFinite()) {
        kernel.StoreCounts();
        return false;
    }
    kernel.Store();

    Vertex* const vertices = frame.m_pVertices;
    if (frame.m_bAutoCenter != 0 && frame.m_nModelState != kModelEmpty && vertices != nullptr) {
        Vec3 lo = vertices->position;
        Vec3 hi = lo;
        for (Vertex* v = vertices; v != nullptr; v = v->next) {
            lo = {std::min(lo.x, v->position.x), std::min(lo.y, v->position.y),
                  std::min(lo.z, v->position.z)};
            hi = {std::max(hi.x, v->position.x), std::max(hi.y, v->position.y),
                  std::max(hi.z, v->position.z)};
        }
        const Vec3 centre = 0.5 * (lo + hi);
        for (Vertex* v = vertices; v != nullptr; v = v->next) v->position -= centre;
        centred = true;
    }
    return true;
}

}  // namespace

bool CMainFrame::FairModel() {
    bool centred = false;
    return Fair(*this, {}, centred);
}

bool CMainFrame::FairAndValidate() {
    std::string faults;
    bool centred = false;
    if (!Fair(*this, [&] { faults = ValidateModel(*this); }, centred) || !faults.empty())
        return false;
    // The checker saw the positions from before the fairing. The kernel found the new
    // positions and normals finite; only the centring can have changed that since.
    if (centred)
        for (const Vertex* v = m_pVertices; v != nullptr; v = v->next)
            if (!IsFinite(v->position)) return false;
    return true;
}

void CMainFrame::ComputeVertexNormals() {
    for (Vertex* v = m_pVertices; v != nullptr; v = v->next) v->work = Vec3{};
    for (Triangle* t = m_pTriangles; t != nullptr; t = t->next) {
        const Vec3& a = t->corner[0]->position;
        const Vec3 n = Cross(t->corner[1]->position - a, t->corner[2]->position - a);
        const double length = Length(n);
        // A triangle of zero area has no direction to give.
        if (!(length > 0.0)) continue;
        const Vec3 unit = n / length;
        t->corner[0]->work += unit;
        t->corner[1]->work += unit;
        t->corner[2]->work += unit;
    }
    for (Vertex* v = m_pVertices; v != nullptr; v = v->next) {
        const double length = Length(v->work);
        // Face normals that cancel (or none at all) leave the last good normal.
        if (length > 0.0) v->normal = v->work / length;
    }
}

void CMainFrame::TransformToView() {
    if (m_pCurves == nullptr || m_pCurves->first == nullptr || m_pCurves->first->vertex == nullptr)
        return;
    for (Vertex* v = m_pCurves->first->vertex->next; v != nullptr; v = v->next)
        v->work = ToView(m_ViewMatrix, v->position);
}
