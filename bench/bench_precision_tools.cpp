// Hovering a 3840 × 2160 document shown at fit in a 1920 × 1080 view: one pointer move with the
// Ruler tool (two edge-span walks and the rulers' repaint) and one with the Color tool (the
// loupe's neighbourhood and its repaint), from the event to the painted window. The first move
// builds the sampling grids; the figure is the median of 1,000 moves after it.

#include "OffscreenMain.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/PrecisionTools.h"
#include "document/EditorDocument.h"
#include "imaging/MappedBitmap.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"

#include <QApplication>
#include <QMouseEvent>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using namespace quorvane;

struct NoClipboard final : Clipboard {
    bool write(std::unique_ptr<QMimeData>) override { return false; }
    const QMimeData* read() const override { return nullptr; }
};

struct NoBeeper final : Beeper {
    void beep() override {}
};

// Flat bands with hard edges every 97 pixels across and 61 down, so spans end at real edges.
QImage bands(int width, int height) {
    return *MappedBitmap::image(width, height, MappedBitmap::Alpha::premultipliedLast, [](QImage& image) {
        for (int y = 0; y < image.height(); ++y) {
            uchar* p = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x, p += 4) {
                p[0] = static_cast<uchar>(x / 97 * 40);
                p[1] = static_cast<uchar>(y / 61 * 30);
                p[2] = 128;
                p[3] = 255;
            }
        }
    });
}

void hover(benchmark::State& state, const char* tool) {
    EditorDocument document(bands(3840, 2160), std::nullopt, 1);
    EditorCanvasSettings settings;
    EditorCanvasView view(document, settings);
    NoClipboard clipboard;
    NoBeeper beeper;
    view.setPrecisionTools(std::make_unique<PrecisionTools>(view, clipboard, beeper));
    view.resize(1920, 1080);
    view.show();
    settings.choose(QString::fromLatin1(tool));
    view.refresh();
    QApplication::processEvents();
    int step = 0;
    const auto move = [&] {
        const QPointF at(200 + (step * 37) % 1500, 150 + (step * 23) % 800);
        ++step;
        QMouseEvent event(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(&view, &event);
        QApplication::processEvents();
    };
    move(); // builds the probe and the grid
    std::vector<double> times;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        move();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times.empty() ? 0 : times[times.size() / 2];
}

void BM_HoverRuler(benchmark::State& state) {
    hover(state, "Ruler");
}
void BM_HoverColor(benchmark::State& state) {
    hover(state, "Color");
}

BENCHMARK(BM_HoverRuler)->Iterations(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HoverColor)->Iterations(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return quorvane::bench::runOffscreen(argc, argv);
}
