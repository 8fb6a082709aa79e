#pragma once

#include <utility>
#include <vector>

#include "model/PointerMap.h"
#include "model/Records.h"

class CMainFrame;

// Splits the ring that holds `a` and `b` along a chord from a to b. The chord is the
// closed ring `chordAtA` -> ... -> `chordAtB` -> `chordAtA`, its first node at a's
// vertex and its last at b's, and `twinAtA` is its twin ring (TwinRing(chordAtA)).
// Afterwards `a` heads a -> the chord path -> the nodes from b's old successor round
// to a, and `b` heads b -> the twin path -> the nodes from a's old successor round to
// b. Every edge keeps its twin; `chordAtA` and the twin's node at b, which the splice
// leaves with nothing to stand for, are freed. A null twin at a or b (a malformed
// ring) is carried over as null rather than followed.
void SpliceChord(RingNode* a, RingNode* b, RingNode* chordAtA, RingNode* chordAtB,
                 RingNode* twinAtA);

// The triangles at some vertices of the model, filed by a walk that had them at hand so
// that a triangulation started soon after need not walk the whole model again. `row`
// maps each filed vertex to its entry of `at`, which lists (triangle, corner) for every
// corner of a triangle at that vertex, in list order; `head` is the head of the
// triangle list when they were filed. The filing stays true while the list from `head`
// on is left as it was: triangles made since then sit ahead of `head`.
struct TrianglesAtVertices {
    PointerMap row;
    std::vector<std::vector<std::pair<Triangle*, int>>> at;
    const Triangle* head = nullptr;
};

// CMainFrame::SplitRing, with the triangles at the ring's vertices taken from `filed`
// and from the triangles made since it was filed instead of from a walk over the whole
// model. The result is the same; a ring with a vertex that `filed` lacks, or a list
// in which `filed.head` can no longer be found, is served by the whole walk.
void SplitRingAmongFiled(CMainFrame& frame, RingNode* ring, int flag,
                         const TrianglesAtVertices& filed);

// How SplitRingAndTwin went: on one thread, or the faces side by side on two, the
// twin's face kept or split again after the ring's.
enum class TwinSplit { OneThread, SideBySide, SplitAgain };

// SplitRing for `ring` and then for its twin ring (TwinRing), made here first: the
// two faces of a surface spanned by one closed curve. The same as those three calls,
// with the twin's triangulation spared a walk over the ring's patch and, on a big
// ring with no triangles made before it, split on a second thread beside the ring's.
TwinSplit SplitRingAndTwin(CMainFrame& frame, RingNode* ring, int flag);

// Whether SplitRingAndTwin and SplitTwoAmongFiled may use a second thread (they may,
// unless told not to), and how often they have kept a split made on it or split
// again after all. For tests and benchmarks that compare the two ways.
void AllowSideBySide(bool allowed);
struct SideBySideCounts {
    long kept = 0;
    long splitAgain = 0;
};
SideBySideCounts SideBySideSoFar();

// SplitRingAmongFiled for `first` and then for `second`, two rings that meet along
// some of their edges (each the other's twin) and otherwise only along triangles made
// before both: the two patches of an extrusion. The same as those two calls, split on
// two threads where the rings are big enough.
TwinSplit SplitTwoAmongFiled(CMainFrame& frame, RingNode* first, RingNode* second, int flag,
                             const TrianglesAtVertices& filed);
