// Whole-state undo on a busy document: one edit of a document with 1,000 annotations, with the
// heap each recorded step keeps, and the undo and redo of such a step.

#include "document/EditorDocument.h"
#include "imaging/MappedBitmap.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

namespace {

using namespace quorvane;

std::unique_ptr<EditorDocument> documentWith(int count) {
    const QImage image = *MappedBitmap::image(1920, 1080, MappedBitmap::Alpha::premultipliedLast,
                                              [](QImage& target) { target.fill(Qt::white); });
    auto document = std::make_unique<EditorDocument>(image, QStringLiteral("Bench"), 2);
    document->undoManager().beginGroup(QStringLiteral("Fill"));
    for (int i = 0; i < count; ++i) {
        Annotation a;
        a.id = QUuid::createUuid();
        a.kind = i % 3 == 0   ? AnnotationKind::arrow
                 : i % 3 == 1 ? AnnotationKind::rectangle
                              : AnnotationKind::text;
        a.rect = QRectF(i % 40 * 40, i / 40 * 40, 30, 20);
        a.start = a.rect.topLeft();
        a.end = a.rect.bottomRight();
        a.color = Qt::red;
        if (a.kind == AnnotationKind::text) a.text = QStringLiteral("Label %1").arg(i);
        document->addAnnotation(a);
    }
    document->undoManager().endGroup();
    document->undoManager().removeAllActions();
    return document;
}

void EditOneOf1000Annotations(benchmark::State& state) {
    auto document = documentWith(1000);
    const auto heapBefore = ::mallinfo2().uordblks;
    std::int64_t steps = 0;
    for (auto _ : state) {
        Annotation a = document->annotations()[static_cast<std::size_t>(steps % 1000)];
        a.rect.translate(1, 0);
        a.start += QPointF(1, 0);
        a.end += QPointF(1, 0);
        document->updateAnnotation(a);
        ++steps;
    }
    const auto heapAfter = ::mallinfo2().uordblks;
    state.counters["bytesPerStep"] =
        benchmark::Counter(static_cast<double>(heapAfter - heapBefore) / static_cast<double>(steps));
    state.counters["revision"] = static_cast<double>(document->revision());
}
BENCHMARK(EditOneOf1000Annotations)->Unit(benchmark::kMicrosecond);

void UndoRedoOf1000Annotations(benchmark::State& state) {
    auto document = documentWith(1000);
    Annotation a = document->annotations()[500];
    a.rect.translate(5, 5);
    document->updateAnnotation(a);
    for (auto _ : state) {
        document->undoManager().undo();
        document->undoManager().redo();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(UndoRedoOf1000Annotations)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
