#include <atomic>
#include <memory>
#include <vector>

#include "app/MainFrame.h"
#include "app/RefusableEdit.h"
#include "edit/CutSupport.h"
#include "edit/Profile.h"
#include "surface/KeptThread.h"
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

// Whether the profile runs over the model (AnyPointOverTriangle), worked out on the
// kept thread while this one goes on with what only reads the model; on this thread
// when the kept thread is not to be had. Whatever happens, the answer is in before
// the object goes, so the model may change only after that.
class ProfileOverModel {
public:
    ProfileOverModel(const Triangle* triangles, const Curve* profile) : m_job(std::make_shared<Job>()) {
        m_job->triangles = triangles;
        ReadLinkPoints(profile, m_job->x, m_job->y);
        m_started = KeptThread::Get().TryStart([job = m_job] { job->Run(); });
    }
    ProfileOverModel(const ProfileOverModel&) = delete;
    ProfileOverModel& operator=(const ProfileOverModel&) = delete;
    ~ProfileOverModel() { Answer(); }

    bool Answer() {
        if (!m_started) {
            if (!m_job->done.load()) m_job->Run();
        } else if (!m_released) {
            for (bool done = m_job->done.load(std::memory_order_acquire); !done;
                 done = m_job->done.load(std::memory_order_acquire))
                m_job->done.wait(false, std::memory_order_acquire);
            KeptThread::Get().Release();
            m_released = true;
            // Out of memory on the kept thread: ask again here.
            if (m_job->failed) return AnyPointOverTriangle(m_job->triangles, m_job->x, m_job->y);
        }
        return m_job->over;
    }

private:
    struct Job {
        const Triangle* triangles = nullptr;
        std::vector<double> x;
        std::vector<double> y;
        bool over = false;
        bool failed = false;
        std::atomic<bool> done{false};
        void Run() {
            try {
                over = AnyPointOverTriangle(triangles, x, y);
            } catch (...) {
                failed = true;
            }
            done.store(true, std::memory_order_release);
            done.notify_all();
        }
    };
    std::shared_ptr<Job> m_job;
    bool m_started = false;
    bool m_released = false;
};

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

    // A profile over the model is refused like the faults below; whether it is one is
    // found beside them and the snapshot, which only read the model.
    ProfileOverModel overModel(m_pTriangles, profile);
    if (!p || !q || p == q || !loop || !profile->first->next) {
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
    // Nothing but the stroke has changed yet.
    if (overModel.Answer()) {
        DropNewestStroke(1);
        return;
    }

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
