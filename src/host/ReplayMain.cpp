#include <iostream>
#include <string>
#include <vector>

#include "host/Script.h"

#ifdef PLIFORM_HAVE_RENDER
#include "app/MainFrame.h"
#include "host/Offscreen.h"
#include "host/Png.h"
#include "view/Renderer.h"

namespace {

// Draws the final frame once, offscreen, at the client size it was given.
bool RenderToPng(const CMainFrame& frame, const std::string& path, std::string* error) {
    int w = frame.m_nClientWidth;
    int h = frame.m_nClientHeight;
    if (w <= 0 || h <= 0) {
        *error = "the client area is empty (" + std::to_string(w) + "x" + std::to_string(h) + ")";
        return false;
    }
    OffscreenGL gl(w, h);
    if (!gl.ok()) {
        *error = "no offscreen OpenGL context: " + gl.error();
        return false;
    }
    gl.MakeCurrent();
    RenderScene(frame);
    std::vector<uint8_t> rgba = gl.ReadPixels();
    return WritePng(path, w, h, rgba, error);
}

}  // namespace
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef PLIFORM_HAVE_RENDER
    PngWriter png = RenderToPng;
#else
    PngWriter png;
#endif
    return ReplayToolMain(args, std::cout, std::cerr, png);
}
