#pragma once

#include "model/Records.h"

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
