#include "support/DesktopScenes.h"

#include "support/WaitUntil.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadialGradient>
#include <QWindow>
#include <random>

namespace quorvane::test {
namespace {

class Wallpaper : public QWidget {
public:
    Wallpaper() : QWidget(nullptr, Qt::FramelessWindowHint) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setColorAt(0, QColor(36, 52, 96));
        gradient.setColorAt(1, QColor(112, 64, 118));
        painter.fillRect(rect(), gradient);
    }
};

// Text as a terminal shows it: real source files of the system, else a generated log.
QString terminalText(int part) {
    static const char* files[] = {"/usr/include/stdio.h", "/usr/include/unistd.h", "/usr/include/stdlib.h"};
    QFile file(QString::fromLatin1(files[part % 3]));
    if (file.open(QIODevice::ReadOnly)) return QString::fromUtf8(file.readAll());
    QString text;
    for (int i = 0; i < 400; ++i)
        text += QStringLiteral("[%1] build step %2 of 400: compiling src/module_%3.cpp -O2 -g1\n")
                    .arg(i * 37 % 1000, 3)
                    .arg(i)
                    .arg(i * 13 % 97);
    return text;
}

QWidget* terminal(QSize size, QPoint at, int part) {
    auto* view = new QPlainTextEdit;
    view->setWindowFlag(Qt::FramelessWindowHint);
    view->setPlainText(terminalText(part));
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(15);
    view->setFont(font);
    view->setStyleSheet(QStringLiteral("QPlainTextEdit { background: #1e1f22; color: #d4d4d4; border: 0; }"));
    view->resize(size);
    view->move(at);
    return view;
}

// A photograph as a viewer shows it: smooth light and colour with fine sensor noise.
QImage photograph(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0, 3.5);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const double light =
                0.55 + 0.25 * std::sin(x / 210.0) * std::cos(y / 160.0) + 0.2 * std::sin((x + y) / 90.0);
            const double leaf = 0.5 + 0.5 * std::sin(x / 31.0 + std::sin(y / 47.0) * 3);
            const auto channel = [&](double value) {
                return static_cast<int>(std::clamp(value + noise(random), 0.0, 255.0));
            };
            row[x] = qRgb(channel(80 + 130 * light), channel(100 + 100 * light * leaf),
                          channel(50 + 80 * (1 - leaf)));
        }
    }
    QPainter painter(&image);
    QRadialGradient sun(size.width() * 0.7, size.height() * 0.25, size.height() * 0.3);
    sun.setColorAt(0, QColor(255, 240, 200, 200));
    sun.setColorAt(1, QColor(255, 240, 200, 0));
    painter.fillRect(image.rect(), sun);
    return image;
}

// Waits until the server shows every window, then paints each once more and waits until the
// server has the pixels.
void waitForPaint(const std::vector<std::unique_ptr<QWidget>>& windows) {
    waitUntil(
        [&] {
            return std::all_of(windows.begin(), windows.end(), [](const auto& window) {
                return window->windowHandle() != nullptr && window->windowHandle()->isExposed();
            });
        },
        10000);
    for (const auto& window : windows)
        window->repaint();
    QCoreApplication::processEvents();
    QGuiApplication::sync();
}

} // namespace

QString sceneName(DesktopScene scene) {
    switch (scene) {
    case DesktopScene::terminals:
        return QStringLiteral("terminals");
    case DesktopScene::dialog:
        return QStringLiteral("dialog");
    case DesktopScene::photo:
        return QStringLiteral("photo");
    }
    return {};
}

std::vector<std::unique_ptr<QWidget>> showScene(DesktopScene scene, QSize screen) {
    std::vector<std::unique_ptr<QWidget>> windows;
    auto wallpaper = std::make_unique<Wallpaper>();
    wallpaper->setGeometry(QRect(QPoint(0, 0), screen));
    windows.push_back(std::move(wallpaper));
    const int w = screen.width(), h = screen.height();
    switch (scene) {
    case DesktopScene::terminals:
        windows.emplace_back(terminal(QSize(w * 11 / 20, h * 9 / 10), QPoint(w / 40, h / 20), 0));
        windows.emplace_back(terminal(QSize(w * 9 / 20, h * 7 / 10), QPoint(w / 2, h / 4), 1));
        break;
    case DesktopScene::dialog: {
        auto* files = new QFileDialog(nullptr, QStringLiteral("Open Image"), QStringLiteral("/usr/include"));
        files->setOption(QFileDialog::DontUseNativeDialog);
        files->setViewMode(QFileDialog::Detail);
        files->resize(w * 3 / 5, h * 3 / 4);
        files->move(w / 10, h / 10);
        windows.emplace_back(files);
        auto* message =
            new QMessageBox(QMessageBox::Warning, QStringLiteral("Quitting Quorvane"),
                            QStringLiteral("The current image has changes that were not exported. "
                                           "Quit anyway and discard them?"),
                            QMessageBox::Discard | QMessageBox::Cancel);
        message->move(w / 2, h / 2);
        windows.emplace_back(message);
        break;
    }
    case DesktopScene::photo: {
        auto* viewer = new QLabel;
        viewer->setWindowFlag(Qt::FramelessWindowHint);
        viewer->setStyleSheet(QStringLiteral("QLabel { background: #2b2b2b; }"));
        viewer->setAlignment(Qt::AlignCenter);
        const QSize frame(w * 4 / 5, h * 4 / 5);
        viewer->setPixmap(QPixmap::fromImage(photograph(frame - QSize(w / 20, h / 20))));
        viewer->resize(frame);
        viewer->move(w / 10, h / 10);
        windows.emplace_back(viewer);
        break;
    }
    }
    for (auto& window : windows)
        window->show();
    waitForPaint(windows);
    return windows;
}

} // namespace quorvane::test
