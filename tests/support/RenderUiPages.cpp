// Writes the drawn user-interface pages and their truth into a folder (scripts/render-ui-pages).

#include "support/UiPages.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    using quorvane::test::Theme;
    for (const QString& kind : quorvane::test::uiPageKinds())
        for (const Theme theme : {Theme::light, Theme::dark})
            for (const int scale : {1, 2}) {
                const auto page = quorvane::test::drawUiPage(kind, theme, scale);
                QFile truth(folder.filePath(page.truth.name + QStringLiteral(".txt")));
                if (!page.image.convertToFormat(QImage::Format_RGB888)
                         .save(folder.filePath(page.truth.name + QStringLiteral(".png"))) ||
                    !truth.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                    truth.write(page.truth.serialized().toUtf8()) < 0) {
                    std::fprintf(stderr, "could not write %s\n", qPrintable(page.truth.name));
                    return 1;
                }
            }
    return 0;
}
