// Capture-to-file costs: PNG and JPEG encoding of a 4K screenshot against Qt's own writers,
// opening 4K files against QImageReader, and refusing a file whose header asks for 10 gigapixels
// or whose HEIF grid asks for 900 megapixels.

#include "ProcessTime.h"
#include "export/ImageExporter.h"
#include "export/ImageImporter.h"
#include "imaging/MappedBitmap.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <random>
#include <sys/resource.h>

namespace {

using namespace quorvane;

// A desktop as people capture it: a gradient wallpaper, windows with title bars, sidebars, lines
// of prose and of code, small icons, and a photograph.
QImage screenshot() {
    QImage image(3840, 2160, QImage::Format_RGBX8888);
    image.setColorSpace(QColorSpace::SRgb);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, 3840, 2160);
    wallpaper.setColorAt(0, QColor(32, 44, 92));
    wallpaper.setColorAt(1, QColor(120, 60, 110));
    painter.fillRect(image.rect(), wallpaper);

    std::mt19937 random(7);
    const auto window = [&](QRect frame, bool code) {
        painter.fillRect(frame.adjusted(6, 8, 6, 8), QColor(0, 0, 0, 60));
        painter.fillRect(frame, QColor(250, 250, 250));
        painter.fillRect(QRect(frame.x(), frame.y(), frame.width(), 56), QColor(232, 232, 236));
        for (int i = 0; i < 3; ++i) {
            painter.setBrush(QColor::fromHsv(i * 40, 180, 230));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(QPoint(frame.x() + 28 + 36 * i, frame.y() + 28), 10, 10);
        }
        painter.fillRect(QRect(frame.x(), frame.y() + 56, 360, frame.height() - 56), QColor(240, 241, 245));
        QFont font(code ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
        font.setPixelSize(code ? 22 : 24);
        painter.setFont(font);
        static const char* words[] = {"capture", "the",   "screen", "annotate", "int",    "return",
                                      "image",   "const", "file",   "export",   "window", "pixels",
                                      "with",    "for",   "auto",   "arrow"};
        for (int y = frame.y() + 100; y < frame.bottom() - 30; y += code ? 30 : 36) {
            QString line;
            int indent = code ? static_cast<int>(random() % 4) * 4 : 0;
            line.fill(QLatin1Char(' '), indent);
            const int count = 3 + static_cast<int>(random() % 12);
            for (int i = 0; i < count; ++i)
                line += QString::fromLatin1(words[random() % 16]) + QLatin1Char(' ');
            painter.setPen(code ? QColor::fromHsv(static_cast<int>(random() % 360), 160, 140)
                                : QColor(30, 30, 30));
            painter.drawText(frame.x() + 400, y, line);
        }
        for (int y = frame.y() + 90; y < frame.bottom() - 40; y += 44) {
            painter.fillRect(QRect(frame.x() + 24, y, 24, 24),
                             QColor::fromHsv(static_cast<int>(random() % 360), 120, 220));
            painter.setPen(QColor(60, 60, 70));
            painter.drawText(frame.x() + 60, y + 20, QStringLiteral("Folder %1").arg(y % 97));
        }
    };
    window(QRect(80, 90, 2000, 1300), false);
    window(QRect(1500, 700, 2200, 1380), true);

    // The photograph: smooth light and colour with fine sensor noise.
    QImage photo(1400, 900, QImage::Format_RGBX8888);
    std::normal_distribution<double> noise(0, 4);
    for (int y = 0; y < photo.height(); ++y) {
        auto* row = photo.scanLine(y);
        for (int x = 0; x < photo.width(); ++x) {
            const double light =
                0.5 + 0.3 * std::sin(x / 170.0) * std::cos(y / 130.0) + 0.2 * std::sin((x + y) / 60.0);
            const double leaf = 0.5 + 0.5 * std::sin(x / 23.0 + std::sin(y / 41.0) * 3);
            const double channels[3] = {90 + 120 * light, 110 + 90 * light * leaf, 60 + 70 * (1 - leaf)};
            for (int c = 0; c < 3; ++c)
                row[4 * x + c] = static_cast<uchar>(std::clamp(channels[c] + noise(random), 0.0, 255.0));
            row[4 * x + 3] = 255;
        }
    }
    painter.drawImage(200, 1450 - 900 + 600, photo.copy(0, 0, 1200, 600));
    painter.drawImage(2400, 120, photo);
    painter.end();
    return image;
}

const QImage& shot() {
    static const QImage image = screenshot();
    return image;
}

// Time, size and (for PNG, whose strips compress on every core) the CPU time of all threads.
void Encode4K(benchmark::State& state, ImageExporter::Format format) {
    qsizetype size = 0;
    const double cpuBefore = bench::processCpuMilliseconds();
    for (auto _ : state) {
        auto bytes = ImageExporter::encode(shot(), format, 0.9);
        size = bytes->size();
        benchmark::DoNotOptimize(bytes->constData());
    }
    state.counters["bytes"] = static_cast<double>(size);
    state.counters["all_threads_cpu_ms"] =
        (bench::processCpuMilliseconds() - cpuBefore) / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(Encode4K, png, ImageExporter::Format::png)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Encode4K, jpeg, ImageExporter::Format::jpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

// Qt's writers, for comparison: PNG with its default settings, JPEG at the same quality.
void QtEncode4K(benchmark::State& state, const char* format, int quality) {
    qsizetype size = 0;
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        shot().save(&buffer, format, quality);
        size = bytes.size();
    }
    state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK_CAPTURE(QtEncode4K, png, "PNG", -1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(QtEncode4K, jpeg, "JPEG", 90)->Unit(benchmark::kMillisecond)->UseRealTime();

// 4K files as other programs write them.
const QString& sampleFile(const char* format) {
    static QTemporaryDir folder;
    static std::map<std::string, QString> files;
    QString& path = files[format];
    if (path.isEmpty()) {
        path = folder.filePath(QStringLiteral("shot.") + QString::fromLatin1(format).toLower());
        shot().save(path, format, 90);
    }
    return path;
}

void Import4K(benchmark::State& state, const char* format) {
    const QUrl url = QUrl::fromLocalFile(sampleFile(format));
    for (auto _ : state) {
        auto image = ImageImporter::image(url);
        benchmark::DoNotOptimize(image->constBits());
    }
}
BENCHMARK_CAPTURE(Import4K, png, "PNG")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Import4K, jpeg, "JPEG")->Unit(benchmark::kMillisecond)->UseRealTime();

void QtRead4K(benchmark::State& state, const char* format) {
    const QString path = sampleFile(format);
    for (auto _ : state) {
        QImage image = QImageReader(path).read();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK_CAPTURE(QtRead4K, png, "PNG")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(QtRead4K, jpeg, "JPEG")->Unit(benchmark::kMillisecond)->UseRealTime();

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (char byte : bytes) {
        crc ^= static_cast<quint8>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

QByteArray chunk(const char* type, const QByteArray& data) {
    QByteArray out;
    const auto append32 = [&out](quint32 value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.append(static_cast<char>(value >> shift));
    };
    append32(static_cast<quint32>(data.size()));
    const QByteArray body = QByteArray(type) + data;
    out += body;
    append32(crc32(body));
    return out;
}

long maxResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Opens `bytes` over and over, each time refused as `kind`, and counts the peak memory growth.
void refuse(benchmark::State& state, const QByteArray& bytes,
            ImageImporter::ImportError::Kind kind = ImageImporter::ImportError::Kind::tooLarge) {
    const long before = maxResidentKilobytes();
    for (auto _ : state) {
        auto result = ImageImporter::image(bytes);
        if (result || result.error().kind != kind) state.SkipWithError("not refused");
    }
    state.counters["peak_rss_growth_kB"] = static_cast<double>(maxResidentKilobytes() - before);
}

// A PNG whose header claims 100,000 × 100,000 pixels; refused from the header alone.
void RefuseHugePngHeader(benchmark::State& state) {
    QByteArray ihdr(13, '\0');
    for (int i = 0; i < 2; ++i) {
        ihdr[4 * i + 1] = static_cast<char>(0x01);
        ihdr[4 * i + 2] = static_cast<char>(0x86);
        ihdr[4 * i + 3] = static_cast<char>(0xA0);
    }
    ihdr[8] = 8;
    ihdr[9] = 6;
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
                           chunk("IDAT", QByteArray(64, 'x')) + chunk("IEND", {});
    refuse(state, png);
}
BENCHMARK(RefuseHugePngHeader)->Unit(benchmark::kMicrosecond);

// A 634-byte HEIC whose grid claims a 30,000 × 30,000 canvas; refused from its boxes alone.
void RefuseHugeHeifGrid(benchmark::State& state) {
    QFile file(QStringLiteral(QUORVANE_FUZZ_CORPUS_DIR "/importer/grid-30000x30000.heic"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no sample");
        return;
    }
    const QByteArray heif = file.readAll();
    refuse(state, heif);
}
BENCHMARK(RefuseHugeHeifGrid)->Unit(benchmark::kMicrosecond);

// A 766-byte HEIC whose grid record libheif would read past the end of its box, as a canvas of
// 14,441 × 27,759 (2.4 GB to decode); refused from its boxes alone.
void RefuseGridRecordOutsideIdat(benchmark::State& state) {
    QFile file(QStringLiteral(QUORVANE_FUZZ_CORPUS_DIR "/importer/grid-record-outside-idat.heic"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no sample");
        return;
    }
    refuse(state, file.readAll(), ImageImporter::ImportError::Kind::unreadable);
}
BENCHMARK(RefuseGridRecordOutsideIdat)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    shot();
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
