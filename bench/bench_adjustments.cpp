// Output adjustments: resampling a 4K image down and a full-HD image up with each quality, the
// same Lanczos resizes done by ImageMagick's convert on the same pixels (when it is installed),
// and a 4K backdrop whose shadow blur must cost the same at radius 24 and 200.

#include "ImageMagick.h"
#include "adjustments/Backdrop.h"
#include "adjustments/ImageResampler.h"
#include "imaging/MappedBitmap.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

using namespace quorvane;
using ImageResampler::Quality;

// Smooth gradients, hard-edged boxes and fine noise, like a screenshot with photos in it.
QImage testImage(int width, int height) {
    return *MappedBitmap::image(width, height, MappedBitmap::Alpha::premultipliedLast, [](QImage& image) {
        std::uint32_t seed = 12345;
        for (int y = 0; y < image.height(); ++y) {
            uchar* p = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x, p += 4) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = static_cast<int>(seed >> 28);
                p[0] = static_cast<uchar>((x * 255 / image.width() + noise) & 0xff);
                p[1] = static_cast<uchar>(static_cast<int>(127 + 120 * std::sin(y * 0.01)) + noise / 2);
                p[2] = static_cast<uchar>(((x / 37 + y / 23) % 2) * 200 + noise);
                p[3] = 255;
            }
        }
        QPainter painter(&image);
        painter.setPen(Qt::black);
        for (int i = 0; i < 40; ++i)
            painter.drawRect(QRect(97 * i % image.width(), 53 * i % image.height(), 120, 40));
    });
}

const QImage& source(bool downscale) {
    static const QImage large = testImage(3840, 2160);
    static const QImage small = testImage(1920, 1080);
    return downscale ? large : small;
}

QSize targetSize(bool downscale) {
    return downscale ? QSize(1920, 1080) : QSize(3840, 2160);
}

void Resample(benchmark::State& state) {
    const auto quality = static_cast<Quality>(state.range(0));
    const bool downscale = state.range(1) != 0;
    const QImage& image = source(downscale);
    for (auto _ : state) {
        auto result = ImageResampler::resize(image, targetSize(downscale), quality);
        if (!result) state.SkipWithError("resize failed");
        benchmark::DoNotOptimize(result->constBits());
    }
    state.SetLabel(QStringLiteral("%1 %2")
                       .arg(ImageResampler::rawValue(quality), downscale ? "down" : "up")
                       .toStdString());
}
BENCHMARK(Resample)
    ->ArgsProduct({{0, 1, 2}, {1, 0}})
    ->ArgNames({"quality", "down"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// ImageMagick reads and writes raw RGBA files on a RAM disk; the copy without a resize measures
// what starting the program and moving the bytes costs, so that it can be taken off.
struct ImageMagick {
    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/quorvane-bench-XXXXXX")};

    QString input(bool downscale) {
        const QString path =
            folder.filePath(downscale ? QStringLiteral("large.rgba") : QStringLiteral("small.rgba"));
        if (!QFile::exists(path) && !bench::writeRawRgba(source(downscale), path)) return {};
        return path;
    }

    bool run(bool downscale, bool resize) {
        QStringList operations;
        if (resize) {
            const QSize target = targetSize(downscale);
            operations << QStringLiteral("-filter") << QStringLiteral("Lanczos") << QStringLiteral("-resize")
                       << QStringLiteral("%1x%2!").arg(target.width()).arg(target.height());
        }
        return bench::runConvert(input(downscale), source(downscale).size(), operations,
                                 folder.filePath(QStringLiteral("out.rgba"))) >= 0;
    }
};

ImageMagick& imageMagick() {
    static ImageMagick instance;
    return instance;
}

void ImageMagickConvert(benchmark::State& state) {
    const bool resize = state.range(0) != 0, downscale = state.range(1) != 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!imageMagick().run(downscale, resize)) {
            state.SkipWithError("convert failed");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetLabel(resize ? (downscale ? "Lanczos down" : "Lanczos up")
                          : (downscale ? "copy 4K" : "copy HD"));
}

void Backdrop4K(benchmark::State& state) {
    static const QImage image = testImage(3840, 2160);
    Backdrop backdrop = Backdrop::preset(Backdrop::Preset::tolm, 1);
    if (state.range(0) >= 0)
        backdrop.shadow->radius = static_cast<int>(state.range(0));
    else
        backdrop.shadow.reset();
    for (auto _ : state) {
        auto framed = backdrop.apply(image);
        if (!framed) state.SkipWithError("apply failed");
        benchmark::DoNotOptimize(framed->constBits());
    }
}
BENCHMARK(Backdrop4K)
    ->ArgName("shadowRadius")
    ->Arg(-1)
    ->Arg(24)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (auto* comparison = bench::registerImageMagickComparison("ImageMagickConvert", ImageMagickConvert))
        comparison->ArgsProduct({{0, 1}, {1, 0}})
            ->ArgNames({"resize", "down"})
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
