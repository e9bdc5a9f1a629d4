// Rendering: the final image of a 4K document with 200 annotations of every kind (ten 400 × 300
// blurs among them), as it is and resized onto a backdrop; the blur of a 1000 × 1000 area at
// σ 12 alone, and ImageMagick's Gaussian blur of the same pixels (when it is installed).

#include "ImageMagick.h"
#include "document/EditorDocument.h"
#include "document/GaussianBlur.h"
#include "document/OverlayBudget.h"
#include "imaging/MappedBitmap.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

using namespace quorvane;

// Soft photo-like waves under sharp window edges and text-sized noise.
QImage screenshot(int width, int height) {
    return *MappedBitmap::image(width, height, MappedBitmap::Alpha::premultipliedLast, [](QImage& image) {
        std::uint32_t seed = 2024;
        uchar* bits = image.bits();
        for (int y = 0; y < image.height(); ++y) {
            uchar* p = bits + y * image.bytesPerLine();
            for (int x = 0; x < image.width(); ++x, p += 4) {
                seed = seed * 1103515245u + 12345u;
                const int grain = static_cast<int>(seed >> 27);
                p[0] = static_cast<uchar>(128 + 100 * std::sin(x * 0.013 + y * 0.007) + grain);
                p[1] = static_cast<uchar>((x / 64 + y / 48) % 3 * 90 + grain);
                p[2] = static_cast<uchar>(200 - y * 150 / image.height() + grain);
                p[3] = 255;
            }
        }
        QPainter painter(&image);
        for (int i = 0; i < 30; ++i)
            painter.fillRect(QRect(131 * i % image.width(), 89 * i % image.height(), 300, 200),
                             QColor::fromHsv(i * 37 % 360, 60, 240));
    });
}

Annotation annotation(AnnotationKind kind, int i) {
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = kind;
    a.rect = QRectF(97 * i % 3400, 61 * i % 1800, 120 + i % 5 * 20, 80 + i % 3 * 20);
    a.start = a.rect.topLeft();
    a.end = a.rect.bottomRight();
    a.color = QColor::fromHsv(i * 53 % 360, 220, 230);
    a.strokeWidth = 2 + i % 6;
    a.fill = i % 4 == 0;
    a.number = i + 1;
    a.fontSize = 14 + i % 4 * 6;
    return a;
}

// Mixed as a busy screenshot would be; the counts add up to 200.
std::vector<Annotation> mixedAnnotations() {
    static const OverlayImageRef overlay = OverlayBudget::admit(screenshot(320, 200)).value();
    const std::vector<std::pair<AnnotationKind, int>> counts = {
        {AnnotationKind::arrow, 30},    {AnnotationKind::rectangle, 25},  {AnnotationKind::oval, 20},
        {AnnotationKind::text, 20},     {AnnotationKind::bracketOpen, 8}, {AnnotationKind::braceClose, 7},
        {AnnotationKind::freehand, 15}, {AnnotationKind::highlight, 10},  {AnnotationKind::spotlight, 2},
        {AnnotationKind::counter, 15},  {AnnotationKind::magnifier, 8},   {AnnotationKind::redact, 10},
        {AnnotationKind::pixelate, 10}, {AnnotationKind::erase, 5},       {AnnotationKind::image, 5},
        {AnnotationKind::blur, 10},
    };
    std::vector<Annotation> list;
    int i = 0;
    for (const auto& [kind, count] : counts)
        for (int n = 0; n < count; ++n, ++i) {
            Annotation a = annotation(kind, i);
            if (kind == AnnotationKind::arrow && n % 2 == 0) a = a.bent(a.rect.topRight());
            if (kind == AnnotationKind::text) a.text = QStringLiteral("Note %1: check this value").arg(i);
            if (kind == AnnotationKind::freehand)
                for (int k = 0; k < 20; ++k)
                    a.points.push_back(a.rect.topLeft() + QPointF(k * 8, 30 * std::sin(k * 0.7)));
            if (kind == AnnotationKind::image) a.overlay = overlay;
            if (kind == AnnotationKind::blur) a.rect.setSize(QSizeF(400, 300));
            list.push_back(a);
        }
    return list;
}

void RenderOutput4K(benchmark::State& state) {
    const bool adjusted = state.range(0) != 0;
    EditorDocument document(screenshot(3840, 2160), QStringLiteral("Bench"), 2);
    for (const Annotation& a : mixedAnnotations())
        document.addAnnotation(a);
    if (document.annotations().size() != 200) state.SkipWithError("annotations refused");
    if (adjusted) {
        if (!document.setOutputSize(QSizeF(1920, 1080), ImageResampler::Quality::highQuality))
            state.SkipWithError("output size refused");
        document.setBackdrop(Backdrop::preset(Backdrop::Preset::ocean, 2));
    }
    const EditorDocument::Output output = document.output(document.annotations());
    for (auto _ : state) {
        auto result = EditorDocument::renderOutput(output);
        if (!result) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(result->constBits());
    }
    state.SetLabel(adjusted ? "resized to 1920x1080 on a backdrop" : "200 annotations");
}
BENCHMARK(RenderOutput4K)->ArgName("adjusted")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

const QImage& blurSource() {
    static const QImage image = screenshot(1000, 1000);
    return image;
}

// Each run blurs a fresh copy: the blur works in place.
double ourBlurSeconds() {
    QImage pixels = blurSource().copy();
    const auto start = std::chrono::steady_clock::now();
    if (!gaussianBlur(pixels, 12)) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Blur1000(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = ourBlurSeconds();
        if (seconds < 0) state.SkipWithError("blur failed");
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(Blur1000)->Unit(benchmark::kMillisecond)->UseManualTime();

// ImageMagick reads and writes raw RGBA files; a copy without the blur measures what starting the
// program and moving the bytes costs, which is taken off. It blurs with a full two-dimensional
// kernel and takes seconds, so it runs once.
void ImageMagickGaussianBlur1000(benchmark::State& state) {
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/quorvane-bench-XXXXXX"));
    const QString input = folder.filePath(QStringLiteral("in.rgba"));
    if (!bench::writeRawRgba(blurSource(), input)) return state.SkipWithError("cannot write the input");
    const auto convert = [&](bool blur) {
        const QStringList operations =
            blur ? QStringList{QStringLiteral("-gaussian-blur"), QStringLiteral("0x12")} : QStringList{};
        return bench::runConvert(input, blurSource().size(), operations,
                                 folder.filePath(QStringLiteral("out.rgba")));
    };
    double ours = 1e9, copy = 1e9;
    for (int i = 0; i < 5; ++i) {
        ours = std::min(ours, ourBlurSeconds());
        copy = std::min(copy, convert(false));
    }
    for (auto _ : state) {
        const double blurred = convert(true);
        if (blurred < 0 || copy < 0 || ours < 0) return state.SkipWithError("convert or the blur failed");
        const double theirs = std::max(blurred - copy, 1e-6);
        state.SetIterationTime(theirs);
        state.counters["oursMs"] = ours * 1000;
        state.counters["timesFaster"] = theirs / ours;
    }
}

} // namespace

int main(int argc, char** argv) {
    // Text and counters need the application's fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (auto* comparison =
            bench::registerImageMagickComparison("ImageMagickGaussianBlur1000", ImageMagickGaussianBlur1000))
        comparison->Iterations(1)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
