#pragma once

#include <cstdint>
#include <string>

#include "model/Records.h"

// One model: the heads of its three record lists, each newest first, and its state.
// The frame is a Model (it derives from this struct and keeps these field names), so
// the operations of this layer take a Model and need nothing from the layers above.
struct Model {
    Vertex* m_pVertices = nullptr;
    Curve* m_pCurves = nullptr;
    Triangle* m_pTriangles = nullptr;
    int32_t m_nModelState = kModelEmpty;
};

// Makes a smooth vertex at the view-plane point (x, y) (its `work`), puts it at the
// front of the vertex list and links it at the end of `curve`'s chain. This is how a
// stroke grows, so its points stay together at the front of the list, newest first.
Vertex* AppendCurvePoint(Model& model, Curve* curve, double x, double y);

// Makes a triangle with corners a, b and c in that order and no neighbours yet, and
// puts it at the front of the triangle list whose head is `triangles`.
inline Triangle* PushTriangle(Triangle*& triangles, Vertex* a, Vertex* b, Vertex* c) {
    auto* t = new Triangle;
    t->corner[0] = a;
    t->corner[1] = b;
    t->corner[2] = c;
    t->next = triangles;
    triangles = t;
    return t;
}

// Whether ReleaseChain frees the vertices its links hold, or leaves them to the
// vertex list that also holds them.
enum class ChainVertices { Keep, Release };

// Frees the links of a chain from `link` to its end, and with them their vertices when
// asked. Walked iteratively, as a stroke may hold thousands of links. A chain that an
// operation left closed into a ring is freed once round.
void ReleaseChain(CurveLink* link, ChainVertices vertices);

// Takes the stroke at the head of the curve list out of the model and frees it with
// its points. The points lie together at the front of the vertex list, so the list
// resumes at the vertex that was its head before the stroke began. Does nothing when
// the curve list is empty; leaves the model state as it is.
void ReleaseStroke(Model& model);

// Frees every record of the model and leaves it empty, in state kModelEmpty. A vertex
// goes with the vertex list only, never through a curve's links, and each chain is
// freed once even if an operation left it closed into a ring.
void ReleaseModel(Model& model);

// Checks every structural invariant of a model at rest. Returns an empty string when
// the model is sound, otherwise one line per violation.
std::string ValidateModel(const Model& model);
