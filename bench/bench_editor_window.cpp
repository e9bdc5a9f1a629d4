// How long the tool bar takes to lay itself out for one new width while the window is resized:
// the goal is at most 0.5 ms, so that resizing never stutters.

#include "OffscreenMain.h"
#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"
#include "editor_window/EditorToolBar.h"
#include "editor_window/SymbolIcons.h"
#include "editor_window/ToolArea.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>

namespace quorvane {
namespace {

// 1,000 widths from narrower than the narrowest variant to wider than the full row, one a step.
void ResizeToolBar(benchmark::State& state) {
    QImage image(200, 100, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::white);
    EditorDocument document(image, std::nullopt, 1.0);
    EditorCanvasSettings settings;
    const SymbolIcons icons(SymbolIcons::Theme::ignore);
    EditorToolBar bar(document, settings, icons);
    bar.show();
    const int narrow = bar.sizeHint().width() - 40;
    const int wide = narrow + 1000;
    int width = narrow;
    int changes = 0;
    for (auto _ : state) {
        width = width >= wide ? narrow : width + 1;
        bar.resize(width, 38);
        changes += bar.toolArea()->shownHiding();
    }
    benchmark::DoNotOptimize(changes);
}
BENCHMARK(ResizeToolBar)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace quorvane

int main(int argc, char** argv) {
    return quorvane::bench::runOffscreen<QApplication>(argc, argv);
}
