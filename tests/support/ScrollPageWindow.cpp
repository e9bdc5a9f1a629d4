// A window of another process that shows the scrolling tests' page and scrolls it by the wheel.
// Arguments: x y (top-left in points), or "bottom" for a window standing on the screen's bottom
// edge. Prints "ready x y width height" (its content in global points) once it is painted.

#include "support/ScrollPage.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QWidget>
#include <cstdio>

namespace {

using namespace quorvane::test;

class PageWindow : public QWidget {
public:
    PageWindow() : page_(ScrollPage::image(0, ScrollPage::pageRows)) {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setWindowTitle(QStringLiteral("Scroll Page"));
        setFixedSize(ScrollPage::width, ScrollPage::toolbar + ScrollPage::visibleRows + ScrollPage::statusBar);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        using namespace ScrollPage;
        painter.drawImage(QPoint(0, 0), page_, QRect(0, 0, ScrollPage::width, toolbar));
        painter.drawImage(QPoint(0, toolbar), page_, QRect(0, toolbar + offset_, ScrollPage::width, visibleRows));
        painter.drawImage(QPoint(0, toolbar + visibleRows), page_, QRect(0, toolbar + pageRows, ScrollPage::width, statusBar));
        if (!ready_) {
            ready_ = true;
            const QPoint origin = mapToGlobal(QPoint(0, 0));
            std::printf("ready %d %d %d %d\n", origin.x(), origin.y(), QWidget::width(), QWidget::height());
            std::fflush(stdout);
        }
    }
    void wheelEvent(QWheelEvent* event) override {
        const int clicks = event->angleDelta().y() / 120;
        offset_ = std::clamp(offset_ - clicks * ScrollPage::rowsPerClick, 0, ScrollPage::maxOffset);
        repaint();
    }

private:
    QImage page_;
    int offset_ = 0;
    bool ready_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    PageWindow window;
    const QStringList arguments = QApplication::arguments();
    QPoint position(100, 100);
    if (arguments.size() > 1 && arguments[1] == QLatin1String("bottom"))
        position = QPoint(arguments.size() > 2 ? arguments[2].toInt() : 200,
                          QApplication::primaryScreen()->geometry().bottom() + 1 - window.height());
    else if (arguments.size() > 2)
        position = QPoint(arguments[1].toInt(), arguments[2].toInt());
    window.move(position);
    window.show();
    return QApplication::exec();
}
