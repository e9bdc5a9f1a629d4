#pragma once

// ImageMagick's convert on raw RGBA files, for the benchmarks that compare against it. It is not
// a dependency of the program: the comparisons are skipped when convert is missing.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>

namespace quorvane::bench {

inline bool imageMagickAvailable() {
    QProcess probe;
    probe.start(QStringLiteral("convert"), {QStringLiteral("-version")});
    return probe.waitForFinished(10000) && probe.exitCode() == 0 &&
           probe.readAllStandardOutput().contains("ImageMagick");
}

// The image's rows without padding, as convert's rgba: input expects.
inline bool writeRawRgba(const QImage& image, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (int y = 0; y < image.height(); ++y)
        if (file.write(reinterpret_cast<const char*>(image.constScanLine(y)), qint64(image.width()) * 4) < 0)
            return false;
    return true;
}

// Runs convert from a raw RGBA file of `size` through `operations` into `output`; the wall time in
// seconds, or -1 when it failed.
inline double runConvert(const QString& input, QSize size, const QStringList& operations,
                         const QString& output) {
    QStringList arguments{QStringLiteral("-size"),
                          QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                          QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:") + input};
    arguments << operations << QStringLiteral("rgba:") + output;
    const auto start = std::chrono::steady_clock::now();
    const bool ran = QProcess::execute(QStringLiteral("convert"), arguments) == 0;
    return ran ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() : -1.0;
}

// Registers a comparison with ImageMagick, or says why it is skipped; null when skipped.
template<class Function>
benchmark::internal::Benchmark* registerImageMagickComparison(const char* name, Function function) {
    if (imageMagickAvailable()) return benchmark::RegisterBenchmark(name, function)->UseManualTime();
    std::fputs("ImageMagick's convert is not installed: its comparison is skipped.\n", stderr);
    return nullptr;
}

} // namespace quorvane::bench
