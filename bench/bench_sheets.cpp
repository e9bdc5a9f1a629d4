// The backdrop sheet while the padding slider is dragged on a 3840 × 2160 document: each step
// redraws the live thumbnail (a new background, the reduced image clipped to its corners) and
// the result and problem lines. The median of single updates is reported as `median_ms`; it
// must stay within a 60 Hz frame so that the slider never lags.

#include "OffscreenMain.h"
#include "document/EditorDocument.h"
#include "editor_window/BackdropSheet.h"
#include "editor_window/SheetSlider.h"
#include "imaging/MappedBitmap.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

using namespace quorvane;

QImage screenshot(int width, int height) {
    return *MappedBitmap::image(width, height, MappedBitmap::Alpha::premultipliedLast, [](QImage& image) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), QColor(246, 246, 246));
        for (int y = 0; y < image.height(); y += 90)
            painter.fillRect(QRect(120, y + 20, image.width() - 240, 40), QColor(40 + y % 200, 90, 160));
    });
}

void BM_PaddingDragUpdate(benchmark::State& state) {
    EditorDocument document(screenshot(3840, 2160), std::nullopt, 2);
    BackdropSheet sheet(document);
    SheetSlider& padding = sheet.slider(BackdropSheet::Slider::padding);
    std::vector<double> updates;
    int position = 0;
    for (auto _ : state) {
        position = (position + 7) % 513;
        const auto start = std::chrono::steady_clock::now();
        padding.setSliderPosition(position);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        updates.push_back(elapsed.count() * 1000);
        benchmark::DoNotOptimize(sheet.thumbnailImage().constBits());
    }
    if (updates.empty()) return;
    std::nth_element(updates.begin(), updates.begin() + updates.size() / 2, updates.end());
    state.counters["median_ms"] = updates[updates.size() / 2];
}
BENCHMARK(BM_PaddingDragUpdate)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return quorvane::bench::runOffscreen<QApplication>(argc, argv);
}
