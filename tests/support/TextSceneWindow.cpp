// A window of another process showing known text and a QR code, for the tests that recognise an
// area of the screen: the program never captures its own windows, so the text must come from
// elsewhere. Usage: quorvane_text_scene X Y. Prints "ready" once the server has its pixels and
// stays until it is killed.

#include "support/TextImages.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <cstdio>

namespace {

class SceneWindow : public QWidget {
public:
    explicit SceneWindow(QImage image) : QWidget(nullptr, Qt::FramelessWindowHint), image_(std::move(image)) {
        setFixedSize(image_.size());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawImage(0, 0, image_);
        if (!announced_) {
            announced_ = true;
            // Once the server has processed the drawing.
            QMetaObject::invokeMethod(
                this,
                [] {
                    QGuiApplication::sync();
                    std::printf("ready\n");
                    std::fflush(stdout);
                },
                Qt::QueuedConnection);
        }
    }

private:
    QImage image_;
    bool announced_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int x = arguments.size() > 2 ? arguments[1].toInt() : 0;
    const int y = arguments.size() > 2 ? arguments[2].toInt() : 0;
    using namespace quorvane::test;
    QImage scene = whiteImage(640, 240);
    drawText(scene, QStringLiteral("Quorvane reads this line"), {20, 40}, 26);
    drawText(scene, QStringLiteral("Copy it without retyping"), {20, 120}, 26);
    drawBarcode(scene, BarcodeKind::qr, QStringLiteral("https://example.org/quorvane?scan=1"), {450, 40}, 4);
    SceneWindow window(scene);
    window.move(x, y);
    window.show();
    return QApplication::exec();
}
