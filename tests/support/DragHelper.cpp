// A second program for drag-and-drop tests: drags within one process count as our own, so a
// real drop from or to "another application" needs this one.
//
//   quorvane_drag_helper source X Y FILE   a 60 × 60 window at (X, Y); a press starts a copy drag
//                                          of FILE's URL; prints "ready", then the drop action
//   quorvane_drag_helper target X Y        a 200 × 150 window at (X, Y) that accepts file URLs;
//                                          prints "ready", then "dropped <path>" and quits

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <QWidget>
#include <cstdio>

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

class Source : public QWidget {
public:
    explicit Source(QString file) : file_(std::move(file)) {}

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(file_)});
        drag->setMimeData(mime);
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        say(QStringLiteral("action %1").arg(int(action)));
    }

private:
    QString file_;
};

class Target : public QWidget {
public:
    Target() { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls()) event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        const QList<QUrl> urls = event->mimeData()->urls();
        event->acceptProposedAction();
        say(QStringLiteral("dropped ") + (urls.isEmpty() ? QString() : urls.first().toLocalFile()));
        QTimer::singleShot(100, qApp, &QCoreApplication::quit);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 4) return 2;
    const int x = arguments[2].toInt();
    const int y = arguments[3].toInt();
    QWidget* window = nullptr;
    if (arguments[1] == QLatin1String("source") && arguments.size() >= 5) {
        window = new Source(arguments[4]);
        window->setGeometry(x, y, 60, 60);
    } else if (arguments[1] == QLatin1String("target")) {
        window = new Target;
        window->setGeometry(x, y, 200, 150);
    } else {
        return 2;
    }
    window->setWindowFlag(Qt::BypassWindowManagerHint);
    window->show();
    // Ready once the server shows it: a drag can find it from then on.
    auto* exposed = new QTimer(window);
    QObject::connect(exposed, &QTimer::timeout, window, [window, exposed] {
        if (window->windowHandle() == nullptr || !window->windowHandle()->isExposed()) return;
        exposed->stop();
        say(QStringLiteral("ready"));
    });
    exposed->start(10);
    return app.exec();
}
