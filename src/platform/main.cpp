#include <QApplication>
#include <QSurfaceFormat>
#include <cstdio>

#include "app/Memory.h"
#include "platform/MainWindow.h"

int main(int argc, char* argv[]) {
    KeepFreedMemoryForReuse();
    // The renderer uses the fixed-function pipeline, so the context must be a
    // compatibility one; the format has to be the default before the application
    // object exists so that every surface and context picks it up.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    QSurfaceFormat::setDefaultFormat(format);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pliform"));
    QApplication::setDesktopFileName(QStringLiteral("pliform"));
    QApplication::setWindowIcon(MakeAppIcon());

    MainWindow window;
    if (!window.Create()) {
        std::fprintf(stderr, "Pliform: no OpenGL context could be created on this display.\n");
        return 1;
    }
    window.ShowAtInitialSize();
    window.StartAutosave();
    return QApplication::exec();
}
