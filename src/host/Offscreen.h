#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An OpenGL compatibility context that draws into an offscreen RGBA8 pbuffer with a
// depth buffer of at least 24 bits; no window or display server is needed.
// Used by the render tests, the replay tool and the render benchmark.
class OffscreenGL {
public:
    // Creates the context and its buffers and makes the context current. On failure
    // ok() is false, error() says which step failed, and nothing is left current.
    OffscreenGL(int width, int height);
    ~OffscreenGL();
    OffscreenGL(const OffscreenGL&) = delete;
    OffscreenGL& operator=(const OffscreenGL&) = delete;

    bool ok() const { return m_ok; }
    std::string error() const { return m_error; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    // Makes this context current on the calling thread (no-op when !ok()).
    void MakeCurrent();
    // Waits until every drawing command issued so far has finished.
    void Finish() const;
    // Waits for drawing to finish and returns the colour buffer as RGBA bytes, top row
    // first (the order image files use). Empty when !ok().
    std::vector<uint8_t> ReadPixels() const;

private:
    int m_width = 0;
    int m_height = 0;
    bool m_ok = false;
    std::string m_error;
    // EGL handles kept as opaque pointers so that users of this header need no EGL.
    void* m_display = nullptr;
    void* m_context = nullptr;
    void* m_surface = nullptr;
};
