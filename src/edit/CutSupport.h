#pragma once

#include "app/MainFrame.h"

// Steps shared by the cut and the extrusion: both remove the region that a closed
// curve encloses on one side and hand the curve's rings to the triangulation. Each
// helper states what it reads and changes; the ones that can find the model unfit
// return false and change nothing further, leaving the caller to restore its
// snapshot.
namespace edit {

// Sets `mark` to 0 on every triangle.
void ClearTriangleMarks(CMainFrame& frame);

// Gives every vertex of the curve's chain CUT_MARK in `work` x and `kind` 2.
void MarkCuttingCurve(Curve* curve);

// After FloodCut: true when the marked triangles are a region that can be cut out
// and capped along `curve`. That is, some triangle stays unmarked, the border
// between marked and unmarked triangles is exactly the curve's closed chain of
// edges (each edge once, all run the same way), no unmarked triangle has a corner
// of kind 3, and every marked triangle has three neighbours. Reads only.
bool FloodFitsCurve(const CMainFrame& frame, const Curve* curve);

// Unlinks and frees every triangle whose `mark` is not 0.
void RemoveMarkedTriangles(CMainFrame& frame);

// The first remaining triangle, in list order, with an edge corner[k] ->
// corner[k + 1] that joins two consecutive vertices of `curve` (either way round).
// Sets `triangle` and `k`; false when there is none.
bool FindRimEdge(const CMainFrame& frame, const Curve* curve, Triangle*& triangle, int& k);

// True when `b` is the vertex after `a` in the closed chain of `curve` (the first
// link follows the last); `a` is looked up at its first link.
bool FollowsInCurve(const Curve* curve, const Vertex* a, const Vertex* b);

// Takes every vertex of kind 3 out of the curves, one CutCurvesAtVertex at a time,
// restarting the scan from the head of the curve list after each. False (with the
// curves partly cut) if the scan does not settle: each cut must drop a link, so
// the number of links bounds the number of rounds.
bool CutRemovedVerticesFromCurves(CMainFrame& frame);

// Unlinks and frees every vertex of kind 3.
void RemoveMarkedVertices(CMainFrame& frame);

// Gives every node of the ring, from `ring` once round, the remaining triangle
// that runs along its edge the other way, and that triangle's neighbour slot.
// False if a node finds none (nodes already visited keep what they got).
bool AttachRing(CMainFrame& frame, RingNode* ring);

// Frees every node of a closed ring that no triangulation has consumed.
void FreeRing(RingNode* ring);

}  // namespace edit
