#pragma once

// The frame the tests and benchmarks work on, started as the program starts its window.

#include "app/MainFrame.h"
#include "host/HeadlessHost.h"
#include "model/Vec3.h"
#include "view/ViewRotation.h"

// A frame on a headless host (which counts beeps and repaints instead of showing
// them), created and given a window of 600 by 600 pixels unless told otherwise.
struct TestFrame {
    // Created only: no window size yet, as a script sees the frame before its size line.
    struct Unsized {};

    HeadlessHost host;
    CMainFrame frame{&host};

    explicit TestFrame(int width = 600, int height = 600) {
        frame.OnCreate();
        frame.OnSize(width, height);
    }
    explicit TestFrame(Unsized) { frame.OnCreate(); }

    // Turned to elevation and azimuth in whole degrees, as a rotation with the mouse
    // leaves the frame.
    void Turn(int elevation, int azimuth) {
        frame.m_nElevation = elevation;
        frame.m_nAzimuth = azimuth;
        frame.ComputeViewMatrix();
    }
};

// A model-space point in the frame's view coordinates.
inline Vec3 ToView(const CMainFrame& frame, const Vec3& p) { return ToView(frame.m_ViewMatrix, p); }
