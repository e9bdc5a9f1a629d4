// Composition on 4K documents: a 3840 × 2160 PNG from the clipboard read, added as an overlay and
// drawn by a shown canvas; and a flatten of 200 annotations, with its peak memory growth.

#include "OffscreenMain.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "document/EditorDocument.h"
#include "export/ImageImporter.h"
#include "imaging/MappedBitmap.h"
#include "platform/SystemClipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using namespace quorvane;

constexpr int width = 3840, height = 2160;

QImage picture(QColor a, QColor b) {
    return *MappedBitmap::image(width, height, MappedBitmap::Alpha::premultipliedLast, [&](QImage& target) {
        QPainter painter(&target);
        QLinearGradient gradient(0, 0, width, height);
        gradient.setColorAt(0, a);
        gradient.setColorAt(1, b);
        painter.fillRect(target.rect(), gradient);
        // Blocks of colour, so that the PNG has the size of a busy screenshot rather than a few
        // hundred kilobytes.
        quint32 seed = 7;
        for (int i = 0; i < 4000; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const QRect block(int(seed % width), int((seed >> 12) % height), 8 + int(seed % 90),
                              6 + int(seed % 40));
            painter.fillRect(block, QColor::fromRgb(seed | 0xff000000u));
        }
    });
}

std::int64_t statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::strlen(field));
    return 0;
}

// From the clipboard's PNG to the overlay drawn in a shown 1280 × 720 canvas.
void PasteOverlay4KFromClipboard(benchmark::State& state) {
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture(Qt::red, Qt::blue).save(&buffer, "PNG");
    }
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("image/png"), png);
    clipboard.write(std::move(data));
    EditorDocument document(picture(Qt::white, Qt::gray), std::nullopt, 2);
    EditorCanvasSettings settings;
    EditorCanvasView view(document, settings);
    view.resize(1280, 720);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        auto image = ImageImporter::image(*clipboard.read());
        auto added = document.addOverlay(**image, std::nullopt, std::nullopt);
        benchmark::DoNotOptimize(added.ok());
        view.refresh();
        view.repaint();
        state.PauseTiming();
        document.undoManager().undo();
        state.ResumeTiming();
    }
    state.counters["png_MB"] = static_cast<double>(png.size()) / 1e6;
}
BENCHMARK(PasteOverlay4KFromClipboard)->Unit(benchmark::kMillisecond);

// Flatten of a 4K document with 200 annotations, undone between runs.
void Flatten4KWith200Annotations(benchmark::State& state) {
    EditorDocument document(picture(Qt::white, Qt::gray), std::nullopt, 2);
    for (int i = 0; i < 200; ++i) {
        Annotation a;
        a.id = QUuid::createUuid();
        a.kind = i % 4 == 0   ? AnnotationKind::arrow
                 : i % 4 == 1 ? AnnotationKind::rectangle
                 : i % 4 == 2 ? AnnotationKind::highlight
                              : AnnotationKind::oval;
        a.rect = QRectF(i % 20 * 180 + 20, i / 20 * 200 + 20, 150, 120);
        a.start = a.rect.topLeft();
        a.end = a.rect.bottomRight();
        a.color = Qt::red;
        document.addAnnotation(a);
    }
    std::int64_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream("/proc/self/clear_refs") << "5";
        const std::int64_t baseline = statusKilobytes("VmRSS:");
        state.ResumeTiming();
        const FlattenResult result = document.flatten();
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        peak = std::max(peak, statusKilobytes("VmHWM:") - baseline);
        document.undoManager().undo();
        state.ResumeTiming();
    }
    state.counters["peak_growth_MB"] = static_cast<double>(peak) * 1024 / 1e6;
    state.counters["image_MB"] = static_cast<double>(width) * height * 4 / 1e6;
}
BENCHMARK(Flatten4KWith200Annotations)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return quorvane::bench::runOffscreen(argc, argv);
}
