#include "edit/Profile.h"

#include <cmath>

#include "view/ViewRotation.h"

namespace edit {

namespace {

// In-plane normals from each point's neighbours along the stroke (the point itself
// stands in for the missing neighbour at either end), and the inverse of the view
// rotation for the positions.
void LiftOpenProfile(const double (&T)[8], Curve* profile) {
    const CurveLink* before = nullptr;
    for (CurveLink* l = profile->first; l; before = l, l = l->next) {
        Vertex* v = l->vertex;
        const Vec3& a = before ? before->vertex->work : v->work;
        const Vec3& b = l->next ? l->next->vertex->work : v->work;
        double nx = a.y - b.y;
        double ny = b.x - a.x;
        double len = std::sqrt(nx * nx + ny * ny);
        if (len > 0) {
            if (!profile->clockwise) len = -len;
            nx /= len;
            ny /= len;
        }
        v->normal = FromViewPlane(T, nx, ny);
        v->position = FromView(T, v->work);
    }
}

}  // namespace

void PlaceProfile(const double (&T)[8], Curve* profile, const Vec3& p, const Vec3& q) {
    const double dx = q.x - p.x;
    const double dy = q.y - p.y;
    const double dz = q.z - p.z;
    const double chordSq = dx * dx + dy * dy;
    const Vec3 v0 = profile->first->vertex->work;
    const Vec3 v1 = profile->first->next->vertex->work;
    profile->clockwise = (v1.x - v0.x) * dy < (v1.y - v0.y) * dx ? 1 : 0;
    // The profile lies on the plane through p and q that holds the view-plane
    // direction across the chord, so depth runs linearly along the chord, also
    // beyond its ends.
    for (CurveLink* l = profile->first; l; l = l->next) {
        Vec3& w = l->vertex->work;
        w.z = p.z + dz * ((w.x - p.x) * dx + (w.y - p.y) * dy) / chordSq;
    }
    profile->kind = kOpenCurve;
    LiftOpenProfile(T, profile);
}

Vec3 LoopNormal(const double (&T)[8], double dx, double dy, int clockwise) {
    const Vec3 n = FromViewPlane(T, -dy, dx);
    return clockwise ? n : -n;
}

}  // namespace edit
