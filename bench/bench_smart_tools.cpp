// The editor's smart tools on the main thread: smart selection clicks on a 3840 × 2160 UI
// screenshot (goal: every click well under the 0.4 s deadline) and area colours of a
// 1000 × 1000 area.

#include "OffscreenMain.h"
#include "ScreenshotPages.h"
#include "imaging/EdgeGrid.h"
#include "recognition/AreaColorSampler.h"
#include "recognition/SmartSelection.h"

#include <benchmark/benchmark.h>

namespace quorvane::bench {
namespace {

// A desktop with a large editor window: title bar, side bar, a big plain document area with a
// one-pixel frame, tool buttons and text.
QImage uiScreenshot() {
    QImage image(3840, 2160, QImage::Format_RGBA8888_Premultiplied);
    image.fill(QColor(0x3a, 0x6e, 0xa5));
    QPainter painter(&image);
    painter.fillRect(100, 80, 3640, 2000, QColor(0xf6, 0xf6, 0xf6));
    painter.fillRect(100, 80, 3640, 56, QColor(0xe0, 0xe0, 0xe0));
    painter.fillRect(100, 136, 420, 1944, QColor(0xee, 0xee, 0xee));
    for (int i = 0; i < 24; ++i)
        painter.fillRect(130, 170 + i * 72, 360, 52,
                         i % 5 == 0 ? QColor(0xc8, 0xdc, 0xf8) : QColor(0xf8, 0xf8, 0xf8));
    painter.setPen(QColor(0xb0, 0xb0, 0xb0));
    painter.drawRect(560, 180, 3140, 1860);
    painter.fillRect(561, 181, 3139, 1859, Qt::white);
    painter.end();
    for (int i = 0; i < 20; ++i)
        test::drawText(image, sentence(i, 9), {620, 240 + i * 40}, 22);
    return image;
}

const QImage& screenshot() {
    static const QImage image = uiScreenshot();
    return image;
}

const EdgeGrid& screenshotGrid() {
    static const auto grid = EdgeGrid::make(screenshot());
    return *grid;
}

void BM_SmartSelectionClick(benchmark::State& state) {
    // The document area (the largest plain region, 5.8 million pixels, framed), the
    // desktop (touches every edge), a side-bar button and a glyph of text.
    static const QPointF points[] = {{2000, 1500}, {20, 20}, {200, 190}, {640, 250}};
    const QPointF point = points[state.range(0)];
    SmartSelection::Outcome outcome;
    for (auto _ : state)
        benchmark::DoNotOptimize(outcome = SmartSelection::region(screenshotGrid(), point, 6, 12'000'000,
                                                                  std::chrono::milliseconds(400)));
    state.counters["outcome"] = double(outcome.kind);
}
BENCHMARK(BM_SmartSelectionClick)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The worst click a 3840 × 2160 screenshot allows: one plain region inside a one-pixel frame,
// 8.3 million pixels traced to the end and every side judged.
void BM_SmartSelectionWorstCase(benchmark::State& state) {
    static const auto grid = [] {
        QImage image(3840, 2160, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::black);
        QPainter(&image).fillRect(1, 1, 3838, 2158, Qt::white);
        return EdgeGrid::make(image);
    }();
    SmartSelection::Outcome outcome;
    for (auto _ : state)
        benchmark::DoNotOptimize(outcome = SmartSelection::region(*grid, {1920, 1080}, 6, 12'000'000,
                                                                  std::chrono::milliseconds(400)));
    state.counters["outcome"] = double(outcome.kind);
}
BENCHMARK(BM_SmartSelectionWorstCase)->Unit(benchmark::kMillisecond);

// A 1000 × 1000 area over text: crop, grid and both passes, as the canvas calls it; then the
// passes alone.
void BM_AreaColors(benchmark::State& state) {
    const QRectF area(560, 200, 1000, 1000);
    std::optional<AreaColors> colors;
    for (auto _ : state)
        benchmark::DoNotOptimize(colors = AreaColorSampler::sample(area, screenshot()));
    state.counters["text"] = colors && colors->text ? 1 : 0;
}
BENCHMARK(BM_AreaColors)->Repetitions(9)->ReportAggregatesOnly()->Unit(benchmark::kMillisecond);

void BM_AreaColorsOfGrid(benchmark::State& state) {
    const auto grid = EdgeGrid::make(screenshot(), QRect(560, 200, 1000, 1000));
    for (auto _ : state)
        benchmark::DoNotOptimize(AreaColorSampler::sample(*grid));
}
BENCHMARK(BM_AreaColorsOfGrid)->Repetitions(9)->ReportAggregatesOnly()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorvane::bench

int main(int argc, char** argv) {
    return quorvane::bench::runOffscreen(argc, argv);
}
