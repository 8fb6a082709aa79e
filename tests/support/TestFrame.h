#pragma once

#include <cmath>

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

// The view terms for an elevation and azimuth in degrees that need not be whole, as
// the frame's own rotation never sets them: picking and lifting are checked at angles
// where no term is 0 or 1.
inline void SetViewAngles(CMainFrame& frame, double elevation, double azimuth) {
    constexpr double kPi = 3.14159265358979323846;
    const double el = elevation * kPi / 180.0;
    const double az = azimuth * kPi / 180.0;
    double* t = frame.m_ViewMatrix;
    t[0] = std::sin(el);
    t[1] = std::cos(el);
    t[2] = std::sin(az);
    t[3] = std::cos(az);
    t[4] = t[2] * t[0];
    t[5] = t[3] * t[0];
    t[6] = t[2] * t[1];
    t[7] = t[3] * t[1];
}

// A model-space point in the frame's view coordinates.
inline Vec3 ToView(const CMainFrame& frame, const Vec3& p) { return ToView(frame.m_ViewMatrix, p); }
