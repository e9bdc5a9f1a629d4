// A window of another process that shows the scrolling tests' page and scrolls it by the wheel.
// Arguments: x y (top-left in points), or "bottom" x for a window standing on the screen's bottom
// edge; then, for benchmarks, optionally "size" width visible-rows page-rows and "drift" rows
// milliseconds (the page scrolls by itself, as under a steady hand). Prints "ready x y width
// height" (its content in global points) once it is painted.

#include "support/ScrollPage.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

namespace {

using namespace quorvane::test;

class PageWindow : public QWidget {
public:
    PageWindow(int width, int visibleRows, int pageRows)
        : page_(ScrollPage::image(0, pageRows, width)), visibleRows_(visibleRows), pageRows_(pageRows) {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setWindowTitle(QStringLiteral("Scroll Page"));
        setFixedSize(width, ScrollPage::toolbar + visibleRows + ScrollPage::statusBar);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void drift(int rows, int milliseconds) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, rows] { scrollBy(rows); });
        timer->start(milliseconds);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        using namespace ScrollPage;
        const int w = QWidget::width();
        painter.drawImage(QPoint(0, 0), page_, QRect(0, 0, w, toolbar));
        painter.drawImage(QPoint(0, toolbar), page_, QRect(0, toolbar + offset_, w, visibleRows_));
        painter.drawImage(QPoint(0, toolbar + visibleRows_), page_, QRect(0, toolbar + pageRows_, w, statusBar));
        if (!ready_) {
            ready_ = true;
            const QPoint origin = mapToGlobal(QPoint(0, 0));
            std::printf("ready %d %d %d %d\n", origin.x(), origin.y(), QWidget::width(), QWidget::height());
            std::fflush(stdout);
        }
    }
    void wheelEvent(QWheelEvent* event) override {
        scrollBy(-event->angleDelta().y() / 120 * ScrollPage::rowsPerClick);
    }

private:
    void scrollBy(int rows) {
        offset_ = std::clamp(offset_ + rows, 0, pageRows_ - visibleRows_);
        repaint();
    }

    QImage page_;
    int visibleRows_;
    int pageRows_;
    int offset_ = 0;
    bool ready_ = false;
};

} // namespace

int main(int argc, char** argv) {
    // A test that dies (a sanitizer's abort) takes its page with it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const auto option = [&](const char* name, int index, int fallback) {
        const qsizetype at = arguments.indexOf(QLatin1String(name));
        return at >= 0 && at + index < arguments.size() ? arguments[at + index].toInt() : fallback;
    };
    PageWindow window(option("size", 1, ScrollPage::width), option("size", 2, ScrollPage::visibleRows),
                      option("size", 3, ScrollPage::pageRows));
    if (arguments.contains(QLatin1String("drift"))) window.drift(option("drift", 1, 0), option("drift", 2, 100));
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
