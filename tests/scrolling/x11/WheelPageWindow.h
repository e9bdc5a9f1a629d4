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
    // Rows scrolled off the top.
    int offset() const { return offset_; }
    int leftButtonEvents() const { return leftButtonEvents_; }
    int wheelEvents() const { return wheelEvents_; }
    int rightButtonEvents() const { return rightButtonEvents_; }
    int keys() const { return keys_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (int y = 0; y < height(); y += rowHeight)
            painter.fillRect(0, y, width(), rowHeight,
                             QColor::fromHsv(((y / rowHeight + offset_) * 37) % 360, 200, 220));
        painted_ = true;
    }
    void wheelEvent(QWheelEvent* event) override {
        ++wheelEvents_;
        offset_ = std::max(0, offset_ - event->angleDelta().y() / 120 * rowsPerClick);
        update();
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) ++leftButtonEvents_;
        if (event->button() == Qt::RightButton) ++rightButtonEvents_;
    }
    // Modifier keys type nothing and are not counted.
    void keyPressEvent(QKeyEvent* event) override {
        if (!event->text().isEmpty()) ++keys_;
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) ++leftButtonEvents_;
    }

private:
    int offset_ = 0;
    int leftButtonEvents_ = 0;
    int wheelEvents_ = 0;
    int rightButtonEvents_ = 0;
    int keys_ = 0;
    bool painted_ = false;
};

} // namespace quorvane::test
