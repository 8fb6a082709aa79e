#pragma once

#include "model/Vec3.h"

// The view rotation, given by the eight terms of m_ViewMatrix: T1 ... T8 at indices
// 0 ... 7 are sin el, cos el, sin az, cos az, sin az sin el, cos az sin el,
// sin az cos el and cos az cos el. View coordinates have x to the right, y up and z
// toward the viewer.
//
// Picking, embedding, lifting and dragging must agree to the last bit on where a point
// is, and the saved shapes depend on it: every rotation is computed here, always with
// the same terms in the same order. Do not regroup them.

// A model-space point in view coordinates.
inline Vec3 ToView(const double (&t)[8], const Vec3& p) {
    return {t[3] * p.x + t[2] * p.z, t[4] * p.x + t[1] * p.y - t[5] * p.z,
            -t[6] * p.x + t[0] * p.y + t[7] * p.z};
}

// A view-space point in model coordinates.
inline Vec3 FromView(const double (&t)[8], const Vec3& v) {
    return {t[3] * v.x + t[4] * v.y - t[6] * v.z, t[1] * v.y + t[0] * v.z,
            t[2] * v.x - t[5] * v.y + t[7] * v.z};
}

// A point or direction of the view plane (depth 0) in model coordinates. This is not
// FromView at depth 0: the zero depth terms would turn some zero results from -0 to
// +0, which the saved shapes would show.
inline Vec3 FromViewPlane(const double (&t)[8], double x, double y) {
    return {t[3] * x + t[4] * y, t[1] * y, t[2] * x - t[5] * y};
}

// The unit direction toward the viewer, in model coordinates.
inline Vec3 TowardViewer(const double (&t)[8]) { return {-t[6], t[0], t[7]}; }
