#pragma once

#include <QMainWindow>
#include <memory>

class CMainFrame;
class GLView;
class QtMenus;
class QtPlatform;

// The one top-level window: the menu bar over the drawing surface. It owns the frame
// (all program state) and the platform the frame talks to.
class MainWindow : public QMainWindow {
public:
    MainWindow();
    ~MainWindow() override;

    // Creates the drawing surface's OpenGL context, then the frame: OnCreate and the
    // first OnSize run before the window is shown, as the frame expects. Returns
    // false when no OpenGL context can be had; the window must not be shown then.
    bool Create();

    // Shows the window and, once the window manager has added its frame, sizes it so
    // that the outer size, frame included, is the initial size.
    void ShowAtInitialSize();

    // Autosave in the user's state folder, after offering to recover what a session
    // that did not exit left there.
    void StartAutosave();

    CMainFrame* Frame() const { return m_frame.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnMenuCommand(int id);
    void FitOuterSize();

    GLView* m_view = nullptr;  // owned by its container widget
    std::unique_ptr<QtMenus> m_menus;
    std::unique_ptr<QtPlatform> m_platform;
    std::unique_ptr<CMainFrame> m_frame;
    bool m_outerSizeFitted = false;
};

// The application icon in the sizes the desktop asks for.
QIcon MakeAppIcon();
