#pragma once

#include <QWindow>
#include <memory>

class CMainFrame;
class QOpenGLContext;

// The drawing surface: a native window with its own OpenGL context. Every paint is
// done here and at once, so the core's repaint request has drawn and presented the
// new state before it returns. Mouse, wheel and size events go straight to the frame,
// in logical pixels.
class GLView : public QWindow {
public:
    GLView();
    ~GLView() override;

    // Creates the OpenGL context from the default surface format. Returns false when
    // the system cannot give one.
    bool CreateContext();
    void SetFrame(CMainFrame* frame) { m_frame = frame; }

    // Draws the frame's scene and presents it. Does nothing while the window is not
    // exposed (before it is first shown, or while minimised); the expose that
    // follows draws it.
    void Render();

protected:
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::unique_ptr<QOpenGLContext> m_context;
    CMainFrame* m_frame = nullptr;
};
