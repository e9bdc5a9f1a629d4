#pragma once

// A window with a long page that scrolls by whole rows per wheel click, and that counts what the
// left mouse button did to it.

#include "capture/x11/CaptureTestWindows.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>

namespace quorvane::test {

class WheelPageWindow : public QWidget {
public:
    static constexpr int rowsPerClick = 3;
    static constexpr int rowHeight = 16;

    WheelPageWindow() {
        setFixedSize(400, 300);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::StrongFocus);
    }
    bool showAt(QPoint position) {
        move(position);
        show();
        const bool shown = waitUntil([this] { return painted_ && isVisible(); });
        QGuiApplication::sync();
        return shown;
    }
    // Rows scrolled off the top, and what reached the window.
    int offset = 0, leftButtonEvents = 0, wheelEvents = 0, rightButtonEvents = 0, keys = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (int y = 0; y < height(); y += rowHeight)
            painter.fillRect(0, y, width(), rowHeight,
                             QColor::fromHsv(((y / rowHeight + offset) * 37) % 360, 200, 220));
        painted_ = true;
    }
    void wheelEvent(QWheelEvent* event) override {
        ++wheelEvents;
        offset = std::max(0, offset - event->angleDelta().y() / 120 * rowsPerClick);
        update();
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) ++leftButtonEvents;
        if (event->button() == Qt::RightButton) ++rightButtonEvents;
    }
    // Modifier keys type nothing and are not counted.
    void keyPressEvent(QKeyEvent* event) override {
        if (!event->text().isEmpty()) ++keys;
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) ++leftButtonEvents;
    }

private:
    bool painted_ = false;
};

} // namespace quorvane::test
