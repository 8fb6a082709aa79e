#pragma once

#include <vector>

#include "model/Records.h"

// Visits every triangle reached from `start` across the edges that `crosses(t, k)`
// allows (edge k runs from corner[k] to corner[k + 1]), each triangle once: `visit(t)`
// runs as it is taken up, before its edges are tried. A triangle gets `mark` 1 when it
// is reached and a marked one is never entered, so the caller clears the marks first.
//
// The walk keeps its own stack: a region can span every triangle of a large model,
// one call level each if it recursed. Which triangles it reaches depends only on what
// `crosses` answers, not on the order of the visit.
template <typename Visit, typename Crosses>
void FloodTriangles(Triangle* start, Visit visit, Crosses crosses) {
    if (start == nullptr || start->mark != 0) return;
    std::vector<Triangle*> pending;
    start->mark = 1;
    pending.push_back(start);
    while (!pending.empty()) {
        Triangle* t = pending.back();
        pending.pop_back();
        visit(t);
        for (int k = 0; k < 3; ++k) {
            Triangle* across = t->neighbour[k];
            if (across == nullptr || across->mark != 0 || !crosses(t, k)) continue;
            across->mark = 1;
            pending.push_back(across);
        }
    }
}
