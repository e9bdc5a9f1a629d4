#pragma once

// Windows with known pixels and waiting helpers for the X11 capture tests.

#include "core/Error.h"
#include "core/Result.h"
#include "support/WaitUntil.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane::test {

// Calls `start` with a completion and waits for its result, which must come exactly once.
template<class T, class Start>
Result<T, Error> awaitResult(Start start) {
    std::vector<Result<T, Error>> results;
    start([&](Result<T, Error> value) { results.push_back(std::move(value)); });
    if (!waitUntil([&] { return !results.empty(); }))
        return Failure{Error{QStringLiteral("test"), -1, QStringLiteral("no result")}};
    QCoreApplication::processEvents();
    if (results.size() != 1)
        return Failure{Error{QStringLiteral("test"), -2, QStringLiteral("called twice")}};
    return std::move(results.front());
}

inline int xrandr(const QString& arguments) {
    return x11Server().run(QStringLiteral("xrandr"), arguments.split(QLatin1Char(' ')));
}

// Back to the one monitor of the whole 1920 × 1080 screen.
inline bool joinMonitors() {
    xrandr(QStringLiteral("--delmonitor left"));
    xrandr(QStringLiteral("--delmonitor right"));
    return waitUntil([] { return QGuiApplication::screens().size() == 1; });
}

// Splits the screen into monitors "left" and "right", 960 points wide each; waits until Qt has both.
inline bool splitIntoTwoMonitors() {
    joinMonitors();
    return xrandr(QStringLiteral("--setmonitor left 960/254x1080/286+0+0 screen")) == 0 &&
           xrandr(QStringLiteral("--setmonitor right 960/254x1080/286+960+0 none")) == 0 &&
           waitUntil([] { return QGuiApplication::screens().size() == 2; });
}

// Different in every row and column, so that flips and offsets show.
inline QImage patternImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor((x * 7) % 256, (y * 5) % 256, (x + 2 * y) % 256));
    return image;
}

// A top-level window that shows an image at its own pixels.
class ImageWindow : public QWidget {
public:
    explicit ImageWindow(QImage image, Qt::WindowFlags flags = {})
        : QWidget(nullptr, flags), image_(std::move(image)) {
        setFixedSize(image_.size());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    // Shows the window at `position` and waits until the server has its pixels.
    bool showAt(QPoint position) {
        move(position);
        show();
        const bool painted = waitUntil([this] { return paints_ > 0; });
        QGuiApplication::sync();
        return painted;
    }
    // Shows another image of the same size and returns once the server has its pixels.
    void setImage(QImage image) {
        image_ = std::move(image);
        repaint();
        QGuiApplication::sync();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, image_);
        ++paints_;
    }

private:
    QImage image_;
    int paints_ = 0;
};

} // namespace quorvane::test
