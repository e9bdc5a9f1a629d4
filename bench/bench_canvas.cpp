// The canvas view showing a 3840 × 2160 document with 200 annotations in a 1920 × 1080 view at
// fit: one frame while a rectangle is dragged over the cached base, one while a rectangle is
// dragged next to a blur (every frame a full render), and a full render of the document alone.
// Counters: the view's kept image bytes and the process's resident memory. Then the mouse: one
// drag step of a new rectangle from the event to the repainted area, and the hit test of a Select
// click among 2,000 annotations.

#include "canvas/ArrowGesture.h"
#include "canvas/CanvasPainter.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/SelectionGesture.h"
#include "document/EditorDocument.h"
#include "imaging/MappedBitmap.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <unistd.h>

namespace {

using namespace quorvane;

QImage picture(int width, int height) {
    return *MappedBitmap::image(width, height, MappedBitmap::Alpha::premultipliedLast, [](QImage& image) {
        for (int y = 0; y < image.height(); ++y) {
            uchar* p = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x, p += 4) {
                p[0] = static_cast<uchar>(x * 7 ^ y * 3);
                p[1] = static_cast<uchar>(120 + 90 * std::sin(x * 0.01));
                p[2] = static_cast<uchar>(y * 255 / image.height());
                p[3] = 255;
            }
        }
    });
}

// Marks spread over the picture; four blurs among them, the first at (1000, 600).
Annotation mark(int i) {
    static const AnnotationKind kinds[] = {
        AnnotationKind::rectangle, AnnotationKind::arrow,  AnnotationKind::oval,   AnnotationKind::text,
        AnnotationKind::highlight, AnnotationKind::redact, AnnotationKind::counter};
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = i < 4 ? AnnotationKind::blur : kinds[i % 7];
    a.rect = i < 4 ? QRectF(1000 + i * 700, 600, 360, 240)
                   : QRectF(83 * i % 3500, (47 * i + i % 2 * 1000) % 1900, 100 + i % 4 * 30, 60 + i % 3 * 20);
    a.start = a.rect.topLeft();
    a.end = a.rect.bottomRight();
    a.color = QColor::fromHsv(i * 41 % 360, 200, 220);
    a.strokeWidth = 3 + i % 4;
    a.text = QStringLiteral("Label %1").arg(i);
    a.number = i;
    return a;
}

struct Scene {
    EditorDocument document{picture(3840, 2160), QStringLiteral("Bench"), 1};
    EditorCanvasSettings settings;
    std::unique_ptr<EditorCanvasView> view;
    QImage frame{1920, 1080, QImage::Format_ARGB32_Premultiplied};

    Scene() {
        for (int i = 0; i < 200; ++i)
            document.addAnnotation(mark(i));
        view = std::make_unique<EditorCanvasView>(document, settings);
        view->resize(1920, 1080);
        view->refresh();
    }
    ~Scene() { view.reset(); }
    // One frame of dragging `grabbed` by `step` pixels.
    void dragFrame(const Annotation& grabbed, int step) {
        CanvasGesture& gesture = view->gesture();
        gesture.originalAnnotation = grabbed;
        gesture.dragAnchor = grabbed.rect.topLeft();
        gesture.proposed = grabbed.translated(step % 40, 0);
        QPainter painter(&frame);
        view->painter().paint(painter);
    }
};

double residentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20)
                             : 0;
}

void drag(benchmark::State& state, bool nextToBlur) {
    Scene scene;
    // A rectangle well away from the blurs, or one 10 pixels left of the first blur.
    Annotation grabbed = mark(10);
    grabbed.kind = AnnotationKind::rectangle;
    grabbed.rect = nextToBlur ? QRectF(860, 650, 130, 80) : QRectF(200, 1700, 130, 80);
    scene.document.addAnnotation(grabbed);
    scene.view->refresh();
    if (scene.view->painter().needsFullPreview(grabbed) != nextToBlur)
        state.SkipWithError("wrong preview path");
    int step = 0;
    for (auto _ : state)
        scene.dragFrame(grabbed, ++step);
    // The rendering, the gesture's base or frame and the screen copy; the probe is made only for
    // sampling tools.
    state.counters["keptMB"] =
        static_cast<double>(scene.view->painter().cachedBytes() + scene.view->drawnImage().sizeInBytes()) /
        (1 << 20);
    state.counters["drawnMB"] = static_cast<double>(scene.view->drawnImage().sizeInBytes()) / (1 << 20);
    state.counters["residentMB"] = residentMegabytes();
}

