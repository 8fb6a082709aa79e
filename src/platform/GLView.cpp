#include "platform/GLView.h"

#include <QExposeEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/MainFrame.h"
#include "view/Renderer.h"

namespace {

CPoint ClientPoint(const QPointF& position) {
    // Whole logical pixels, counted from the top left, as the frame maps them.
    return CPoint{static_cast<int>(std::floor(position.x())),
                  static_cast<int>(std::floor(position.y()))};
}

// A press or release of the left or right button, handed to the frame's handler for
// that button; the other buttons are not the program's.
using ButtonHandler = void (CMainFrame::*)(unsigned, CPoint);
void SendButton(CMainFrame* frame, const QMouseEvent* event, ButtonHandler left,
                ButtonHandler right) {
    if (frame == nullptr) {
        return;
    }
    if (event->button() == Qt::LeftButton) {
        (frame->*left)(0, ClientPoint(event->position()));
    } else if (event->button() == Qt::RightButton) {
        (frame->*right)(0, ClientPoint(event->position()));
    }
}

}  // namespace

GLView::GLView() { setSurfaceType(QSurface::OpenGLSurface); }

GLView::~GLView() = default;

bool GLView::CreateContext() {
    setFormat(QSurfaceFormat::defaultFormat());
    m_context = std::make_unique<QOpenGLContext>();
    m_context->setFormat(QSurfaceFormat::defaultFormat());
    return m_context->create();
}

void GLView::Render() {
    if (m_frame == nullptr || m_context == nullptr || !isExposed()) {
        return;
    }
    if (!m_context->makeCurrent(this)) {
        return;
    }
    RenderScene(*m_frame, devicePixelRatio());
    m_context->swapBuffers(this);
}

void GLView::exposeEvent(QExposeEvent*) { Render(); }

void GLView::resizeEvent(QResizeEvent* event) {
    if (m_frame == nullptr) {
        return;
    }
    const QSize size = event->size();
    // The frame already knows this size when the window shows for the first time.
    if (size.width() != m_frame->m_nClientWidth || size.height() != m_frame->m_nClientHeight) {
        m_frame->OnSize(size.width(), size.height());
    }
}

bool GLView::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) {
        Render();
        return true;
    }
    return QWindow::event(event);
}

void GLView::mousePressEvent(QMouseEvent* event) {
    SendButton(m_frame, event, &CMainFrame::OnLButtonDown, &CMainFrame::OnRButtonDown);
}

void GLView::mouseReleaseEvent(QMouseEvent* event) {
    SendButton(m_frame, event, &CMainFrame::OnLButtonUp, &CMainFrame::OnRButtonUp);
}

void GLView::mouseMoveEvent(QMouseEvent* event) {
    if (m_frame != nullptr) {
        m_frame->OnMouseMove(0, ClientPoint(event->position()));
    }
}

void GLView::wheelEvent(QWheelEvent* event) {
    if (m_frame == nullptr) {
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        return;  // a sideways scroll
    }
    // The frame takes the signed 16-bit delta of one wheel message.
    const int clamped = std::clamp(delta, static_cast<int>(std::numeric_limits<short>::min()),
                                   static_cast<int>(std::numeric_limits<short>::max()));
    m_frame->OnMouseWheel(0, static_cast<short>(clamped), ClientPoint(event->position()));
}
