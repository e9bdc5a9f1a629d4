// A bare Qt window that takes drops and changes its size every 20 ms while four other programs
// flood it with drops, for `seconds` (default 10). Ends with status 0 when its X connection held,
// and with Qt's status (1) when it broke. Nothing of Quorvane's takes part but, when asked, the way
// the program has Qt paint: it shows what Qt's shared-memory painting and libxcb do to any program
// under such a flood. Qt itself cannot keep up with one (its memory grows by gigabytes), so the
// window leaves the flood's messages out unread, as any program that survives one must.
//
//   drop_flood_probe --painting=toolkit|socket|program [seconds]

#include "../XvfbMain.h"
#include "support/DropFlood.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

class DropWindow : public QWidget {
public:
    DropWindow() { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override { event->acceptProposedAction(); }
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(40, 90, 140)); }
};

// Every client message is one of the flood's here.
class LeaveOutClientMessages : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        return (static_cast<const xcb_generic_event_t*>(message)->response_type & 0x7f) == XCB_CLIENT_MESSAGE;
    }
};

} // namespace

int main(int argc, char** argv) {
    quorvane::bench::paintAsAsked(argc, argv);
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    LeaveOutClientMessages leaveOut;
    application.installNativeEventFilter(&leaveOut);
    DropWindow window;
    window.setGeometry(100, 100, 400, 300);
    window.show();
    QTimer grow;
    // Qt makes a new shared-memory segment for a window that grows, or shrinks to less than half;
    // its descriptor comes in a reply.
    QObject::connect(&grow, &QTimer::timeout, &window, [&window] {
        window.resize(window.width() > 400 ? QSize(400, 300) : QSize(1600, 1000));
    });
    std::unique_ptr<quorvane::test::DropFlood> flood;
    QTimer::singleShot(500, &window, [&] {
        const QPoint middle = window.geometry().center();
        flood = std::make_unique<quorvane::test::DropFlood>(static_cast<std::uint32_t>(window.winId()),
                                                            middle.x(), middle.y(), 4);
        grow.start(20);
    });
    QTimer::singleShot(500 + seconds * 1000, &application, &QApplication::quit);
    const int status = application.exec();
    if (flood) flood->stop();
    std::printf("held for %d s\n", seconds);
    return status;
}
