// Writes the application and document icons as PNG files into an icon theme tree
// (<dir>/<size>x<size>/apps/kantilo.png and .../mimetypes/application-x-kantilo.png), so
// that the desktop shows the same pictures as the program's own windows.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "CIconPainter.h"

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kantilo_icons <theme directory>\n");
        return 2;
    }
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/").arg(size);
        const QString apps = theme.filePath(folder + QStringLiteral("apps"));
        const QString types = theme.filePath(folder + QStringLiteral("mimetypes"));
        if (!QDir().mkpath(apps) || !QDir().mkpath(types) ||
            !CIconPainter::Application(size).save(apps + QStringLiteral("/kantilo.png")) ||
            !CIconPainter::Document(size).save(types +
                                               QStringLiteral("/application-x-kantilo.png"))) {
            std::fprintf(stderr, "kantilo_icons: cannot write the %dx%d icons\n", size, size);
            return 1;
        }
    }
    return 0;
}
