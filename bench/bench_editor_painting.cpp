// What the editor's painting costs on a real X server, from a change to its pixels handled by the
// server: a 3840 × 2160 capture shown in a canvas of 1600 × 1000 and of the whole 3840 × 2160
// screen, a zoom step, a scroll by one wheel notch at 100 %, and one step of dragging a selected
// annotation over the image.
// `--painting=toolkit` paints as Qt does by default, `--painting=socket` without shared memory;
// without either the benchmark paints as the program does. Beside the time, the counters give the
// processor time a step costs this process and the X server, which a busy machine changes less.

#include "ProcessTime.h"
#include "XvfbMain.h"
#include "canvas/CanvasZoom.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "document/EditorDocument.h"
#include "platform/QtX11Connection.h"
#include "support/TestAnnotations.h"
#include "support/WaitUntil.h"

#include <QApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace quorvane {
namespace {

// A capture-like picture: gradients under text and lines, so that nothing compresses away.
QImage capture(int width, int height, const QColor& tint) {
    QImage image = test::filledImage(Qt::white, width, height);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, tint);
    gradient.setColorAt(1, Qt::darkBlue);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    for (int y = 20; y < height; y += 24)
        painter.drawText(
            10, y, QStringLiteral("Row %1 of a page of text, as a terminal or a browser shows it").arg(y));
    return image;
}

// The processor time of our X server (the Xvfb this process started), in milliseconds.
double serverCpuMilliseconds() {
    static const long ticks = ::sysconf(_SC_CLK_TCK);
    DIR* processes = ::opendir("/proc");
    double total = 0;
    while (dirent* entry = processes != nullptr ? ::readdir(processes) : nullptr) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line) || line.find("(Xvfb)") == std::string::npos) continue;
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string state;
        long parent = 0;
        double skip = 0, user = 0, system = 0;
        fields >> state >> parent;
        for (int i = 0; i < 9; ++i)
            fields >> skip;
        fields >> user >> system;
        if (parent == ::getpid()) total += (user + system) * 1000.0 / static_cast<double>(ticks);
    }
    if (processes != nullptr) ::closedir(processes);
    return total;
}

// Processor time of this process and its server over the benchmark's steps, as counters.
class CpuCounters {
public:
    CpuCounters() : process_(bench::processCpuMilliseconds()), server_(serverCpuMilliseconds()) {}
    void report(benchmark::State& state) const {
        const double steps = static_cast<double>(state.iterations());
        state.counters["ourMs"] = (bench::processCpuMilliseconds() - process_) / steps;
        state.counters["serverMs"] = (serverCpuMilliseconds() - server_) / steps;
    }

private:
    double process_;
    double server_;
};

// Handles what the change asked to repaint, and waits until the server has put it on screen.
void painted() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    syncQtX11Connection();
}

struct ShownCanvas {
    EditorDocument document{capture(3840, 2160, Qt::darkCyan), std::nullopt, 1.0};
    EditorCanvasPane pane{document, {}};

    explicit ShownCanvas(QSize window) {
        pane.resize(window);
        pane.show();
        test::waitUntil([&] { return pane.windowHandle() != nullptr && pane.windowHandle()->isExposed(); });
        painted();
    }
    EditorCanvasView& canvas() { return pane.canvas(); }
};

void ShowCapture(benchmark::State& state, QSize size) {
    // A fresh pane for each capture in the same window, as the editor does.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    window.resize(size);
    window.show();
    test::waitUntil([&] { return window.windowHandle() != nullptr && window.windowHandle()->isExposed(); });
    const std::array<QImage, 2> images = {capture(3840, 2160, Qt::darkRed),
                                          capture(3840, 2160, Qt::darkGreen)};
    std::size_t next = 0;
    std::unique_ptr<EditorDocument> document;
    std::unique_ptr<EditorCanvasPane> pane;
    const CpuCounters cpu;
    for (auto _ : state) {
        pane.reset();
        document = std::make_unique<EditorDocument>(images[next], std::nullopt, 1.0);
        pane = std::make_unique<EditorCanvasPane>(*document, nullptr);
        layout->addWidget(pane.get());
        next = 1 - next;
        painted();
    }
    cpu.report(state);
    pane.reset();
}
BENCHMARK_CAPTURE(ShowCapture, window, QSize(1600, 1000))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ShowCapture, fullScreen, QSize(3840, 2160))->Unit(benchmark::kMillisecond)->UseRealTime();

void ZoomStep(benchmark::State& state, QSize size) {
    ShownCanvas shown(size);
    int step = 0;
    const CpuCounters cpu;
    for (auto _ : state) {
        // In and out again between fit and about 150 %.
        shown.canvas().zoom().zoomBy(step++ % 8 < 4 ? 1.25 : 0.8);
        painted();
    }
    cpu.report(state);
}
BENCHMARK_CAPTURE(ZoomStep, window, QSize(1600, 1000))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ZoomStep, fullScreen, QSize(3840, 2160))->Unit(benchmark::kMillisecond)->UseRealTime();

void ScrollNotch(benchmark::State& state, QSize size) {
    ShownCanvas shown(size);
    shown.canvas().zoom().zoomBy(1.0 / shown.canvas().transform().zoom);
    painted();
    int notch = 0;
    const CpuCounters cpu;
    for (auto _ : state) {
        // Down sixty notches and back up.
        shown.canvas().zoom().scroll({}, QPointF(0, notch++ % 120 < 60 ? -120 : 120));
        painted();
    }
    cpu.report(state);
}
BENCHMARK_CAPTURE(ScrollNotch, window, QSize(1600, 1000))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ScrollNotch, fullScreen, QSize(3840, 2160))->Unit(benchmark::kMillisecond)->UseRealTime();

// The left button's `type` at `at` in the canvas, `time` milliseconds into the drag.
void sendMouse(EditorCanvasView& canvas, QEvent::Type type, QPointF at, ulong time) {
    QMouseEvent event(type, at, canvas.mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    event.setTimestamp(time);
    QCoreApplication::sendEvent(&canvas, &event);
}

void DragAnnotation(benchmark::State& state, QSize size) {
    ShownCanvas shown(size);
    const Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(1200, 600, 900, 500));
    shown.document.addAnnotation(box);
    shown.pane.settings().choose(QStringLiteral("Select"));
    shown.pane.settings().modes().setSelectedID(box.id);
    const auto transform = shown.canvas().transform();
    QPointF pointer = transform.imageRect().topLeft() + box.rect.center() * transform.zoom;
    ulong time = 1000;
    sendMouse(shown.canvas(), QEvent::MouseButtonPress, pointer, time);
    painted();
    int step = 0;
    const CpuCounters cpu;
    for (auto _ : state) {
        // Back and forth over a third of the picture.
        pointer += QPointF(step++ % 200 < 100 ? 4 : -4, 1);
        sendMouse(shown.canvas(), QEvent::MouseMove, pointer, time += 16);
        painted();
    }
    cpu.report(state);
    sendMouse(shown.canvas(), QEvent::MouseButtonRelease, pointer, time += 16);
    if (shown.document.annotations().front().rect == box.rect)
        state.SkipWithError("the annotation did not move");
}
BENCHMARK_CAPTURE(DragAnnotation, window, QSize(1600, 1000))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(DragAnnotation, fullScreen, QSize(3840, 2160))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace quorvane

int main(int argc, char** argv) {
    return quorvane::bench::runOnXvfb(argc, argv, 3840, 2160);
}
