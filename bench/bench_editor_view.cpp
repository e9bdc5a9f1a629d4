// The editor view's two waits that a user feels:
// - the start of a drag-out of a 3840 × 2160 document, from the pointer crossing the threshold
//   to the final image rendered, its PNG file written and the drag begun (goal ≤ 100 ms);
// - switching documents, from the new document handed over to a fresh pane painted (goal
//   ≤ 30 ms).

#include "OffscreenMain.h"
#include "editor_window/EditorViewRig.h"
#include "export/FileDragSource.h"
#include "support/SentMouse.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QMimeData>
#include <benchmark/benchmark.h>

namespace quorvane {
namespace {

void DragOutStart(benchmark::State& state) {
    EditorDocument document(test::gradientImage(3840, 2160), std::nullopt, 2.0);
    document.addAnnotation(test::annotation(AnnotationKind::arrow, QRectF(100, 100, 800, 400)));
    document.addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(1200, 600, 900, 500)));
    test::TempDir root;
    DragExporter exporter(QString::fromStdString((root / "Quorvane Drag").string()));
    test::CountingBeeper beeper;
    FileDragSource source(
        exporter,
        [&]() -> std::optional<QImage> {
            auto image = EditorDocument::renderOutput(document.output(document.annotations()));
            return image ? std::optional<QImage>(*image) : std::nullopt;
        },
        beeper);
    QString file;
    source.setDragRunner([&](QDrag& drag) {
        file = drag.mimeData()->urls().value(0).toLocalFile();
        return Qt::CopyAction;
    });
    for (auto _ : state) {
        test::pressAndMove(source, QPointF(5, 5), QPointF(8, 5));
        state.PauseTiming();
        if (file.isEmpty() || beeper.beeps != 0) state.SkipWithError("no drag started");
        QFile::remove(file);
        file.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(DragOutStart)->Unit(benchmark::kMillisecond)->UseRealTime();

void SwitchDocuments(benchmark::State& state) {
    test::EditorViewRig rig;
    rig.view->resize(1280, 800);
    const std::array<QImage, 2> images = {test::gradientImage(1440, 900), test::gradientImage(1200, 800)};
    int next = 0;
    for (auto _ : state) {
        rig.capture.controller->openImage(images[size_t(next)], std::nullopt);
        next = 1 - next;
        rig.view->repaint();
        state.PauseTiming();
        if (rig.view->pane() == nullptr) state.SkipWithError("no pane");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(SwitchDocuments)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace quorvane

int main(int argc, char** argv) {
    return quorvane::bench::runOffscreen<QApplication>(argc, argv);
}
