#include "host/ReplayPng.h"

#include <cstdint>
#include <vector>

#include "app/MainFrame.h"
#include "host/Offscreen.h"
#include "host/Png.h"
#include "view/Renderer.h"

bool RenderFrameToPng(const CMainFrame& frame, const std::string& path, std::string* error) {
    int w = frame.m_nClientWidth;
    int h = frame.m_nClientHeight;
    if (w <= 0 || h <= 0) {
        *error =
            "nothing to draw: the client area is " + std::to_string(w) + "x" + std::to_string(h);
        return false;
    }
    OffscreenGL gl(w, h);
    if (!gl.ok()) {
        *error = "no offscreen OpenGL context: " + gl.error();
        return false;
    }
    gl.MakeCurrent();
    RenderScene(frame);
    return WritePng(path, w, h, gl.ReadPixels(), error);
}
