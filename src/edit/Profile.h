#pragma once

#include "app/MainFrame.h"

// How the extrusion places its profile stroke in space. T is m_ViewMatrix (T1 ... T8
// at indices 0 ... 7); p and q are the view-space points (`work`) of the loop
// vertices picked at the profile's two ends.
namespace edit {

// Sets the profile's `clockwise` (1 when it sets out to the left of the chord from
// p to q in the view plane), its `kind` (2, open), and for every point the depth
// along the chord in `work` z, an in-plane `normal` pointing away from the region
// between profile and chord, and the `position` in model space. The chord must
// have a length on screen and the profile at least two points.
void PlaceProfile(const double (&T)[8], Curve* profile, const Vec3& p, const Vec3& q);

// The direction in which the loop's chords leave it: the view-plane perpendicular
// to the chord (dx, dy), carried into model space and turned towards the profile's
// side. Its length is that of the chord.
Vec3 LoopNormal(const double (&T)[8], double dx, double dy, int clockwise);

}  // namespace edit
