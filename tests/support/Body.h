#pragma once

#include <string>

#include "app/MainFrame.h"
#include "support/Outlines.h"
#include "support/Soundness.h"
#include "support/TestFrame.h"

// A view to draw in: angles in degrees and the zoom the wheel sets (kMinZoom nearest).
struct View {
    std::string name;
    int elevation = 0;
    int azimuth = 0;
    int zoom = kMinZoom;
};

// A frame of 600 by 600 pixels on a headless host, turned to a view, on which outlines
// are drawn through the mouse handlers as the user draws them.
struct Body : TestFrame {
    explicit Body(const View& view = {"front", 0, 0, kMinZoom}) {
        Turn(view.elevation, view.azimuth);
        frame.m_nZoom = view.zoom;
        frame.UpdateProjection();
    }

    // Press at the first pixel, move through the others, release at the last.
    void Draw(const Outline& o) {
        frame.OnLButtonDown(0, o.pixels.front());
        for (size_t i = 1; i < o.pixels.size(); ++i) frame.OnMouseMove(0, o.pixels[i]);
        frame.OnLButtonUp(0, o.pixels.back());
    }

    Vec3 ToView(const Vec3& p) const { return ::ToView(frame.m_ViewMatrix, p); }
};
