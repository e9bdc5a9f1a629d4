// Large-bitmap costs: making and releasing a mapped 8K bitmap against a heap QImage, and cutting
// a 4K area out of an 8K display image.

#include "imaging/CaptureGeometry.h"
#include "imaging/MappedBitmap.h"

#include <QImage>
#include <benchmark/benchmark.h>

namespace {

using namespace quorvane;

void MappedBitmapMakeAndRelease8K(benchmark::State& state) {
    for (auto _ : state) {
        auto image = MappedBitmap::image(7680, 4320, MappedBitmap::Alpha::premultipliedLast, nullptr);
        benchmark::DoNotOptimize(image->constBits());
    }
}
BENCHMARK(MappedBitmapMakeAndRelease8K)->Unit(benchmark::kMicrosecond);

// With every page written, as a capture or render does.
void MappedBitmapMakeFillAndRelease8K(benchmark::State& state) {
    for (auto _ : state) {
        auto image = MappedBitmap::image(7680, 4320, MappedBitmap::Alpha::premultipliedLast,
                                         [](QImage& target) { target.fill(QColor(30, 60, 90)); });
        benchmark::DoNotOptimize(image->constBits());
    }
}
BENCHMARK(MappedBitmapMakeFillAndRelease8K)->Unit(benchmark::kMillisecond);

// The same size on the heap, filled like the one above.
void HeapImageMakeFillAndRelease8K(benchmark::State& state) {
    for (auto _ : state) {
        QImage image(7680, 4320, QImage::Format_RGBA8888_Premultiplied);
        image.fill(QColor(30, 60, 90));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(HeapImageMakeFillAndRelease8K)->Unit(benchmark::kMillisecond);

void CropFourKOutOfEightK(benchmark::State& state) {
    const CaptureGeometry geometry{QRectF(0, 0, 3840, 2160), 2};
    const QImage display = *MappedBitmap::image(7680, 4320, MappedBitmap::Alpha::premultipliedLast,
                                                [](QImage& image) { image.fill(QColor(30, 60, 90)); });
    for (auto _ : state) {
        auto cropped = geometry.crop(display, QRectF(960, 540, 1920, 1080));
        benchmark::DoNotOptimize(cropped->constBits());
    }
    state.SetBytesProcessed(state.iterations() * 3840 * 2160 * 4);
}
BENCHMARK(CropFourKOutOfEightK)->Unit(benchmark::kMillisecond);

// For comparison: Qt's own copy of the same area onto the heap.
void QImageCopyFourKOutOfEightK(benchmark::State& state) {
    QImage display(7680, 4320, QImage::Format_RGBA8888_Premultiplied);
    display.fill(QColor(30, 60, 90));
    for (auto _ : state) {
        QImage cropped = display.copy(1920, 1080, 3840, 2160);
        benchmark::DoNotOptimize(cropped.constBits());
    }
    state.SetBytesProcessed(state.iterations() * 3840 * 2160 * 4);
}
BENCHMARK(QImageCopyFourKOutOfEightK)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
