#pragma once

// The arc a row of chord vertices follows from each end of its chord, the handle of
// the cubic that carries it, and two cheaper numbers no smaller than the arc, which
// are enough to tell that a chord stays bare. Shared by Ring.cpp and its tests; not
// for use outside surface/.

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/Vec3.h"

namespace ring_split {

// A chord end whose direction is closer than this to the chord (in |dir x chord|)
// follows the chord itself.
constexpr double kStraightLimit = 0.00001;
constexpr double kHandleDivisor = 1.5;
// Cosine of the largest angle by which a row may leave its end turned back from the
// chord (about 134 degrees); see ArcAndHandle.
constexpr double kMaxTurnBackCos = -0.7;

// A number no smaller than acos(x) for x in [-1, 1], without the cost of acos: with
// t = 1 - x, acos(x) / sqrt(2t) rises from 1 at t = 0 to pi / 2 at t = 2 and is convex
// (its series in t has no negative term), so it stays under the straight line between
// those ends, 1 + 0.2854 t. The factor above one covers the rounding of both sides.
inline double AcosAbove(double x) {
    const double t = 1.0 - x;
    return std::sqrt(2.0 * t) * (1.0 + 0.2855 * t) * (1.0 + 1e-12);
}

// Length of the circular arc from a chord end along `dir` to the other end, and the
// handle of the cubic that approximates it. `toward` is the chord vector from this
// end to the other (d at a, -d at b).
//
// An end direction that turns back from the chord asks for more than a half circle,
// which sound outlines do need (an L's inner corner turns back past 90 degrees), but
// the handle grows without bound as the turn nears 180 degrees: the row then loops far
// outside the ring and every chord after it inherits the tangle (a hand outline ran to
// the vertex budget so). The turn is therefore held at about 134 degrees, well past
// what the rows of the outlines we test with need.
//
// ArcBound gives a number no smaller than the arc from the same start, for less.
struct ArcStart {
    double dirLen;
    double q;  // |dir| |chord|
    double c;  // dir . toward, held at the largest turn back
    double s;  // |dir x toward|, from the held cosine
};

inline ArcStart StartArc(const Vec3& dir, const Vec3& toward, double chordLen) {
    ArcStart a;
    a.dirLen = Length(dir);
    a.q = a.dirLen * chordLen;
    a.c = std::max(kMaxTurnBackCos * a.q, Dot(dir, toward));
    a.s = std::sqrt(a.q * a.q - a.c * a.c);
    return a;
}

inline void ArcAndHandle(const Vec3& dir, const Vec3& toward, double chordSq, double chordLen,
                         double& arc, Vec3& handle) {
    const ArcStart st = StartArc(dir, toward, chordLen);
    arc = chordLen;
    if (st.s > kStraightLimit) {
        // Rounding can carry the cosine a hair past +-1.
        const double cosine = std::clamp(st.c / st.q, -1.0, 1.0);
        const double a = std::acos(cosine) * st.dirLen * chordSq / st.s;
        if (std::isfinite(a)) arc = a;
    }
    handle = (chordSq / (st.q + st.c) / kHandleDivisor) * dir;
    // No direction, no chord, or a direction straight back along the chord (no arc
    // leaves that way): fall back to the straight chord's third.
    if (!(st.q + st.c > 0.0) || !IsFinite(handle)) handle = (1.0 / 3.0) * toward;
}

inline double ArcBound(const Vec3& dir, const Vec3& toward, double chordSq, double chordLen) {
    const ArcStart st = StartArc(dir, toward, chordLen);
    if (!(st.s > kStraightLimit)) return chordLen;
    const double cosine = std::clamp(st.c / st.q, -1.0, 1.0);
    const double a = AcosAbove(cosine) * st.dirLen * chordSq / st.s;
    return std::isfinite(a) ? a : std::numeric_limits<double>::infinity();
}

// A quicker proof that the arc from an end stays under a limit, from products alone.
// For an end that turns by t < 90 degrees from its chord, t / sin t stays under
// (1 / cos t)^(1/3) (Lazarevic's inequality), so the arc, |chord| t / sin t, stays
// under the limit L when |chord|^4 |dir| <= L^3 (dir . chord); squared, that needs
// no root. It is tried only where the arc's own formula is accurate to far better
// than the margin on L: the end turns by more than a thousandth of a radian, and
// nothing underflows or overflows. Elsewhere, and whenever it fails, ArcBound decides.
class QuickArcLimit {
public:
    explicit QuickArcLimit(double limit) : m_limit(limit * (1.0 - kMargin)) {
        const double cube = m_limit * m_limit * m_limit;
        m_cubeSq = cube * cube;
        if (!(m_cubeSq >= 1e-100 && m_cubeSq <= 1e100)) m_cubeSq = 0.0;  // never holds
    }

    // True when the arc from an end along `dir` to `toward` is surely under Limit().
    bool Holds(const Vec3& dir, const Vec3& toward, double chordSq) const {
        const double c = Dot(dir, toward);
        const double span = LengthSq(dir) * chordSq;  // (|dir| |chord|)^2
        if (!(c > 0.0 && span > 1e-200 && span < 1e200 && c * c < (1.0 - 1e-6) * span))
            return false;
        const double lhs = chordSq * chordSq * chordSq * span;
        return lhs >= 1e-290 && lhs <= m_cubeSq * (c * c);
    }
    double Limit() const { return m_limit; }

private:
    static constexpr double kMargin = 1e-6;
    double m_limit;
    double m_cubeSq = 0.0;
};

}  // namespace ring_split
