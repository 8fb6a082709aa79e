#pragma once

// The ring splitting's own pieces, shared by Ring.cpp, which splits one ring, and
// SideBySide.cpp, which splits two on two threads. Not for use outside surface/.

#include <utility>
#include <vector>

#include "model/Records.h"
#include "surface/Ring.h"

class CMainFrame;

namespace ring_split {

using VertexPair = std::pair<const Vertex*, const Vertex*>;

RingNode* NewNode(Vertex* vertex);

// A ring while it is split: its nodes in ring order from the node it is worked from,
// each beside its vertex, so that the searches for a chord read one array instead of
// following `next` from node to node. Nodes made by the splitting have their order in
// these arrays alone and leave `next` null; no one reads it once a triangle holds them.
struct RingEntry {
    RingNode* node;
    Vertex* vertex;
};

// The nodes of the ring at `ring` in ring order; none for a null ring, for a list that
// runs into null, or for one that comes round to a node other than the first (a ring
// damaged so has nothing a split could close).
std::vector<RingEntry> RingEntries(RingNode* ring);

// Where a triangulation learns which of its ring's vertex pairs triangles made before
// it already join.
struct EarlierTriangles {
    // The triangles to look at, from here to the end of the list (or to the filing's
    // head).
    const Triangle* walkFrom = nullptr;
    // Triangles at the ring's vertices filed by an earlier walk; see JoinedAtStart.
    const TrianglesAtVertices* filed = nullptr;
    // Pairs known to be joined by triangles not walked; see SplitRingAndTwin.
    const std::vector<VertexPair>* joinedElsewhere = nullptr;
};

// Where a splitting puts what it makes, and what it tells about its choices.
struct SplitOutput {
    // New vertices and triangles go to the front of these lists.
    Vertex** vertices;
    Triangle** triangles;
    double step;  // the stroke step the rows are spaced by
    // When given, gets every chord laid as a bare edge between two of the ring's
    // vertices.
    std::vector<VertexPair>* bareChords = nullptr;
    // When given, gets every vertex pair whose chord was taken as joined by no edge
    // yet: those that might have been taken otherwise had more pairs been joined.
    std::vector<VertexPair>* takenAsFree = nullptr;
    // Set when a ring of fewer than three nodes was closed.
    bool closedSmallRing = false;
    // The first vertex and triangle made, when the lists began empty: the last of
    // each list.
    Vertex* lastVertex = nullptr;
    Triangle* lastTriangle = nullptr;
};

// The frame's lists and stroke step.
SplitOutput OutputTo(CMainFrame& frame);

// CMainFrame::SplitRing, with what it makes put where `out` says.
void SplitRingWith(SplitOutput& out, RingNode* ring, int flag, const EarlierTriangles& earlier);

}  // namespace ring_split
