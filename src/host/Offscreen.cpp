#include "host/Offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

namespace {

std::string EglErrorText(const char* step) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(step) + " failed (EGL error " + code + ")";
}

// Prefers Mesa's surfaceless platform, which needs neither X nor a GPU device; falls
// back to the default display where that platform is missing.
EGLDisplay OpenDisplay() {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay) {
        EGLDisplay display =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY) return display;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

bool ChooseConfig(EGLDisplay display, EGLConfig* config) {
    // clang-format off
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                 EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                 EGL_ALPHA_SIZE, 8,
                                 EGL_DEPTH_SIZE, 24,
                                 EGL_NONE};
    // clang-format on
    EGLint count = 0;
    return eglChooseConfig(display, attributes, config, 1, &count) && count == 1;
}

}  // namespace

OffscreenGL::OffscreenGL(int width, int height) : m_width(width), m_height(height) {
    if (width <= 0 || height <= 0) {
        m_error = "offscreen size must be positive";
        return;
    }
    EGLDisplay display = OpenDisplay();
    if (display == EGL_NO_DISPLAY) {
        m_error = "no EGL display";
        return;
    }
    // The display is shared by every context of the process and stays initialised
    // until exit: terminating it here would pull it from under other instances.
    if (!eglInitialize(display, nullptr, nullptr)) {
        m_error = EglErrorText("eglInitialize");
        return;
    }
    m_display = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        m_error = EglErrorText("eglBindAPI(EGL_OPENGL_API)");
        return;
    }
    EGLConfig config = nullptr;
    if (!ChooseConfig(display, &config)) {
        m_error = EglErrorText("eglChooseConfig (pbuffer, RGBA8, depth 24, desktop GL)");
        return;
    }
    // No attributes: a desktop context of the default version, which is a
    // compatibility context with the whole fixed-function pipeline.
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        m_error = EglErrorText("eglCreateContext");
        return;
    }
    m_context = context;
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE) {
        m_error = EglErrorText("eglCreatePbufferSurface");
        return;
    }
    m_surface = surface;
    if (!eglMakeCurrent(display, surface, surface, context)) {
        m_error = EglErrorText("eglMakeCurrent");
        return;
    }
    m_ok = true;
}

OffscreenGL::~OffscreenGL() {
    if (!m_display) return;
    EGLDisplay display = m_display;
    if (m_context && eglGetCurrentContext() == m_context)
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (m_surface) eglDestroySurface(display, m_surface);
    if (m_context) eglDestroyContext(display, m_context);
}

void OffscreenGL::MakeCurrent() {
    if (!m_ok) return;
    eglMakeCurrent(m_display, m_surface, m_surface, m_context);
}

void OffscreenGL::Finish() const {
    if (m_ok) glFinish();
}

std::vector<uint8_t> OffscreenGL::ReadPixels() const {
    if (!m_ok) return {};
    const size_t row = static_cast<size_t>(m_width) * 4;
    std::vector<uint8_t> bottomUp(row * static_cast<size_t>(m_height));
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, m_width, m_height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    for (int y = 0; y < m_height; ++y)
        std::memcpy(topDown.data() + row * static_cast<size_t>(y),
                    bottomUp.data() + row * static_cast<size_t>(m_height - 1 - y), row);
    return topDown;
}
