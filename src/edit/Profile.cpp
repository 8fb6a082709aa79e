#include "edit/Profile.h"

#include <cmath>

namespace edit {

namespace {

// In-plane normals from each point's neighbours along the stroke (the point itself
// stands in for the missing neighbour at either end), and the inverse of the view
// rotation for the positions.
void LiftOpenProfile(const double* T, Curve* profile) {
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
        v->normal = {T[3] * nx + T[4] * ny, T[1] * ny, T[2] * nx - T[5] * ny};
        const Vec3 w = v->work;
        v->position = {T[3] * w.x + T[4] * w.y - T[6] * w.z, T[1] * w.y + T[0] * w.z,
                       T[2] * w.x - T[5] * w.y + T[7] * w.z};
    }
}

}  // namespace

void PlaceProfile(const double* T, Curve* profile, const Vec3& p, const Vec3& q) {
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

Vec3 LoopNormal(const double* T, double dx, double dy, int clockwise) {
    const Vec3 n = {T[4] * dx - T[3] * dy, T[1] * dx, -T[2] * dy - T[5] * dx};
    return clockwise ? n : -n;
}

}  // namespace edit
