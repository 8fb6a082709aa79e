// Writes the application icon as PNG files for the desktop's icon theme:
//   pliform-icon-writer OUTPUT_DIR
// creates OUTPUT_DIR/<size>x<size>/apps/pliform.png for each size the theme uses.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

#include "app/Resources.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pliform-icon-writer OUTPUT_DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "pliform-icon-writer: cannot create %s\n", qPrintable(dir));
            return 1;
        }
        QImage image(size, size, QImage::Format_ARGB32);
        DrawAppIcon(size, reinterpret_cast<uint32_t*>(image.bits()));
        const QString file = dir + QStringLiteral("/pliform.png");
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "pliform-icon-writer: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
