#include "app/MainFrame.h"
#include "app/RefusableEdit.h"
#include "edit/CutSupport.h"
#include "edit/Profile.h"
#include "surface/Ring.h"
#include "tools/Pick.h"

namespace {

// Below this fraction of m_dNearSq the chord from P to Q has no usable direction on
// screen (about a hundredth of a unit at the usual closeness of 10): the depth
// along it and the loop normal would blow up.
constexpr double kMinChordFraction = 1e-6;

// The triangle at P from which the removal floods: the one whose corner after P
// lies furthest against `away` (the profile's outward normal at its first point).
// The earliest triangle in list order wins a tie. Null when no triangle has P.
Triangle* StartOfRemoval(Triangle* triangles, const Vertex* p, const Vec3& away) {
    double best = 1e9;
    Triangle* start = nullptr;
    for (Triangle* t = triangles; t; t = t->next) {
        int j = 0;
        while (j < 3 && t->corner[j] != p) ++j;
        if (j == 3) continue;
        const double d = Dot(t->corner[(j + 1) % 3]->position - p->position, away);
        if (d < best) {
            best = d;
            start = t;
        }
    }
    return start;
}

RingNode* FindNode(RingNode* ring, const Vertex* v) {
    RingNode* n = ring;
    do {
        if (n->vertex == v) return n;
        n = n->next;
    } while (n != ring);
    return nullptr;
}

}  // namespace

// ExtrudeLoop: in ModelState 1, reads the stroke at the head of the curve list as a
// profile drawn beside the model from near one vertex P of the waiting loop to near
// another, Q. Places the profile on the plane through P and Q, removes what the loop
// encloses on the side chosen at P, and fills the hole with two patches that meet
// along the profile; the profile stays as the newest curve (open, kind 2), the loop
// turns sharp, the model is faired and ModelState becomes 2.
//
// A profile over the model, an end near no loop vertex, both ends at one vertex or
// at one point of the view plane, or no triangle at P: the stroke is dropped with a
// beep, the model is unchanged and the loop keeps waiting (ModelState 1). The same
// holds, with the model put back exactly, when the loop turns out not to bound the
// region to remove along its own edges, or when the finished model fails the model
// checker.
void CMainFrame::ExtrudeLoop() {
    Curve* profile = m_pCurves;
    if (!profile) return;
    Curve* loop = profile->next;

    m_ptMouse = {profile->first->vertex->work.x, profile->first->vertex->work.y};
    Vertex* p = PickVertex(1);
    m_ptMouse = {profile->last->vertex->work.x, profile->last->vertex->work.y};
    Vertex* q = PickVertex(1);
    TransformToView();

    const bool overModel = AnyLinkOverTriangle(*this, profile);
    if (overModel || !p || !q || p == q || !loop || !profile->first->next) {
        DropNewestStroke(1);
        return;
    }
    const double dx = q->work.x - p->work.x;
    const double dy = q->work.y - p->work.y;
    if (!(dx * dx + dy * dy > kMinChordFraction * m_dNearSq)) {
        DropNewestStroke(1);
        return;
    }
    edit::PlaceProfile(m_ViewMatrix, profile, p->work, q->work);

    // Only the stroke has changed so far; the start of the removal is found now so
    // that a loop vertex without triangles is refused before the model is touched.
    Triangle* start = StartOfRemoval(m_pTriangles, p, profile->first->vertex->normal);
    if (!start) {
        DropNewestStroke(1);
        return;
    }

    RefusableEdit attempt(*this);

    m_nModelState = kModelBody;
    const Vec3 toProfile = edit::LoopNormal(m_ViewMatrix, dx, dy, profile->clockwise);
    for (CurveLink* l = loop->first; l; l = l->next) l->vertex->normal = toProfile;

    edit::HoleRings hole;
    // The patches share the loop with the kept triangles and the profile with each
    // other; the triangles at the profile are filed as well, so that neither patch has
    // to walk the whole model for them.
    if (!edit::CutOutRegion(*this, loop, start, hole, profile)) return attempt.Refuse();
    RingNode* nP = FindNode(hole.inner, p);
    RingNode* nQ = FindNode(hole.inner, q);
    if (!nP || !nQ) {
        edit::FreeRing(hole.rim);
        edit::FreeRing(hole.inner);
        return attempt.Refuse();
    }
    RingNode* profileRing = RingFromCurve(profile);

    // Close the profile's ring with the chord: it runs from the last point back to
    // the first, on to P, across to Q and back to the last point.
    RingNode* s = profileRing;
    RingNode* f = s;
    while (f->next != s) f = f->next;
    auto* y = new RingNode;
    y->vertex = p;
    auto* x = new RingNode;
    x->vertex = q;
    f->next = y;
    y->next = x;
    x->next = s;

    // Swap the chord out of both rings: each new ring runs along the profile one
    // way and along one arc of the loop between P and Q.
    SpliceChord(nQ, nP, x, y, TwinRing(x));

    SplitTwoAmongFiled(*this, nP, nQ, 1, hole.filed);
    // A profile that folds back on a steep chord can drive the patches and then the
    // fairing to non-finite positions; such a model is not kept.
    if (!FairAndValidate()) attempt.Refuse();
}