void DragOverBase(benchmark::State& state) {
    drag(state, false);
}
BENCHMARK(DragOverBase)->Unit(benchmark::kMillisecond)->UseRealTime();

void DragNextToBlur(benchmark::State& state) {
    drag(state, true);
}
BENCHMARK(DragNextToBlur)->Unit(benchmark::kMillisecond)->UseRealTime();

void FullRender(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        auto rendered = scene.document.render();
        if (!rendered) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(rendered->constBits());
    }
}
BENCHMARK(FullRender)->Unit(benchmark::kMillisecond)->UseRealTime();

void sendMouse(QWidget& view, QEvent::Type type, const QPointF& at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, {});
    QApplication::sendEvent(&view, &event);
}

// From the mouse event to the repainted area, for the steps of a rectangle drawn over the picture.
void DrawStep(benchmark::State& state) {
    Scene scene;
    scene.settings.choose(QStringLiteral("Rectangle"));
    QRegion dirty;
    scene.view->invalidated = [&](const std::optional<QRectF>& area) {
        dirty += area ? area->toAlignedRect() : scene.view->rect();
    };
    // The view shows its picture and the drag has begun before the steps are timed.
    {
        QPainter painter(&scene.frame);
        scene.view->painter().paint(painter);
    }
    // Below the blurs, whose neighbours preview by full renders (measured by DragNextToBlur).
    sendMouse(*scene.view, QEvent::MouseButtonPress, QPointF(100, 700), Qt::LeftButton);
    sendMouse(*scene.view, QEvent::MouseMove, QPointF(150, 750), Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        dirty = QRegion();
        sendMouse(*scene.view, QEvent::MouseMove, QPointF(150 + step % 200, 760 + step % 100),
                  Qt::LeftButton);
        ++step;
        QPainter painter(&scene.frame);
        painter.setClipRegion(dirty);
        scene.view->painter().paint(painter);
    }
    sendMouse(*scene.view, QEvent::MouseButtonRelease, QPointF(500, 500), Qt::NoButton);
}
BENCHMARK(DrawStep)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3)->ReportAggregatesOnly();

// The Select tool's hit test of one click among 2,000 annotations of mixed kinds, most of them
// missed, so that the walk goes deep.
void HitTestClick(benchmark::State& state) {
    EditorDocument document{picture(1920, 1080), QStringLiteral("Bench"), 1};
    for (int i = 0; i < 2000; ++i) {
        Annotation a = mark(i + 4);
        a.rect = QRectF(i * 37 % 1800, i * 53 % 1000, 40 + i % 5 * 10, 30 + i % 3 * 10);
        a.start = a.rect.topLeft();
        a.end = a.rect.bottomRight();
        if (a.kind == AnnotationKind::arrow) a = a.bent(a.rect.center() + QPointF(5, -5));
        document.addAnnotation(a);
    }
    EditorCanvasSettings settings;
    EditorCanvasView view(document, settings);
    view.resize(1920, 1080);
    ArrowGesture arrows(view);
    SelectionGesture gesture(view, arrows);
    int i = 0;
    for (auto _ : state) {
        const QPointF at((i * 97) % 1900, (i * 61) % 1060);
        ++i;
        benchmark::DoNotOptimize(gesture.hit(at, 1.0));
    }
}
BENCHMARK(HitTestClick)->Unit(benchmark::kMicrosecond)->Repetitions(3)->ReportAggregatesOnly();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
