#pragma once

#include <cstddef>
#include <cstdint>

#include "model/Vec3.h"

// The model is a network of plain records linked by raw pointers. Every list grows
// at its front, so list order is newest first. CMainFrame owns every record.

// Vertex kinds.
constexpr int32_t kSurfaceVertex = 0;  // moved by fairing
constexpr int32_t kSmoothVertex = 1;   // smooth curve vertex, drawn blue
constexpr int32_t kSharpVertex = 2;    // sharp curve vertex, drawn red, creased
constexpr int32_t kRemovedVertex = 3;  // marked for removal inside one cut

// Curve kinds.
constexpr int32_t kStrokeCurve = 0;
constexpr int32_t kClosedCurve = 1;
constexpr int32_t kOpenCurve = 2;

// Model states: what a finished pen stroke becomes depends on them.
constexpr int32_t kModelEmpty = 0;         // no body yet; a loop or an arc makes the first
constexpr int32_t kModelCurveWaiting = 1;  // a closed curve waits for its cut or extrusion
constexpr int32_t kModelBody = 2;          // a body; strokes on it become control curves

// A vertex whose work.x holds exactly this value lies on the cutting curve.
constexpr double CUT_MARK = 1e9;

struct Vertex {
    int32_t kind = 0;
    int32_t index = 0;  // scratch: OBJ number, incident-triangle count, drag region flag
    Vec3 normal;
    Vec3 work;  // scratch vector, meaning depends on the phase
    Vec3 position;
    double curvature = 0.0;
    double curvatureSum = 0.0;
    double meanSqEdge = 0.0;
    Vertex* next = nullptr;
};

struct CurveLink {
    Vertex* vertex = nullptr;
    CurveLink* next = nullptr;
};

struct Curve {
    int32_t kind = 0;
    int32_t clockwise = 0;
    CurveLink* first = nullptr;
    CurveLink* last = nullptr;
    Curve* next = nullptr;
};

struct Triangle {
    int32_t mark = 0;
    Vertex* corner[3] = {nullptr, nullptr, nullptr};
    // neighbour[k] lies across the edge corner[k] -> corner[(k + 1) % 3].
    Triangle* neighbour[3] = {nullptr, nullptr, nullptr};
    Triangle* next = nullptr;
};

// A half-edge of a boundary polygon; lives only inside one triangulation, on one
// thread. A 10k-vertex body makes and frees some fifty thousand of them, so they come
// from a free list of the thread's (RingNodePool.cpp) instead of the general heap.
struct RingNode {
    Vertex* vertex = nullptr;
    Triangle* triangle = nullptr;
    Triangle** slot = nullptr;
    RingNode* twin = nullptr;
    RingNode* next = nullptr;

    static void* operator new(std::size_t size);
    static void operator delete(void* node, std::size_t size) noexcept;
    // Nodes made and not yet freed on this thread.
    static long Live();
};
